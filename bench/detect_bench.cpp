#include "detect_bench.h"

#include "detect/gridguess.h"
#include "detect/sprites.h"

#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <tuple>

namespace {

constexpr int kSheet = 4096;

// Loose sprites on nothing, one in each 48 px cell, of its own size and place:
// a body with a soft edge of every alpha, a gap between its legs and a hole
// for an eye, as a figure has.
const QImage& spriteSheet() {
    static const QImage sheet = [] {
        QImage image(kSheet, kSheet, QImage::Format_ARGB32);
        image.fill(0);
        QRandomGenerator random(21);
        for (int cy = 0; cy + 48 <= kSheet; cy += 48) {
            for (int cx = 0; cx + 48 <= kSheet; cx += 48) {
                const double rx = 6 + random.bounded(16), ry = 6 + random.bounded(16);
                const double ox = cx + 24 + random.bounded(-2, 3);
                const double oy = cy + 24 + random.bounded(-2, 3);
                const QRgb colour = random.generate() & 0xFFFFFF;
                for (int y = cy; y < cy + 48; ++y) {
                    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                    for (int x = cx; x < cx + 48; ++x) {
                        const double dx = x - ox, dy = y - oy;
                        const double d = std::hypot(dx / rx, dy / ry);
                        const bool legs = dy > ry * 0.4 && std::abs(dx) < 1.5;
                        const bool eye =
                            std::abs(dx - rx * 0.4) < 1.5 && std::abs(dy + ry * 0.4) < 1.5;
                        if (d >= 1.0 || legs || eye)
                            continue;
                        const int alpha = d < 0.8 ? 255 : int((1.0 - d) / 0.2 * 254) + 1;
                        line[x] = colour | (QRgb(alpha) << 24);
                    }
                }
            }
        }
        return image;
    }();
    return sheet;
}

// The same sprites on an opaque key colour.
const QImage& keyedSheet() {
    static const QImage sheet = [] {
        QImage image = spriteSheet();
        for (int y = 0; y < kSheet; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < kSheet; ++x)
                if (qAlpha(line[x]) == 0)
                    line[x] = qRgb(255, 0, 255);
        }
        return image;
    }();
    return sheet;
}

// 32x32 pixel-art terrain, 16,384 tiles without gutters.
const QImage& tileSheet() {
    static const QImage sheet = [] {
        QImage image(kSheet, kSheet, QImage::Format_ARGB32);
        QRandomGenerator random(32);
        std::vector<QRgb> grounds(std::size_t(kSheet / 32) * (kSheet / 32));
        for (QRgb& ground : grounds)
            ground = random.generate() | 0xFF000000u;
        for (int y = 0; y < kSheet; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < kSheet; ++x) {
                const QRgb g = grounds[std::size_t(y / 32) * (kSheet / 32) + std::size_t(x / 32)];
                const int grain = int(random.bounded(25)) - 12;
                line[x] = qRgb(qBound(0, qRed(g) + grain, 255), qBound(0, qGreen(g) + grain, 255),
                               qBound(0, qBlue(g) + grain, 255));
            }
        }
        return image;
    }();
    return sheet;
}

// The floor: one pass that reads every pixel's alpha, as tight as the compiler
// makes it (a vectorised count of the pixels whose alpha is not 0).
qint64 opaquePixels(const QImage& image) {
    const int width = image.width();
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint32_t row = 0;
        for (int x = 0; x < width; ++x)
            row += line[x] >= 0x01000000u ? 1u : 0u;
        count += row;
    }
    return count;
}

// The processor time of all of this program's threads: on a shared machine the
// wall clock also counts other programs' turns, and detection reads large
// sheets on several threads.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Figure {
    double ratio = 0;
    double cpuRatio = 0;
    double ms = 0;
    double floorMs = 0;
    std::size_t found = 0;
};
Figure spritesFigure, oneBandFigure, keyedFigure, gridFigure, spriteGridFigure;

