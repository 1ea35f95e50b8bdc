#include "detect/sprites.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <thread>
#include <tuple>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ORVANE_AVX2 1
#endif

namespace detect {

namespace {

#ifdef ORVANE_AVX2
// Whether this processor has AVX2, and it is not turned off by the variable Qt
// reads for the same purpose (QT_NO_CPU_FEATURE=avx2), which is also how the
// other path is tested on processors that have it.
bool useAvx2() {
    static const bool use = [] {
        const QByteArray off = qgetenv("QT_NO_CPU_FEATURE").toLower();
        return __builtin_cpu_supports("avx2") && !off.split(' ').contains("avx2");
    }();
    return use;
}

// Whole words of a row, one bit a pixel of alpha above 0, thirty-two pixels at
// a time.
__attribute__((target("avx2"))) void opaqueWords(const QRgb* line, int words, uint64_t* bits) {
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    // Packing works within each half of the register; this puts the pixels
    // back in their order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (int w = 0; w < words; ++w) {
        // No lambda: it would not share the function's target.
        const auto* p = reinterpret_cast<const __m256i*>(line + w * 64);
        uint64_t m = 0;
        for (int i = 0; i < 8; i += 4) {
            const __m256i front =
                _mm256_packs_epi32(_mm256_and_si256(_mm256_loadu_si256(p + i), alpha),
                                   _mm256_and_si256(_mm256_loadu_si256(p + i + 1), alpha));
            const __m256i back =
                _mm256_packs_epi32(_mm256_and_si256(_mm256_loadu_si256(p + i + 2), alpha),
                                   _mm256_and_si256(_mm256_loadu_si256(p + i + 3), alpha));
            const __m256i bytes =
                _mm256_permutevar8x32_epi32(_mm256_packs_epi16(front, back), order);
            const auto clear = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, zero)));
            m |= uint64_t(~clear) << (i * 8);
        }
        bits[w] = m;
    }
}
#endif

// A run of pixels [x0, x1) of one row, and the region it belongs to.
struct Run {
    int x0;
    int x1;
    int label;
};

// A region of runs: a union-find node whose root holds the box of all its
// runs, and for the background whether it reaches the sheet's edge.
struct Region {
    int parent;
    int left, top, right, bottom; // right and bottom exclusive
    bool edge;
};

class Regions {
public:
    int add(const Run& run, int y, bool edge) {
        const int label = int(nodes.size());
        nodes.push_back({label, run.x0, y, run.x1, y + 1, edge});
        return label;
    }
    int find(int i) {
        while (nodes[std::size_t(i)].parent != i) {
            Region& node = nodes[std::size_t(i)];
            node.parent = nodes[std::size_t(node.parent)].parent;
            i = node.parent;
        }
        return i;
    }
    int unite(int a, int b) {
        a = find(a);
        b = find(b);
        if (a == b)
            return a;
        if (b < a)
            std::swap(a, b);
        Region& root = nodes[std::size_t(a)];
        const Region& other = nodes[std::size_t(b)];
        root.left = std::min(root.left, other.left);
        root.top = std::min(root.top, other.top);
        root.right = std::max(root.right, other.right);
        root.bottom = std::max(root.bottom, other.bottom);
        root.edge = root.edge || other.edge;
        nodes[std::size_t(b)].parent = a;
        return a;
    }
    // Another band's regions after these, their labels moved up by this many.
    int append(const Regions& other) {
        const int offset = int(nodes.size());
        for (Region node : other.nodes) {
            node.parent += offset;
            nodes.push_back(node);
        }
        return offset;
    }
    std::vector<Region> nodes;
};

