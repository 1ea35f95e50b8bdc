#include "plan.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <sys/mman.h>

namespace cut {

namespace {

using Pixels = const QRgb*;

// The sheet's pixels read in place, without copying cells out.
class Sheet {
public:
    explicit Sheet(const QImage& image)
        : bits_(reinterpret_cast<Pixels>(image.constBits()))
        , stride_(image.bytesPerLine() / 4) {}

    Pixels row(const QRect& cell, int y) const {
        return bits_ + qsizetype(cell.y() + y) * stride_ + cell.x();
    }
    QRgb at(const QRect& cell, QPoint p) const { return row(cell, p.y())[p.x()]; }

private:
    Pixels bits_;
    qsizetype stride_;
};

// Every pixel nobody can see is one and the same value, whatever colour it hides.
inline QRgb visible(QRgb p) {
    return (p >> 24) != 0 ? p : 0;
}

inline std::uint64_t mix(std::uint64_t h, QRgb p) {
    h = (h + visible(p)) * 0x9e3779b97f4a7c15ull;
    return h ^ (h >> 29);
}

// Spreads the bits of a hash over all 64 (MurmurHash3's finaliser).
inline std::uint64_t finish(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 33);
}

constexpr std::uint64_t kSeed = 0x243f6a8885a308d3ull;

// The hash of the cell's pixels in rows from the top left.
std::uint64_t hashCell(const Sheet& sheet, const QRect& cell) {
    std::uint64_t h = kSeed;
    for (int y = 0; y < cell.height(); ++y) {
        const Pixels line = sheet.row(cell, y);
        for (int x = 0; x < cell.width(); ++x)
            h = mix(h, line[x]);
    }
    return finish(h);
}

// The same hash of the cell as it shows under a transform.
std::uint64_t hashTransformed(const Sheet& sheet, const QRect& cell, Transform t) {
    if (t == kIdentity)
        return hashCell(sheet, cell);
    const QSize size = transformedSize(cell.size(), t);
    std::uint64_t h = kSeed;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            h = mix(h, sheet.at(cell, sourcePixel(t, cell.size(), x, y)));
    }
    return finish(h);
}

// Whether `cell` shows exactly what `tile` shows under the transform.
bool sameUnder(const Sheet& sheet, const QRect& tile, Transform t, const QRect& cell) {
    if (t == kIdentity) {
        const std::size_t bytes = std::size_t(cell.width()) * sizeof(QRgb);
        for (int y = 0; y < cell.height(); ++y) {
            const Pixels a = sheet.row(tile, y);
            const Pixels b = sheet.row(cell, y);
            if (std::memcmp(a, b, bytes) == 0)
                continue;
            for (int x = 0; x < cell.width(); ++x) {
                if (visible(a[x]) != visible(b[x]))
                    return false;
            }
        }
        return true;
    }
    for (int y = 0; y < cell.height(); ++y) {
        const Pixels line = sheet.row(cell, y);
        for (int x = 0; x < cell.width(); ++x) {
            if (visible(sheet.at(tile, sourcePixel(t, tile.size(), x, y))) != visible(line[x]))
                return false;
        }
    }
    return true;
}