// Detection against the floor, taken in turns within each iteration so that
// whatever else the machine runs weighs on both alike.
// `bands` 0 lets detection choose, as the program does.
void againstAlphaPass(benchmark::State& state, const QImage& sheet,
                      const detect::SpriteOptions& options, Figure& figure, int bands = 0) {
    using Clock = std::chrono::steady_clock;
    Clock::duration reading{}, detecting{};
    double readingCpu = 0, detectingCpu = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const double cpuStart = cpuSeconds();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(opaquePixels(sheet));
        const auto read = Clock::now();
        const double cpuRead = cpuSeconds();
        const std::vector<QRect> sprites = bands > 0 ? detect::findSprites(sheet, options, bands)
                                                     : detect::findSprites(sheet, options);
        const auto detected = Clock::now();
        const double cpuDetected = cpuSeconds();
        found = sprites.size();
        reading += read - start;
        detecting += detected - read;
        readingCpu += cpuRead - cpuStart;
        detectingCpu += cpuDetected - cpuRead;
        state.SetIterationTime(std::chrono::duration<double>(detected - read).count());
    }
    const double iterations = double(state.iterations());
    figure.ratio = double(detecting.count()) / double(reading.count());
    figure.cpuRatio = detectingCpu / readingCpu;
    figure.ms = std::chrono::duration<double, std::milli>(detecting).count() / iterations;
    figure.floorMs = std::chrono::duration<double, std::milli>(reading).count() / iterations;
    figure.found = found;
    state.counters["ratio"] = figure.ratio;
    state.counters["sprites"] = double(found);
    if (found != std::size_t(kSheet / 48) * (kSheet / 48))
        state.SkipWithError("not one sprite a cell");
}

void BM_FindSprites4096(benchmark::State& state) {
    againstAlphaPass(state, spriteSheet(), {}, spritesFigure);
}
BENCHMARK(BM_FindSprites4096)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2);

// The same on one processor: all rows one band.
void BM_FindSprites4096OneBand(benchmark::State& state) {
    againstAlphaPass(state, spriteSheet(), {}, oneBandFigure, 1);
}
BENCHMARK(BM_FindSprites4096OneBand)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2);

void BM_FindSpritesKeyed4096(benchmark::State& state) {
    detect::SpriteOptions options;
    options.key = detect::KeyColour{qRgb(255, 0, 255), 0};
    againstAlphaPass(state, keyedSheet(), options, keyedFigure);
}
BENCHMARK(BM_FindSpritesKeyed4096)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2);

void guessGridFigure(benchmark::State& state, const QImage& sheet, QSize tile, Figure& figure) {
    using Clock = std::chrono::steady_clock;
    Clock::duration guessing{};
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::optional<detect::GuessedGrid> grid = detect::guessGrid(sheet);
        guessing += Clock::now() - start;
        if (!grid || !grid->sameGrid(tile.width(), tile.height(), 0, 0))
            state.SkipWithError("the grid was not found");
    }
    figure.ms =
        std::chrono::duration<double, std::milli>(guessing).count() / double(state.iterations());
}

void BM_GuessGrid4096(benchmark::State& state) {
    guessGridFigure(state, tileSheet(), QSize(32, 32), gridFigure);
}
BENCHMARK(BM_GuessGrid4096)->Unit(benchmark::kMillisecond)->MinTime(2);

// Loose sprites: many lines all transparent, which the gutters are tried on.
void BM_GuessGridSprites4096(benchmark::State& state) {
    guessGridFigure(state, spriteSheet(), QSize(48, 48), spriteGridFigure);
}
BENCHMARK(BM_GuessGridSprites4096)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

void printDetectFigures() {
    for (const auto& [name, figure, target] :
         {std::tuple{"BM_FindSprites4096", &spritesFigure, "target <= 2"},
          std::tuple{"BM_FindSprites4096OneBand", &oneBandFigure, "one processor, to compare"}})
        if (figure->floorMs > 0)
            std::printf("%-40s %10.1f ms vs one alpha pass %8.1f ms, in turns: ratio %6.2f, CPU "
                        "time %6.2f (%s)\n",
                        name, figure->ms, figure->floorMs, figure->ratio, figure->cpuRatio, target);
    if (keyedFigure.floorMs > 0)
        std::printf("%-40s %10.1f ms vs one alpha pass %8.1f ms, in turns: ratio %6.2f, CPU time "
                    "%6.2f (no target: the key compares every colour)\n",
                    "BM_FindSpritesKeyed4096", keyedFigure.ms, keyedFigure.floorMs,
                    keyedFigure.ratio, keyedFigure.cpuRatio);
    for (const auto& [name, figure] : {std::pair{"BM_GuessGrid4096", &gridFigure},
                                       std::pair{"BM_GuessGridSprites4096", &spriteGridFigure}})
        if (figure->ms > 0)
            std::printf("%-40s %10.1f ms: ratio to 200 ms %6.2f (target < 1)\n", name, figure->ms,
                        figure->ms / 200);
}
