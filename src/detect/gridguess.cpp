#include "detect/gridguess.h"

#include "detect/sprites.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace detect {

namespace {

// Gutters fit only thin lines: a band wider than this share of the tile is
// more likely the background around sprites centred in their cells.
constexpr int kMaxMargin = 16;
constexpr int kMinGutterTile = 4;
// The least share of the cells' edge pixels that must differ from the gutters.
constexpr double kGutterCover = 0.25;
// Without gutters, a period shorter than this is taken for a texture.
constexpr int kMinPeriodTile = 8;
// The least autocorrelation of the lines' changes at the tile's period, and
// the least prominence of its peaks, that count as a period.
constexpr double kTrustedPeriod = 0.2;
constexpr double kTrustedPeak = 0.1;
// The least autocorrelation of the lines' filled pixels at the cells' period.
constexpr double kTrustedFill = 0.3;

// What one pass over the sheet learns about its lines of pixels, along one
// side: whether each line is of one colour (and which), and how much it
// differs from the line before it.
struct Lines {
    std::vector<char> uniform;
    std::vector<QRgb> colour;
    std::vector<double> change; // change[0] is 0: no line before the first
    std::vector<double> filled; // pixels of alpha > 0
};

inline QRgb canonical(QRgb p) {
    // An invisible pixel has no colour.
    return (p >> 24) == 0 ? 0 : p;
}

inline uint32_t difference(QRgb a, QRgb b) {
    const auto channel = [](QRgb a, QRgb b, int shift) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        return uint32_t(d < 0 ? -d : d);
    };
    return channel(a, b, 0) + channel(a, b, 8) + channel(a, b, 16) + channel(a, b, 24);
}

void readLines(const QImage& sheet, Lines& columns, Lines& rows) {
    const QImage image =
        sheet.format() == QImage::Format_ARGB32 || sheet.format() == QImage::Format_RGB32
            ? sheet
            : sheet.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const auto count = std::size_t(width);
    std::vector<QRgb> previous(count), line(count);
    std::vector<uint32_t> columnChange(count, 0);
    std::vector<uint8_t> columnSame(count, 1);
    std::vector<uint32_t> columnFilled(count, 0);
    rows.filled.assign(std::size_t(height), 0);
    rows.uniform.assign(std::size_t(height), 0);
    rows.colour.assign(std::size_t(height), 0);
    rows.change.assign(std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb* cur = line.data();
        for (int x = 0; x < width; ++x)
            cur[x] = canonical(source[x]);
        if (y == 0)
            std::copy(line.begin(), line.end(), previous.begin());
        const QRgb first = cur[0];
        uint32_t across = 0;
        uint32_t filledAcross = 0;
        uint8_t same = 1;
        const QRgb* above = previous.data();
        uint32_t* change = columnChange.data();
        uint8_t* columnUniform = columnSame.data();
        uint32_t* filled = columnFilled.data();
        for (int x = 0; x < width; ++x) {
            across += difference(cur[x], above[x]);
            same &= uint8_t(cur[x] == first);
            const uint32_t opaque = cur[x] != 0 ? 1 : 0;
            filledAcross += opaque;
            filled[x] += opaque;
        }
        for (int x = 1; x < width; ++x)
            change[x] += difference(cur[x], cur[x - 1]);
        // A column is of one colour when it has its first row's colour all along.
        if (y == 0)
            columns.colour.assign(line.begin(), line.end());
        const QRgb* firstRow = columns.colour.data();
        for (int x = 0; x < width; ++x)
            columnUniform[x] &= uint8_t(cur[x] == firstRow[x]);
        rows.uniform[std::size_t(y)] = char(same);
        rows.colour[std::size_t(y)] = first;
        rows.change[std::size_t(y)] = double(across) / width;
        rows.filled[std::size_t(y)] = filledAcross;
        std::swap(previous, line);
    }
    columns.uniform.assign(columnSame.begin(), columnSame.end());
    columns.filled.assign(columnFilled.begin(), columnFilled.end());
    columns.change.resize(std::size_t(width));
    for (int x = 0; x < width; ++x)
        columns.change[std::size_t(x)] = double(columnChange[std::size_t(x)]) / height;
}

struct AxisFit {
    int tile = 0;
    int margin = 0;
    int spacing = 0;
    double confidence = 0;
    QRgb gutter = 0;
};