// Labels the runs of one row against those of the row above. `reach` is 1 for
// 8-connected regions (runs that meet at a corner belong together), 0 for
// 4-connected ones: the key's, which alone need to know whether they reach the
// sheet's edge.
template <int reach>
void labelRow(Regions& regions, const std::vector<Run>& above, std::vector<Run>& row, int y,
              int width, bool edgeRow) {
    constexpr bool edges = reach == 0;
    const Run* a = above.data();
    const std::size_t count = above.size();
    std::size_t j = 0;
    for (Run& run : row) {
        while (j < count && a[j].x1 + reach <= run.x0)
            ++j;
        const bool edge = edges && (edgeRow || run.x0 == 0 || run.x1 == width);
        if (j == count || a[j].x0 >= run.x1 + reach) {
            run.label = regions.add(run, y, edge);
            continue;
        }
        int label = regions.find(a[j].label);
        for (std::size_t k = j + 1; k < count && a[k].x0 < run.x1 + reach; ++k)
            label = regions.unite(label, a[k].label);
        run.label = label;
        Region& root = regions.nodes[std::size_t(label)];
        root.left = std::min(root.left, run.x0);
        root.right = std::max(root.right, run.x1);
        root.bottom = y + 1;
        if constexpr (edges)
            root.edge = root.edge || edge;
    }
}

// Joins the regions of a band's last row with those of the next band's first.
template <int reach>
void joinRows(Regions& regions, const std::vector<Run>& above, int aboveOffset,
              const std::vector<Run>& below, int belowOffset) {
    std::size_t j = 0;
    for (const Run& run : below) {
        while (j < above.size() && above[j].x1 + reach <= run.x0)
            ++j;
        for (std::size_t k = j; k < above.size() && above[k].x0 < run.x1 + reach; ++k)
            regions.unite(above[k].label + aboveOffset, run.label + belowOffset);
    }
}

inline bool transparent(QRgb p) {
    return (p >> 24) == 0;
}

// A row is classified into one bit a pixel first, sixteen pixels at a time
// where the processor has SSE2; the runs are then read off the bits a word at
// a time, so that the long stretches of one kind that make up most of a sheet
// cost next to nothing.
class RowScan {
public:
    explicit RowScan(int width)
        : width(width)
        , words((width + 63) / 64)
        , bits(std::size_t(words) + 1, 0)
        , cuts(std::size_t(width) + 2) {}

    // A bit for each pixel of alpha above 0.
    void opaque(const QRgb* line) {
        int w = 0;
#ifdef ORVANE_AVX2
        if (useAvx2()) {
            w = width / 64;
            opaqueWords(line, w, bits.data());
        }
#endif
        for (; w < words; ++w) {
            const int base = w * 64;
            const int count = std::min(64, width - base);
            uint64_t m = 0;
#ifdef __SSE2__
            if (count == 64) {
                // The alpha bytes alone, packed with signed saturation down to
                // one byte a pixel that is 0 only for alpha 0.
                const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
                const auto four = [&](int i) {
                    return _mm_and_si128(
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + base + i)), alpha);
                };
                const __m128i zero = _mm_setzero_si128();
                for (int i = 0; i < 64; i += 16) {
                    const __m128i low = _mm_packs_epi32(four(i), four(i + 4));
                    const __m128i high = _mm_packs_epi32(four(i + 8), four(i + 12));
                    const __m128i clear = _mm_cmpeq_epi8(_mm_packs_epi16(low, high), zero);
                    m |= uint64_t(uint32_t(_mm_movemask_epi8(clear)) ^ 0xFFFFu) << i;
                }
                bits[std::size_t(w)] = m;
                continue;
            }
#endif
            for (int i = 0; i < count; ++i)
                m |= uint64_t(line[base + i] >= 0x01000000u) << i;
            bits[std::size_t(w)] = m;
        }
    }

    // A bit for each pixel of the key's colour or of alpha 0.
    void keyed(const QRgb* line, const KeyColour& key) {
        const int r = qRed(key.colour), g = qGreen(key.colour), b = qBlue(key.colour);
        const int t = key.tolerance;
        for (int w = 0; w < words; ++w) {
            const int base = w * 64;
            const int count = std::min(64, width - base);
            uint64_t m = 0;
#ifdef __SSE2__
            if (count == 64) {
                // A pixel is near the key when clamping each of its bytes to
                // the key's range leaves it as it is (alpha's range is all of
                // 0 to 255); sixteen pixels' answers packed into one movemask.
                const auto low = [&](int c) { return std::max(c - t, 0); };
                const auto high = [&](int c) { return std::min(c + t, 255); };
                const __m128i least = _mm_set1_epi32(int(qRgba(low(r), low(g), low(b), 0)));
                const __m128i most = _mm_set1_epi32(int(qRgba(high(r), high(g), high(b), 255)));
                const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
                const __m128i zero = _mm_setzero_si128();
                const auto four = [&](int i) {
                    const __m128i p =
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + base + i));
                    const __m128i near =
                        _mm_cmpeq_epi32(_mm_min_epu8(_mm_max_epu8(p, least), most), p);
                    const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(p, alpha), zero);
                    return _mm_or_si128(near, clear);
                };
                for (int i = 0; i < 64; i += 16) {
                    const __m128i front = _mm_packs_epi32(four(i), four(i + 4));
                    const __m128i back = _mm_packs_epi32(four(i + 8), four(i + 12));
                    m |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_packs_epi16(front, back)))) << i;
                }
                bits[std::size_t(w)] = m;
                continue;
            }