// Asks for 2 MiB pages for the whole pages inside a large block not yet touched:
// a plan of many cells fills hundreds of MiB, and every 4 KiB page costs a fault.
void adviseHugePages([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    if (to > from)
        (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

// Whether the cell shows the same pixels under both transforms.
bool sameFormsOf(const Sheet& sheet, const QRect& cell, Transform a, Transform b) {
    const QSize size = transformedSize(cell.size(), a);
    if (size != transformedSize(cell.size(), b))
        return false;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (visible(sheet.at(cell, sourcePixel(a, cell.size(), x, y))) !=
                visible(sheet.at(cell, sourcePixel(b, cell.size(), x, y))))
                return false;
        }
    }
    return true;
}

// The forms tiles are filed under: open addressing with linear probing over one
// flat array of 64-bit slots, each the upper half of the form's hash (which also
// picks the home slot) beside the first cell of its tile and the transform. No
// allocation per cell, and a slot that is not a match is passed over without
// touching the sheet. Every hit is still checked pixel for pixel.
class FormTable {
public:
    static constexpr std::uint64_t kEmpty = 0;

    explicit FormTable(std::size_t expected) { resize(expected + expected / 4 + 64); }

    // Asks for the hash's first slot ahead of its lookup.
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[home(keyOf(hash))]); }

    // Calls `visit(cell, transform)` for each form filed under the hash until it
    // returns true; returns whether one did.
    template <typename Visit> bool find(std::uint64_t hash, Visit&& visit) const {
        const std::uint32_t key = keyOf(hash);
        for (std::size_t i = home(key);; i = next(i)) {
            const std::uint64_t slot = slots_[i];
            if (slot == kEmpty)
                return false;
            if (std::uint32_t(slot >> 32) == key &&
                visit(int((std::uint32_t(slot) - 1) >> 3), Transform((slot - 1) & 7)))
                return true;
        }
    }

    void add(std::uint64_t hash, int cell, Transform t) {
        if ((used_ + 1) * 5 > capacity() * 4)
            resize(capacity() * 2);
        place(std::uint64_t(keyOf(hash)) << 32 | ((std::uint64_t(cell) << 3 | t) + 1));
        ++used_;
    }

private:
    // Never 0, so that an empty slot is all zeros.
    static std::uint32_t keyOf(std::uint64_t hash) { return std::uint32_t(hash >> 32) | 1u; }
    std::size_t capacity() const { return capacity_; }
    std::size_t home(std::uint32_t key) const {
        return std::size_t((std::uint64_t(key) * capacity()) >> 32);
    }
    std::size_t next(std::size_t i) const { return i + 1 == capacity() ? 0 : i + 1; }

    void place(std::uint64_t slot) {
        std::size_t i = home(std::uint32_t(slot >> 32));
        while (slots_[i] != kEmpty)
            i = next(i);
        slots_[i] = slot;
    }

    struct Free {
        void operator()(std::uint64_t* p) const { std::free(p); }
    };
    using Slots = std::unique_ptr<std::uint64_t[], Free>;

    // Lookups land anywhere in the table: in 2 MiB pages where the system has
    // them, a miss costs one trip to memory instead of a page walk as well.
    static Slots allocate(std::size_t size) {
        constexpr std::size_t kHugePage = std::size_t(2) << 20;
        std::size_t bytes = size * sizeof(std::uint64_t);
        bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        Slots table(static_cast<std::uint64_t*>(std::aligned_alloc(kHugePage, bytes)));
        if (!table)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        (void)::madvise(table.get(), bytes, MADV_HUGEPAGE);
#endif
        std::memset(table.get(), 0, size * sizeof(std::uint64_t));
        return table;
    }

    void resize(std::size_t size) {
        Slots old = allocate(size);
        std::swap(old, slots_);
        const std::size_t oldCapacity = capacity_;
        capacity_ = size;
        for (std::size_t i = 0; i < oldCapacity; ++i) {
            if (old[i] != kEmpty)
                place(old[i]);
        }
    }

    Slots slots_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

} // namespace

bool isBlank(const QImage& image, const QRect& cell) {
    const Sheet sheet(image);
    const QRgb first = visible(sheet.row(cell, 0)[0]);
    for (int y = 0; y < cell.height(); ++y) {
        const Pixels line = sheet.row(cell, y);
        for (int x = 0; x < cell.width(); ++x) {
            if (visible(line[x]) != first)
                return false;
        }
    }
    return true;
}