// Tiled's cells along one side: `count` whole cells of `tile` after `margin`,
// `spacing` apart.
int cellCount(int length, int tile, int margin, int spacing) {
    return length < margin + tile ? 0 : (length - margin + spacing) / (tile + spacing);
}

// The gutters along one side: lines of the one colour between the cells, in the
// margin and after the last whole cell, and the cells reaching out to them.
// With `forced`, only that margin and spacing are tried, and one cell is enough.
std::optional<AxisFit> fitGutters(const Lines& lines, std::optional<AxisFit> forced = {}) {
    const int length = int(lines.uniform.size());
    std::map<QRgb, int> counts;
    for (int x = 0; x < length; ++x)
        if (lines.uniform[std::size_t(x)])
            ++counts[lines.colour[std::size_t(x)]];
    std::vector<std::pair<int, QRgb>> colours;
    for (const auto& [colour, count] : counts)
        if (count >= 1)
            colours.emplace_back(count, colour);
    std::sort(colours.rbegin(), colours.rend());
    if (colours.size() > 3)
        colours.resize(3);

    std::optional<AxisFit> best;
    std::vector<int> before(std::size_t(length) + 1);
    for (const auto& [count, colour] : colours) {
        (void)count;
        // before[x]: gutter lines among the first x.
        for (int x = 0; x < length; ++x)
            before[std::size_t(x) + 1] =
                before[std::size_t(x)] +
                (lines.uniform[std::size_t(x)] && lines.colour[std::size_t(x)] == colour);
        const auto gutter = [&](int from, int to) {
            return before[std::size_t(to)] - before[std::size_t(from)] == to - from;
        };
        const auto isGutter = [&](int x) { return gutter(x, x + 1); };
        // Two cells and one gutter happen by chance on a sparse sheet; a strip
        // of cells in gutters of a colour is plain enough.
        const int fewest = forced && colour != 0 ? 1 : 3;
        for (int tile = kMinGutterTile; tile <= length; ++tile) {
            if (best && tile > best->tile + best->spacing)
                break;
            const int widest =
                forced ? forced->spacing : std::min(kMaxMargin, std::max(2, tile / 8));
            // A margin alone fits any tile that divides the rest: gutters
            // between the cells are what show the grid.
            for (int spacing = forced ? forced->spacing : 1; spacing <= widest; ++spacing) {
                const int period = tile + spacing;
                const int lastMargin = forced ? forced->margin : std::min(kMaxMargin, period - 1);
                for (int margin = forced ? forced->margin : 0; margin <= lastMargin; ++margin) {
                    const int cells = cellCount(length, tile, margin, spacing);
                    if (cells < fewest || !gutter(0, margin))
                        continue;
                    const int end = margin + cells * period - spacing;
                    if (!gutter(end, length))
                        continue;
                    bool fits = true;
                    bool startShown = false, endShown = false;
                    for (int k = 0; k < cells && fits; ++k) {
                        const int at = margin + k * period;
                        if (k + 1 < cells && !gutter(at + tile, at + period))
                            fits = false;
                        startShown = startShown || !isGutter(at);
                        endShown = endShown || !isGutter(at + tile - 1);
                    }
                    // A cell reaching the gutter on each side in some cell, or
                    // the gutter could as well be wider.
                    if (!fits || !startShown || !endShown)
                        continue;
                    if (!best || period < best->tile + best->spacing ||
                        (period == best->tile + best->spacing &&
                         std::make_pair(spacing, margin) <
                             std::make_pair(best->spacing, best->margin)))
                        best = AxisFit{tile, margin, spacing, 1.0, colour};
                }
            }
        }
    }
    return best;
}

// The autocorrelation of the values at each lag up to longest + 1, each
// normalised by the variance; none for values that never change.
std::optional<std::vector<double>> autocorrelation(std::vector<double> d, int longest) {
    const int n = int(d.size());
    double mean = 0;
    for (double v : d)
        mean += v;
    mean /= n;
    double variance = 0;
    for (double& v : d) {
        v -= mean;
        variance += v * v;
    }
    variance /= n;
    if (variance <= 0)
        return std::nullopt;
    std::vector<double> r(std::size_t(longest) + 2, 0);
    for (int lag = kMinPeriodTile - 1; lag <= longest + 1 && lag < n; ++lag) {
        double sum = 0;
        for (int x = 0; x + lag < n; ++x)
            sum += d[std::size_t(x)] * d[std::size_t(x + lag)];
        r[std::size_t(lag)] = sum / (double(n - lag) * variance);
    }
    return r;
}