#endif
            for (int i = 0; i < count; ++i) {
                const QRgb p = line[base + i];
                const bool near = std::abs(qRed(p) - r) <= t && std::abs(qGreen(p) - g) <= t &&
                                  std::abs(qBlue(p) - b) <= t;
                m |= uint64_t(near || p < 0x01000000u) << i;
            }
            bits[std::size_t(w)] = m;
        }
    }

    // The runs of set bits, and with `clear` those of clear bits, from the
    // places where a pixel differs from the one before it (a clear one before
    // the first); the bits past the width are clear.
    void runs(std::vector<Run>& set, std::vector<Run>* clear = nullptr) {
        int* cut = cuts.data();
        int n = 0;
        uint64_t carry = 0;
        for (int w = 0; w < words; ++w) {
            const uint64_t m = bits[std::size_t(w)];
            uint64_t changes = m ^ ((m << 1) | carry);
            carry = m >> 63;
            while (changes != 0) {
                cut[n++] = w * 64 + __builtin_ctzll(changes);
                changes &= changes - 1;
            }
        }
        if (carry != 0)
            cut[n++] = width;
        // The changes alternate: a set run begins, it ends, the next begins.
        set.resize(std::size_t(n / 2));
        for (int i = 0; i < n / 2; ++i)
            set[std::size_t(i)] = {cut[2 * i], cut[2 * i + 1], -1};
        if (!clear)
            return;
        clear->clear();
        int x = 0;
        for (int i = 0; i < n; i += 2) {
            if (cut[i] > x)
                clear->push_back({x, cut[i], -1});
            x = cut[i + 1];
        }
        if (x < width)
            clear->push_back({x, width, -1});
    }

private:
    int width;
    int words;
    std::vector<uint64_t> bits;
    std::vector<int> cuts;
};

// What one band of rows learns on its own: its regions, the runs of its first
// and last rows to join with the bands beside it, and with a key the key's
// runs next to which sprite regions lie, as long as those runs were not yet
// known to reach the edge.
struct Band {
    int top = 0;
    int bottom = 0;
    Regions sprites;
    Regions background;
    std::vector<std::pair<int, int>> beside; // background label, sprite label
    std::vector<Run> firstSprites, lastSprites, firstBackground, lastBackground;
};

