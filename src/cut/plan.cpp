#include "plan.h"

#include <cstring>
#include <unordered_map>

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

constexpr std::uint64_t kPrime = 0x100000001b3ull;
constexpr std::uint64_t kSeed = 0xcbf29ce484222325ull;

// What a pixel counts as when cells are compared: every pixel of alpha 0 is the
// same, whatever colour the sheet hides in it.
inline QRgb key(QRgb p) {
    return qAlpha(p) == 0 ? 0 : p;
}

std::uint64_t mix(std::uint64_t h, QRgb p) {
    return (h ^ key(p)) * kPrime;
}

// The hash of the cell's pixels in rows from the top left.
std::uint64_t hashCell(const Sheet& sheet, const QRect& cell) {
    std::uint64_t h = kSeed;
    for (int y = 0; y < cell.height(); ++y) {
        const Pixels line = sheet.row(cell, y);
        for (int x = 0; x < cell.width(); ++x)
            h = mix(h, line[x]);
    }
    return h;
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
    return h;
}

// Whether `cell` shows exactly what `tile` shows under the transform.
bool sameUnder(const Sheet& sheet, const QRect& tile, Transform t, const QRect& cell) {
    if (t == kIdentity) {
        const std::size_t bytes = std::size_t(cell.width()) * sizeof(QRgb);
        for (int y = 0; y < cell.height(); ++y) {
            const Pixels a = sheet.row(tile, y), b = sheet.row(cell, y);
            if (std::memcmp(a, b, bytes) == 0)
                continue;
            for (int x = 0; x < cell.width(); ++x) {
                if (key(a[x]) != key(b[x]))
                    return false;
            }
        }
        return true;
    }
    for (int y = 0; y < cell.height(); ++y) {
        const Pixels line = sheet.row(cell, y);
        for (int x = 0; x < cell.width(); ++x) {
            if (key(sheet.at(tile, sourcePixel(t, tile.size(), x, y))) != key(line[x]))
                return false;
        }
    }
    return true;
}

struct Candidate {
    int tile;
    Transform transform;
};

} // namespace

bool isBlank(const QImage& image, const QRect& cell) {
    const Sheet sheet(image);
    const QRgb first = key(sheet.row(cell, 0)[0]);
    for (int y = 0; y < cell.height(); ++y) {
        const Pixels line = sheet.row(cell, y);
        for (int x = 0; x < cell.width(); ++x) {
            if (key(line[x]) != first)
                return false;
        }
    }
    return true;
}

Plan planCut(const QImage& image, const CutOptions& options) {
    Q_ASSERT(image.format() == QImage::Format_ARGB32);
    Plan plan;
    plan.grid = layoutGrid(image.size(), options.grid);
    const int cells = plan.grid.cellCount();
    plan.placements.resize(std::size_t(cells));
    const Sheet sheet(image);

    // Each written tile is filed under the hash of every form it may show in;
    // a cell then needs one hash of its own and a pixel check of the few tiles
    // filed under it.
    const bool square = options.grid.tileWidth == options.grid.tileHeight;
    std::vector<Transform> forms{kIdentity};
    if (options.merge == Merge::Flips) {
        for (Transform t : kAllTransforms) {
            if (t != kIdentity && (square || !(t & kFlipD)))
                forms.push_back(t);
        }
    }
    std::unordered_multimap<std::uint64_t, Candidate> seen;

    for (int i = 0; i < cells; ++i) {
        const QRect cell = plan.grid.cell(i);
        Placement& placement = plan.placements[std::size_t(i)];
        if (options.skipBlank && isBlank(image, cell)) {
            ++plan.blank;
            continue;
        }
        if (options.merge != Merge::None) {
            const std::uint64_t h = hashCell(sheet, cell);
            // Among several matches (a symmetric tile) the first filed wins: the
            // identity, then the forms in their fixed order.
            const Candidate* match = nullptr;
            const auto [from, to] = seen.equal_range(h);
            for (auto it = from; it != to; ++it) {
                const Candidate& c = it->second;
                const QRect tileCell = plan.grid.cell(plan.tileCells[std::size_t(c.tile)]);
                if ((!match || c.tile < match->tile ||
                     (c.tile == match->tile && c.transform < match->transform)) &&
                    sameUnder(sheet, tileCell, c.transform, cell))
                    match = &c;
            }
            if (match) {
                placement = Placement{match->tile, match->transform};
                ++plan.duplicates;
                continue;
            }
            const int tile = plan.tileCount();
            for (Transform t : forms)
                seen.emplace(t == kIdentity ? h : hashTransformed(sheet, cell, t),
                             Candidate{tile, t});
        }
        placement = Placement{plan.tileCount(), kIdentity};
        plan.tileCells.push_back(i);
    }
    return plan;
}

} // namespace cut