// The period of the lines' changes. Their autocorrelation peaks sharply at
// every multiple of the tile's size; a texture inside the tiles adds broad
// correlation, which the prominence of each peak over its neighbours leaves
// out. The tile is the shortest lag whose multiples peak nearly as much, on
// average, as the best lag's do: a tile that repeats at twice its size repeats
// at its size too, but only half of half a tile's multiples peak.
// With `lag`, only whether that lag is a trusted period.
std::optional<AxisFit> fitPeriod(const Lines& lines, int lag = 0) {
    const int length = int(lines.change.size());
    const int longest = length / 2;
    if (longest < kMinPeriodTile)
        return std::nullopt;
    const std::optional<std::vector<double>> found =
        autocorrelation(std::vector<double>(lines.change.begin() + 1, lines.change.end()), longest);
    if (!found)
        return std::nullopt;
    const std::vector<double>& r = *found;
    const auto prominence = [&](int lag) {
        return r[std::size_t(lag)] - (r[std::size_t(lag) - 1] + r[std::size_t(lag) + 1]) / 2;
    };
    std::vector<double> peaks(std::size_t(longest) + 1, 0);
    for (int lag = kMinPeriodTile; lag <= longest; ++lag) {
        double sum = 0;
        int count = 0;
        for (int k = lag; k <= longest; k += lag, ++count)
            sum += prominence(k);
        peaks[std::size_t(lag)] = sum / count;
    }
    // Lags with one multiple only are too noisy to set the scale.
    double most = 0;
    for (int lag = kMinPeriodTile; 2 * lag <= longest; ++lag)
        most = std::max(most, peaks[std::size_t(lag)]);
    int tile = 0;
    if (lag > 0)
        tile = lag >= kMinPeriodTile && lag <= longest ? lag : 0;
    for (int lag = kMinPeriodTile; lag <= longest && tile == 0; ++lag)
        if (peaks[std::size_t(lag)] >= 0.6 * most && peaks[std::size_t(lag)] > 0)
            tile = lag;
    if (tile == 0)
        return std::nullopt;
    if (peaks[std::size_t(tile)] < kTrustedPeak || r[std::size_t(tile)] < kTrustedPeriod)
        return std::nullopt;
    return AxisFit{tile, 0, 0, std::min(1.0, r[std::size_t(tile)])};
}

// The period of how much of each line sprites on nothing fill: it falls
// between them, where the cells meet, and rises over each. Its
// autocorrelation peaks broadly at each multiple of the cell; the cell is the
// first peak nearly as high as the highest.
std::optional<AxisFit> fitFilled(const Lines& lines) {
    const int n = int(lines.filled.size());
    const int longest = n / 2;
    if (longest < kMinPeriodTile)
        return std::nullopt;
    const std::optional<std::vector<double>> found = autocorrelation(lines.filled, longest);
    if (!found)
        return std::nullopt;
    const std::vector<double>& r = *found;
    const auto peak = [&](int lag) {
        return r[std::size_t(lag)] > r[std::size_t(lag) - 1] &&
               r[std::size_t(lag)] >= r[std::size_t(lag) + 1];
    };
    double most = 0;
    for (int lag = kMinPeriodTile; 2 * lag <= longest; ++lag)
        if (peak(lag))
            most = std::max(most, r[std::size_t(lag)]);
    for (int lag = kMinPeriodTile; lag <= longest; ++lag) {
        const double top = r[std::size_t(lag)];
        if (!peak(lag) || top < 0.6 * most || top < kTrustedFill)
            continue;
        // Sprites that differ, isometric ones above all, blur the peak over a
        // few lags: the nearest within it whose cells fill the side exactly.
        for (int off = 0; off <= lag / 16; ++off) {
            for (const int near : {lag - off, lag + off}) {
                if (near < kMinPeriodTile || near > longest || r[std::size_t(near)] < 0.9 * top)
                    continue;
                if (n % near == 0)
                    return AxisFit{near, 0, 0, std::min(1.0, r[std::size_t(near)])};
            }
        }
        return AxisFit{lag, 0, 0, std::min(1.0, top)};
    }
    return std::nullopt;
}

bool agree(const AxisFit& a, const AxisFit& b) {
    return a.margin == b.margin && a.spacing == b.spacing;
}