void scanBand(const QImage& image, const SpriteOptions& options, Band& band) {
    const int width = image.width();
    const int height = image.height();
    RowScan scan(width);
    std::vector<Run> above, row, aboveKey, rowKey;
    above.reserve(std::size_t(width / 2 + 1));
    row.reserve(std::size_t(width / 2 + 1));
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    const qsizetype rowBytes = qsizetype(width) * qsizetype(sizeof(QRgb));
    for (int y = band.top; y < band.bottom; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const bool edgeRow = y == 0 || y == height - 1;
        // The next row is fetched while this one is labelled, which reads no
        // pixels and would leave the memory idle.
        if (y + 1 < band.bottom) {
            const auto* next = reinterpret_cast<const char*>(line + stride);
            for (qsizetype i = 0; i < rowBytes; i += 64)
                __builtin_prefetch(next + i);
        }
        if (!options.key) {
            scan.opaque(line);
            scan.runs(row);
        } else {
            // The key's runs, 4-connected, and the sprites' between them.
            scan.keyed(line, *options.key);
            scan.runs(rowKey, &row);
            labelRow<0>(band.background, aboveKey, rowKey, y, width, edgeRow);
        }
        labelRow<1>(band.sprites, above, row, y, width, edgeRow);
        if (options.key) {
            // A key run not yet known to reach the edge lies between two
            // sprite runs; should it turn out shut in, both are one sprite
            // with it. Neighbours within the row are enough: the sprite around
            // a shut-in region lies left of its top row's first pixel, and a
            // sprite inside it has that region left of its own top row's first.
            const std::size_t first = !row.empty() && row[0].x0 == 0 ? 1 : 0;
            for (std::size_t i = 0; i < rowKey.size(); ++i) {
                const Run& run = rowKey[i];
                if (run.x0 == 0 || run.x1 == width ||
                    band.background.nodes[std::size_t(band.background.find(run.label))].edge)
                    continue;
                band.beside.emplace_back(run.label, row[i + first - 1].label);
                band.beside.emplace_back(run.label, row[i + first].label);
            }
        }
        if (y == band.top) {
            band.firstSprites = row;
            band.firstBackground = rowKey;
        }
        std::swap(above, row);
        std::swap(aboveKey, rowKey);
    }
    band.lastSprites = std::move(above);
    band.lastBackground = std::move(aboveKey);
}

// As many bands as processors for sheets large enough to be worth a thread.
int bandCount(int width, int height) {
    constexpr qint64 kPixelsPerBand = qint64(1) << 20;
    constexpr int kFewestRows = 64;
    const qint64 processors = std::max(1u, std::thread::hardware_concurrency());
    return int(std::clamp<qint64>(
        std::min(qint64(width) * height / kPixelsPerBand, qint64(height / kFewestRows)), 1,
        processors));
}

// The regions of all bands as one, joined across the rows where the bands meet,
// and the shut-in key regions made part of the sprites around them and within.
Regions joinBands(std::vector<Band>& bands, bool keyed) {
    Regions sprites = std::move(bands[0].sprites);
    Regions background = std::move(bands[0].background);
    std::vector<int> spriteOffset{0}, backgroundOffset{0};
    for (std::size_t b = 1; b < bands.size(); ++b) {
        spriteOffset.push_back(sprites.append(bands[b].sprites));
        backgroundOffset.push_back(background.append(bands[b].background));
        joinRows<1>(sprites, bands[b - 1].lastSprites, spriteOffset[b - 1], bands[b].firstSprites,
                    spriteOffset[b]);
        joinRows<0>(background, bands[b - 1].lastBackground, backgroundOffset[b - 1],
                    bands[b].firstBackground, backgroundOffset[b]);
    }
    if (keyed) {
        // Each shut-in key region's sprite: the first sprite found beside it.
        std::vector<int> sprite(background.nodes.size(), -1);
        for (std::size_t b = 0; b < bands.size(); ++b) {
            for (const auto& [key, beside] : bands[b].beside) {
                const int region = background.find(key + backgroundOffset[b]);
                if (background.nodes[std::size_t(region)].edge)
                    continue;
                int& into = sprite[std::size_t(region)];
                const int label = beside + spriteOffset[b];
                into = into < 0 ? sprites.find(label) : sprites.unite(into, label);
            }
        }
    }
    return sprites;
}

QImage readable(const QImage& sheet) {
    if (sheet.format() == QImage::Format_ARGB32 || sheet.format() == QImage::Format_RGB32)
        return sheet;
    return sheet.convertToFormat(QImage::Format_ARGB32);
}