std::optional<Plan> planCut(const QImage& image, const CutOptions& options,
                            const std::atomic<bool>* cancel) {
    Q_ASSERT(image.format() == QImage::Format_ARGB32);
    Plan plan;
    plan.grid = layoutGrid(image.size(), options.grid);
    const int cells = plan.grid.cellCount();
    plan.placements.reserve(std::size_t(cells));
    adviseHugePages(plan.placements.data(), std::size_t(cells) * sizeof(Placement));
    plan.placements.resize(std::size_t(cells));
    plan.tileCells.reserve(std::size_t(cells));
    adviseHugePages(plan.tileCells.data(), std::size_t(cells) * sizeof(int));
    const Sheet sheet(image);

    // Each written tile is filed under the hash of every form it may show in;
    // a cell then needs one hash of its own and a pixel check of the few tiles
    // filed under it.
    const bool square = options.grid.tileWidth == options.grid.tileHeight;
    std::array<Transform, 8> forms{};
    int formCount = 1;
    if (options.merge == Merge::Flips) {
        for (Transform t : kAllTransforms) {
            if (t != kIdentity && (square || !(t & kFlipD)))
                forms[std::size_t(formCount++)] = t;
        }
    }
    FormTable seen(options.merge == Merge::None ? 0 : std::size_t(cells));
    std::array<std::uint64_t, 8> hashes{};
    // The hashes of the next cells, their slots asked for early: with many cells
    // the table is far larger than any cache, and the lookups overlap their waits.
    constexpr std::size_t kAhead = 16;
    std::array<std::uint64_t, kAhead> ahead{};
    if (options.merge != Merge::None) {
        for (int i = 0; i < std::min(int(kAhead), cells); ++i)
            ahead[std::size_t(i)] = hashCell(sheet, plan.grid.cell(i));
    }

    const int columns = plan.grid.columns;
    for (int i = 0; i < cells; ++i) {
        if (cancel && i % columns == 0 && cancel->load(std::memory_order_relaxed))
            return std::nullopt;
        const QRect cell = plan.grid.cell(i);
        Placement& placement = plan.placements[std::size_t(i)];
        std::uint64_t h = 0;
        if (options.merge != Merge::None) {
            h = ahead[std::size_t(i) % kAhead];
            if (i + int(kAhead) < cells) {
                const std::uint64_t later = hashCell(sheet, plan.grid.cell(i + int(kAhead)));
                ahead[std::size_t(i) % kAhead] = later;
                seen.prefetch(later);
            }
        }
        if ((options.skipBlank && isBlank(image, cell)) ||
            (options.skip != Skip::None && skipsCell(image, cell, options.skip))) {
            ++plan.blank;
            continue;
        }
        if (options.merge != Merge::None) {
            // Among several matches (a symmetric tile) the first filed wins: the
            // earliest tile, then the identity and the forms in their fixed
            // order. Only a tile's own forms can match (two tiles that match one
            // cell would have been merged), so the first tile found is the one.
            int matchCell = -1;
            Transform matchForm = kIdentity;
            seen.find(h, [&](int tileCell, Transform t) {
                if ((matchCell >= 0 && (tileCell != matchCell || t >= matchForm)) ||
                    !sameUnder(sheet, plan.grid.cell(tileCell), t, cell))
                    return false;
                matchCell = tileCell;
                matchForm = t;
                return t == kIdentity;
            });
            if (matchCell >= 0) {
                placement = Placement{plan.placements[std::size_t(matchCell)].tile, matchForm};
                ++plan.duplicates;
                continue;
            }
            // A form that shows the same pixels as an earlier one (a symmetric
            // tile, or any 1 x 1 cell) would never be the first match: not filed.
            hashes[0] = h;
            seen.add(h, i, kIdentity);
            for (int f = 1; f < formCount; ++f) {
                const Transform t = forms[std::size_t(f)];
                const std::uint64_t ht =
                    cell.width() * cell.height() == 1 ? h : hashTransformed(sheet, cell, t);
                bool repeats = false;
                for (int e = 0; e < f && !repeats; ++e)
                    repeats = hashes[std::size_t(e)] == ht &&
                              sameFormsOf(sheet, cell, forms[std::size_t(e)], t);
                hashes[std::size_t(f)] = ht;
                if (!repeats)
                    seen.add(ht, i, t);
            }
        }
        placement = Placement{plan.tileCount(), kIdentity};
        plan.tileCells.push_back(i);
    }
    return plan;
}

Plan planCut(const QImage& image, const CutOptions& options) {
    return *planCut(image, options, nullptr);
}

} // namespace cut