// The share of the pixels on the cells' first and last lines, both ways, that
// are not of the gutters' colour. Tiles in a gutter grid mostly fill their
// cells; sprites on a background of that colour leave the lines along their
// cells' edges nearly empty, and the lines between the cells are then
// background, not gutters.
double edgeCover(const QImage& image, const AxisFit& across, const AxisFit& down) {
    const QRgb gutter = across.gutter;
    qint64 covered = 0, seen = 0;
    const int width = image.width();
    const int height = image.height();
    std::vector<int> edges;
    for (int k = 0; k < cellCount(width, across.tile, across.margin, across.spacing); ++k) {
        const int start = across.margin + k * (across.tile + across.spacing);
        edges.push_back(start);
        edges.push_back(start + across.tile - 1);
    }
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (const int x : edges)
            covered += canonical(line[x]) != gutter;
    }
    seen += qint64(edges.size()) * height;
    for (int k = 0; k < cellCount(height, down.tile, down.margin, down.spacing); ++k) {
        const int start = down.margin + k * (down.tile + down.spacing);
        for (const int y : {start, start + down.tile - 1}) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x)
                covered += canonical(line[x]) != gutter;
            seen += width;
        }
    }
    return seen == 0 ? 0.0 : double(covered) / double(seen);
}

// Whether whole cells of `tile` cover the side but for less than half a tile:
// sheets are drawn to their grid, perhaps with a few lines to spare.
bool fillsSide(int length, int tile) {
    return 2 * (length % tile) < tile;
}

int spritesCut(const std::vector<QRect>& sprites, int tileWidth, int tileHeight, int margin,
               int spacing);

std::optional<GuessedGrid> guess(const QImage& image, const Lines& columns, const Lines& rows,
                                 QString* whyNot) {
    const auto refuse = [&](const QString& reason) -> std::optional<GuessedGrid> {
        if (whyNot)
            *whyNot = reason;
        return std::nullopt;
    };
    std::optional<AxisFit> across = fitGutters(columns);
    std::optional<AxisFit> down = fitGutters(rows);
    // A side may show the gutters the other lacks, or show them less plainly: the
    // other side is then read with the same margin and spacing.
    if (across && (!down || !agree(*across, *down))) {
        if (auto same = fitGutters(rows, across))
            down = same;
    }
    if (down && (!across || !agree(*across, *down))) {
        if (auto same = fitGutters(columns, down))
            across = same;
    }
    if (across && down && agree(*across, *down) && across->gutter == down->gutter &&
        edgeCover(image, *across, *down) >= kGutterCover)
        return GuessedGrid{across->tile,
                           down->tile,
                           across->margin,
                           across->spacing,
                           GuessedGrid::Evidence::Gutters,
                           1.0};
    // Gutters on one side only, or unlike, are background between sprites
    // rather than a grid's: the period decides.
    // Sprites on nothing may differ too much for their edges to repeat; how much
    // of each line they fill still does.
    const bool sprites = image.hasAlphaChannel();
    std::optional<AxisFit> periodAcross = fitPeriod(columns);
    const bool edgesAcross = periodAcross.has_value();
    if (!periodAcross && sprites)
        periodAcross = fitFilled(columns);
    std::optional<AxisFit> periodDown = fitPeriod(rows);
    const bool edgesDown = periodDown.has_value();
    if (!periodDown && sprites)
        periodDown = fitFilled(rows);
    if (!periodAcross || !periodDown)
        return refuse(QStringLiteral("no grid found: the sheet shows no gutters between cells "
                                     "and its %1 do not repeat")
                          .arg(!periodAcross && !periodDown ? QStringLiteral("rows and columns")
                               : !periodAcross              ? QStringLiteral("columns")
                                                            : QStringLiteral("rows")));
    // Blocks of several tiles drawn together (the corners and edges of a piece
    // of ground) repeat on one side at a multiple of the tile. Most tiles are
    // square: when the longer side's lines repeat at the shorter period too,
    // that is the tile on both.
    if (edgesAcross && edgesDown && periodAcross->tile != periodDown->tile) {
        const bool wider = periodAcross->tile > periodDown->tile;
        AxisFit& longer = wider ? *periodAcross : *periodDown;
        const int shorter = wider ? periodDown->tile : periodAcross->tile;
        if (longer.tile % shorter == 0)
            if (const auto same = fitPeriod(wider ? columns : rows, shorter))
                longer = *same;
    }
    // A period says only that the cells are some multiple of it: sprites on
    // nothing that its cells cut, while cells of a multiple (the same on both
    // sides, at least two a side) cut none, show that multiple.
    if (sprites) {
        const std::vector<QRect> found = findSprites(image, SpriteOptions{});
        const int w = periodAcross->tile;
        const int h = periodDown->tile;
        if (found.size() >= 4 && spritesCut(found, w, h, 0, 0) > 0) {
            for (int m = 2; 2 * m * w <= image.width() && 2 * m * h <= image.height(); ++m) {
                if (fillsSide(image.width(), m * w) && fillsSide(image.height(), m * h) &&
                    spritesCut(found, m * w, m * h, 0, 0) == 0) {
                    periodAcross->tile = m * w;
                    periodDown->tile = m * h;
                    break;
                }
            }
        }
    }
    if (!fillsSide(image.width(), periodAcross->tile) ||
        !fillsSide(image.height(), periodDown->tile))
        return refuse(QStringLiteral("no grid found: the rows and columns repeat every %1x%2 "
                                     "pixels, but cells of that size do not fill the sheet")
                          .arg(periodAcross->tile)
                          .arg(periodDown->tile));
    return GuessedGrid{periodAcross->tile,
                       periodDown->tile,
                       0,
                       0,
                       GuessedGrid::Evidence::Period,
                       std::min(periodAcross->confidence, periodDown->confidence)};
}