// Pixels between two boxes along one side: 0 when they touch or overlap.
int gap(int aFrom, int aTo, int bFrom, int bTo) {
    return std::max({0, bFrom - aTo, aFrom - bTo});
}

// Joins boxes at most `distance` apart into their union, again until none are.
void joinClose(std::vector<QRect>& boxes, int distance) {
    bool joined = true;
    while (joined) {
        joined = false;
        std::sort(boxes.begin(), boxes.end(),
                  [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
        std::vector<bool> gone(boxes.size(), false);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (gone[i])
                continue;
            for (std::size_t k = i + 1;
                 k < boxes.size() && boxes[k].left() <= boxes[i].x() + boxes[i].width() + distance;
                 ++k) {
                if (gone[k])
                    continue;
                const QRect& a = boxes[i];
                const QRect& b = boxes[k];
                if (gap(a.top(), a.y() + a.height(), b.top(), b.y() + b.height()) <= distance &&
                    gap(a.left(), a.x() + a.width(), b.left(), b.x() + b.width()) <= distance) {
                    boxes[i] = a.united(b);
                    gone[k] = true;
                    joined = true;
                }
            }
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (!gone[i])
                boxes[kept++] = boxes[i];
        boxes.resize(kept);
    }
}

void readingOrder(std::vector<QRect>& boxes) {
    // Whole boxes compared, so that the order never depends on the order the
    // regions were found in.
    std::sort(boxes.begin(), boxes.end(), [](const QRect& a, const QRect& b) {
        return std::make_tuple(a.top(), a.left(), a.width(), a.height()) <
               std::make_tuple(b.top(), b.left(), b.width(), b.height());
    });
    std::size_t first = 0;
    while (first < boxes.size()) {
        // A row grows while the next box begins above its lowest bottom.
        int bottom = boxes[first].y() + boxes[first].height();
        std::size_t end = first + 1;
        while (end < boxes.size() && boxes[end].top() < bottom) {
            bottom = std::max(bottom, boxes[end].y() + boxes[end].height());
            ++end;
        }
        std::stable_sort(boxes.begin() + std::ptrdiff_t(first), boxes.begin() + std::ptrdiff_t(end),
                         [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
        first = end;
    }
}

} // namespace

std::vector<QRect> findSprites(const QImage& sheet, const SpriteOptions& options) {
    return findSprites(sheet, options, bandCount(sheet.width(), sheet.height()));
}

std::vector<QRect> findSprites(const QImage& sheet, const SpriteOptions& options, int count) {
    const QImage image = readable(sheet);
    if (image.isNull())
        return {};
    const int height = image.height();
    count = std::clamp(count, 1, height);
    std::vector<Band> bands{std::size_t(count)};
    for (int i = 0; i < count; ++i) {
        bands[std::size_t(i)].top = int(qint64(height) * i / count);
        bands[std::size_t(i)].bottom = int(qint64(height) * (i + 1) / count);
    }
    // No exception may leave a thread: the first is thrown here once all are done.
    std::vector<std::exception_ptr> failed(bands.size());
    const auto scan = [&](std::size_t b) {
        try {
            scanBand(image, options, bands[b]);
        } catch (...) {
            failed[b] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        for (std::size_t b = 1; b < bands.size(); ++b)
            threads.emplace_back(scan, b);
        scan(0);
    }
    for (const std::exception_ptr& failure : failed)
        if (failure)
            std::rethrow_exception(failure);
    Regions regions = joinBands(bands, options.key.has_value());

    std::vector<QRect> boxes;
    for (std::size_t i = 0; i < regions.nodes.size(); ++i) {
        const Region& r = regions.nodes[i];
        if (r.parent == int(i))
            boxes.emplace_back(QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top));
    }
    if (options.join > 0)
        joinClose(boxes, options.join);
    boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                               [&](const QRect& box) {
                                   return box.width() < options.minSize &&
                                          box.height() < options.minSize;
                               }),
                boxes.end());
    readingOrder(boxes);
    return boxes;
}

QImage cutSprite(const QImage& sheet, const QRect& sprite, const SpriteOptions& options) {
    QImage cut = readable(sheet).copy(sprite).convertToFormat(QImage::Format_ARGB32);
    if (!options.key)
        return cut;
    // The key's 4-connected regions inside the rectangle; those that reach its
    // edge are the background around the sprite.
    const int width = cut.width();
    const int height = cut.height();
    RowScan scan(width);
    Regions background;
    std::vector<Run> above, row, keyed;
    std::vector<std::size_t> rowStart{0};
    for (int y = 0; y < height; ++y) {
        scan.keyed(reinterpret_cast<const QRgb*>(cut.constScanLine(y)), *options.key);
        scan.runs(row);
        labelRow<0>(background, above, row, y, width, y == 0 || y == height - 1);
        keyed.insert(keyed.end(), row.begin(), row.end());
        rowStart.push_back(keyed.size());
        std::swap(above, row);
    }
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(cut.scanLine(y));
        for (std::size_t i = rowStart[std::size_t(y)]; i < rowStart[std::size_t(y) + 1]; ++i)
            if (background.nodes[std::size_t(background.find(keyed[i].label))].edge)
                std::fill(line + keyed[i].x0, line + keyed[i].x1, QRgb(0));
    }
    return cut;
}