// Whether the box lies inside one cell of the grid along one side.
bool insideOneCell(int from, int to, int tile, int margin, int spacing) {
    if (from < margin)
        return false;
    const int period = tile + spacing;
    const int start = margin + (from - margin) / period * period;
    return to <= start + tile;
}

int spritesCut(const std::vector<QRect>& sprites, int tileWidth, int tileHeight, int margin,
               int spacing) {
    int cut = 0;
    for (const QRect& s : sprites)
        if (!insideOneCell(s.left(), s.x() + s.width(), tileWidth, margin, spacing) ||
            !insideOneCell(s.top(), s.y() + s.height(), tileHeight, margin, spacing))
            ++cut;
    return cut;
}

} // namespace

bool GuessedGrid::sameGrid(int width, int height, int margin_, int spacing_) const {
    return tileWidth == width && tileHeight == height && margin == margin_ && spacing == spacing_;
}

std::optional<GuessedGrid> guessGrid(const QImage& sheet, QString* whyNot) {
    if (sheet.width() < 2 * kMinGutterTile || sheet.height() < 2 * kMinGutterTile) {
        if (whyNot)
            *whyNot = QStringLiteral("no grid found: the sheet is too small");
        return std::nullopt;
    }
    const QImage image =
        sheet.format() == QImage::Format_ARGB32 || sheet.format() == QImage::Format_RGB32
            ? sheet
            : sheet.convertToFormat(QImage::Format_ARGB32);
    Lines columns, rows;
    readLines(image, columns, rows);
    return guess(image, columns, rows, whyNot);
}

QString describeGrid(const GuessedGrid& grid) {
    return QStringLiteral("detected %1x%2, margin %3, spacing %4")
        .arg(grid.tileWidth)
        .arg(grid.tileHeight)
        .arg(grid.margin)
        .arg(grid.spacing);
}

std::optional<GuessedGrid> gridLooksWrong(const QImage& sheet, int tileWidth, int tileHeight,
                                          int margin, int spacing) {
    const std::optional<GuessedGrid> guessed = guessGrid(sheet);
    if (!guessed || guessed->sameGrid(tileWidth, tileHeight, margin, spacing))
        return std::nullopt;
    if (guessed->evidence == GuessedGrid::Evidence::Gutters)
        return guessed;
    if (!sheet.hasAlphaChannel())
        return std::nullopt;
    const std::vector<QRect> sprites = findSprites(sheet, SpriteOptions{});
    if (sprites.size() < 4)
        return std::nullopt;
    const int cutByGuess = spritesCut(sprites, guessed->tileWidth, guessed->tileHeight,
                                      guessed->margin, guessed->spacing);
    const int cutByGiven = spritesCut(sprites, tileWidth, tileHeight, margin, spacing);
    if (cutByGuess == 0 && 2 * cutByGiven >= int(sprites.size()))
        return guessed;
    return std::nullopt;
}

} // namespace detect