std::optional<KeyChoice> parseKey(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char(','));
    if (parts.size() > 2)
        return std::nullopt;
    KeyChoice choice;
    const QString colour = parts[0].trimmed();
    if (colour.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        choice.fromCorners = true;
    } else {
        bool ok = false;
        const uint value = colour.toUInt(&ok, 16);
        if (!ok || colour.size() != 6 || colour.startsWith(QLatin1Char('+')))
            return std::nullopt;
        choice.key.colour =
            qRgb(int(value >> 16) & 0xFF, int(value >> 8) & 0xFF, int(value) & 0xFF);
    }
    if (parts.size() == 2) {
        bool ok = false;
        const QString digits = parts[1].trimmed();
        const int tolerance = digits.toInt(&ok);
        if (!ok || tolerance < 0 || tolerance > 255 || digits.startsWith(QLatin1Char('+')))
            return std::nullopt;
        choice.key.tolerance = tolerance;
    }
    return choice;
}

std::optional<QRgb> cornerColour(const QImage& sheet) {
    if (sheet.isNull())
        return std::nullopt;
    const auto at = [&](int x, int y) {
        const QRgb p = sheet.pixel(x, y);
        return transparent(p) ? QRgb(0) : p;
    };
    const int r = sheet.width() - 1;
    const int b = sheet.height() - 1;
    const QRgb corner = at(0, 0);
    if (at(r, 0) != corner || at(0, b) != corner || at(r, b) != corner)
        return std::nullopt;
    return corner;
}

std::optional<std::size_t> firstTooLarge(const std::vector<QRect>& sprites, QSize cell) {
    for (std::size_t i = 0; i < sprites.size(); ++i)
        if (sprites[i].width() > cell.width() || sprites[i].height() > cell.height())
            return i;
    return std::nullopt;
}

QPoint padOffset(QSize sprite, QSize cell) {
    return {(cell.width() - sprite.width()) / 2, cell.height() - sprite.height()};
}

QImage padSprite(const QImage& sprite, QSize cell) {
    QImage padded(cell, QImage::Format_ARGB32);
    padded.fill(Qt::transparent);
    const QImage source = sprite.convertToFormat(QImage::Format_ARGB32);
    const QPoint at = padOffset(sprite.size(), cell);
    // A straight copy: painting would blend and round semi-transparent pixels.
    for (int y = 0; y < source.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(source.constScanLine(y)), source.width(),
                    reinterpret_cast<QRgb*>(padded.scanLine(y + at.y())) + at.x());
    return padded;
}

} // namespace detect
