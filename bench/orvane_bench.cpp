#include "support/imagecheck.h"
#include "support/testapp.h"

#include "detect_bench.h"

#include "cut/plan.h"
#include "cut/png.h"
#include "cut/writer.h"

#include "controls/checkbox.h"
#include "image/clipboard.h"
#include "system/drives.h"
#include "controls/qtdialogs.h"
#include "controls/screen.h"
#include "system/system.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Each figure runs next to its baseline in the same process; the ratios are
// printed after the table.

namespace {

constexpr int kSide = 4096;
constexpr int kViewW = 448;
constexpr int kViewH = 640;

// The pattern with an alpha that runs through every value, 0 and 255 included.
QImage transparentPattern(int width, int height) {
    QImage image = patternImage(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = (row[x] & 0xFFFFFF) | (QRgb((x + y) & 0xFF) << 24);
    }
    return image;
}

// Applications with a 4096 x 4096 tileset, opaque and with transparency, shared
// by the view benchmarks. Released before the application object goes.
std::unique_ptr<TestApp> big;
std::unique_ptr<TestApp> bigTransparent;

TestApp& pasted(std::unique_ptr<TestApp>& app, const QImage& tileset) {
    if (!app) {
        app = std::make_unique<TestApp>();
        app->clipboard.content = tileset;
        app->window->Command6_Click();
        app->clipboard.content = QImage();
    }
    return *app;
}

TestApp& bigApp() {
    return pasted(big, patternImage(kSide, kSide));
}

TestApp& bigTransparentApp() {
    return pasted(bigTransparent, transparentPattern(kSide, kSide));
}

// "png+alpha" is a PNG of the pattern with transparency.
QString fileOf(const char* format) {
    static QTemporaryDir dir;
    const bool alpha = std::strcmp(format, "png+alpha") == 0;
    const QString path = dir.filePath(alpha ? QStringLiteral("big-alpha.png")
                                            : QStringLiteral("big.") + QString::fromLatin1(format));
    if (!QFile::exists(path)) {
        QImageWriter writer(path, alpha ? "png" : format);
        writer.write(alpha ? transparentPattern(kSide, kSide) : patternImage(kSide, kSide));
    }
    return path;
}

void BM_Memcpy448x640(benchmark::State& state) {
    const std::size_t bytes = std::size_t(kViewW) * kViewH * 4;
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * qint64(bytes));
}
BENCHMARK(BM_Memcpy448x640);

void BM_RedrawView(benchmark::State& state) {
    TestApp& app = bigApp();
    MainForm& f = app.f();
    f.HScroll1->setValue(int(state.range(0)));
    f.VScroll1->setValue(int(state.range(1)));
    for (auto _ : state)
        app.window->redrawView();
    state.SetBytesProcessed(state.iterations() * qint64(kViewW) * kViewH * 4);
}
BENCHMARK(BM_RedrawView)->Args({0, 0})->Args({1000, 1777})->Args({kSide - kViewW, kSide - kViewH});

// One scroll step as the user waits on it: the new offsets, redrawView, and the
// repaint that puts the view into the window's back buffer, done at once. The
// scroll bars' own repaint is left out (it is not the view's), by turning their
// updates off; the offsets walk both ways so no step repeats the last.
void scrollSteps(benchmark::State& state, TestApp& app) {
    if (!app.window->isVisible() && !app.showWindow()) {
        state.SkipWithError("no window");
        return;
    }
    MainForm& f = app.f();
    f.HScroll1->setUpdatesEnabled(false);
    f.VScroll1->setUpdatesEnabled(false);
    int step = 0;
    for (auto _ : state) {
        {
            const QSignalBlocker h(f.HScroll1), v(f.VScroll1);
            f.HScroll1->QScrollBar::setValue(1000 + (step % 64) * 16);
            f.VScroll1->QScrollBar::setValue(1777 + (step % 48) * 16);
        }
        app.window->redrawView();
        f.pics->repaint();
        ++step;
    }
    f.HScroll1->setUpdatesEnabled(true);
    f.VScroll1->setUpdatesEnabled(true);
    state.SetBytesProcessed(state.iterations() * qint64(kViewW) * kViewH * 4);
}

void BM_ScrollStep(benchmark::State& state) {
    scrollSteps(state, bigApp());
}
BENCHMARK(BM_ScrollStep);

void BM_ScrollStepTransparent(benchmark::State& state) {
    scrollSteps(state, bigTransparentApp());
}
BENCHMARK(BM_ScrollStepTransparent);

// The floor under a scroll step, without Qt: the view's rectangle copied row by
// row with memcpy out of the 4096-wide tileset, at the offsets the steps take,
// into a buffer as wide as the window. No drawing can copy those pixels faster.
void BM_StridedCopy448x640(benchmark::State& state) {
    const QImage& tileset = bigApp().f().state.sourcePicture->image();
    QImage window(844, 676, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        const int x = 1000 + (step % 64) * 16;
        const int y = 1777 + (step % 48) * 16;
        for (int row = 0; row < kViewH; ++row)
            std::memcpy(window.scanLine(row + 7) + 8 * 4, tileset.constScanLine(y + row) + x * 4,
                        std::size_t(kViewW) * 4);
        benchmark::DoNotOptimize(window.constBits());
        benchmark::ClobberMemory();
        ++step;
    }
}
BENCHMARK(BM_StridedCopy448x640);

// One drag event: the handler (Refresh, outline, Label8) and the view painted
// into an offscreen surface as the screen would show it.
void BM_DragEvent(benchmark::State& state) {
    TestApp& app = bigApp();
    MainForm& f = app.f();
    f.o_adjust->setValue(true);
    app.window->pics_MouseDown(1, 0, 10, 10);
    QImage surface(kViewW, kViewH, QImage::Format_RGB32);
    int x = 20;
    for (auto _ : state) {
        app.window->pics_MouseMove(1, 0, x, 400);
        f.pics->render(&surface);
        x = x == 440 ? 20 : x + 1;
    }
    app.window->pics_MouseUp(1, 0, x, 400);
}
BENCHMARK(BM_DragEvent);

void BM_Capture448x640(benchmark::State& state) {
    TestApp& app = bigApp();
    app.f().o_adjust->setValue(true);
    app.window->pics_MouseDown(1, 0, 0, 0);
    app.window->pics_MouseMove(1, 0, kViewW, kViewH);
    for (auto _ : state)
        app.window->pics_MouseUp(1, 0, kViewW, kViewH);
}
BENCHMARK(BM_Capture448x640);

void BM_Save64x64(benchmark::State& state) {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(patternImage(600, 500));
    f.o_fixed->setValue(true);
    f.o_64->setValue(true);
    app.window->pics_MouseDown(1, 0, 100, 100);
    app.window->pics_MouseUp(1, 0, 100, 100);
    f.c_clipb->setValue(0);
    for (auto _ : state) {
        f.state.setFileCounter(0);
        app.window->Command2_Click();
    }
    if (!app.dialogs.messages.isEmpty())
        state.SkipWithError("SAVE failed");
}
BENCHMARK(BM_Save64x64);

// The import through its handler against QImageReader alone, taken in turns
// within each iteration, so that whatever else the machine runs weighs on both
// alike; the ratio of their sums is the figure. The iteration time is the import's.
void importAgainstReader(benchmark::State& state, const char* format) {
    using Clock = std::chrono::steady_clock;
    TestApp app;
    const QString path = fileOf(format);
    Clock::duration reading{}, importing{};
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            QImageReader reader(path);
            QImage image = reader.read();
            benchmark::DoNotOptimize(image.constBits());
        }
        const auto read = Clock::now();
        app.dialogs.fileAnswers.push_back(QDir::toNativeSeparators(path));
        app.window->b_open_Click();
        const auto imported = Clock::now();
        reading += read - start;
        importing += imported - read;
        state.SetIterationTime(std::chrono::duration<double>(imported - read).count());
    }
    if (!app.f().state.sourcePicture || app.f().state.sourcePicture->width() != kSide)
        state.SkipWithError("import failed");
    state.counters["reader_ms"] =
        std::chrono::duration<double, std::milli>(reading).count() / double(state.iterations());
    state.counters["ratio"] = double(importing.count()) / double(reading.count());
}

void BM_ImportPng4096(benchmark::State& state) {
    importAgainstReader(state, "png");
}
void BM_ImportPngAlpha4096(benchmark::State& state) {
    importAgainstReader(state, "png+alpha");
}
void BM_ImportBmp4096(benchmark::State& state) {
    importAgainstReader(state, "bmp");
}
BENCHMARK(BM_ImportPng4096)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(5);
BENCHMARK(BM_ImportPngAlpha4096)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(5);
BENCHMARK(BM_ImportBmp4096)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(5);

// Start-up to the first frame painted: the main window with the program's own
// services, against a bare window of the same size.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

template <typename MakeWindow> void untilFirstFrame(benchmark::State& state, MakeWindow make) {
    for (auto _ : state) {
        FirstPaint first;
        auto window = make();
        window->installEventFilter(&first);
        window->show();
        while (!first.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_StartupOrvane(benchmark::State& state) {
    platform::QtDialogs dialogs;
    platform::SystemClipboard clipboard;
    platform::SystemDrives drives;
    platform::SystemScreen screen;
    platform::QtSystem system;
    untilFirstFrame(state, [&] {
        return std::make_unique<frm_ov_main>(Services{dialogs, clipboard, drives, screen, system});
    });
}
BENCHMARK(BM_StartupOrvane)->Unit(benchmark::kMillisecond);

void BM_StartupBareWindow(benchmark::State& state) {
    untilFirstFrame(state, [] {
        auto window = std::make_unique<QWidget>();
        window->setFixedSize(844, 676);
        return window;
    });
}
BENCHMARK(BM_StartupBareWindow)->Unit(benchmark::kMillisecond);

// --- Cutting a whole sheet ------------------------------------------------------
// A 1024 x 960 PNG into 32 x 32 bitmaps: 960 files.

constexpr int kCutW = 1024;
constexpr int kCutH = 960;
constexpr int kCutTile = 32;

QTemporaryDir& cutDir() {
    static QTemporaryDir dir;
    return dir;
}

QString cutSheet() {
    const QString path = cutDir().filePath(QStringLiteral("sheet.png"));
    if (!QFile::exists(path))
        patternImage(kCutW, kCutH).save(path);
    return path;
}

QString cutFolder(const char* name) {
    const QString folder = cutDir().filePath(QString::fromLatin1(name));
    QDir().mkpath(folder);
    return folder;
}

// Every run of a cut below writes into an empty folder, as a first cut of a
// sheet does: new files, none replaced.
void emptyFolder(benchmark::State& state, const QString& folder) {
    state.PauseTiming();
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
    state.ResumeTiming();
}

void BM_CutSheetToBmp(benchmark::State& state) {
    const QString sheet = cutSheet();
    const cut::Output output{cutFolder("cut"), 0, cut::Format::Bmp, {}};
    const cut::CutOptions options{cut::GridSpec{kCutTile, kCutTile, 0, 0}, false, cut::Merge::None};
    for (auto _ : state) {
        emptyFolder(state, output.folder);
        const QImage image = platform::loadImageWithAlpha(sheet);
        const cut::Plan plan = cut::planCut(image, options);
        const cut::Outcome outcome = cut::writeCut(image, plan, output);
        if (outcome.written != 960 || outcome.failed())
            state.SkipWithError("the cut did not write 960 files");
    }
}
BENCHMARK(BM_CutSheetToBmp)->Unit(benchmark::kMillisecond)->MinTime(2);

// The bare cost: decoding the same sheet and writing the cut's own bytes into
// 960 files with plain writes.
void BM_DecodeAndPlainWrites(benchmark::State& state) {
    const QString sheet = cutSheet();
    const QString reference = cutFolder("reference");
    const cut::Output output{reference, 0, cut::Format::Bmp, {}};
    const QImage image = platform::loadImageWithAlpha(sheet);
    cut::writeCut(image,
                  cut::planCut(image, cut::CutOptions{cut::GridSpec{kCutTile, kCutTile, 0, 0}}),
                  output);
    std::vector<QByteArray> bytes;
    std::vector<QByteArray> names;
    const QString plain = cutFolder("plain");
    for (int i = 0; i < 960; ++i) {
        QFile file(QDir(reference).filePath(cut::tileFileName(i, cut::Format::Bmp)));
        file.open(QIODevice::ReadOnly);
        bytes.push_back(file.readAll());
        names.push_back(
            QFile::encodeName(QDir(plain).filePath(cut::tileFileName(i, cut::Format::Bmp))));
    }
    for (auto _ : state) {
        emptyFolder(state, plain);
        QImageReader reader(sheet);
        QImage decoded = reader.read();
        benchmark::DoNotOptimize(decoded.constBits());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const int fd = ::open(names[i].constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 ||
                ::write(fd, bytes[i].constData(), std::size_t(bytes[i].size())) != bytes[i].size())
                state.SkipWithError("plain write failed");
            ::close(fd);
        }
    }
}
BENCHMARK(BM_DecodeAndPlainWrites)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ImageMagickCrop(benchmark::State& state) {
    const QString sheet = cutSheet();
    const QString folder = cutFolder("magick");
    for (auto _ : state) {
        emptyFolder(state, folder);
        QProcess convert;
        convert.setWorkingDirectory(folder);
        convert.start(QStringLiteral("convert-im6.q16"),
                      {sheet, QStringLiteral("-crop"), QStringLiteral("32x32"),
                       QStringLiteral("+repage"), QStringLiteral("out_%03d.bmp")});
        if (!convert.waitForFinished(120000) || convert.exitCode() != 0) {
            state.SkipWithError("convert-im6.q16 failed or is missing (package imagemagick)");
            break;
        }
    }
}
BENCHMARK(BM_ImageMagickCrop)->Unit(benchmark::kMillisecond)->MinTime(2);

// Merging with flips and turns: 300 distinct 16 x 16 tiles strewn over a square
// map, each cell one of them under a random transform.
QImage strewnMap(int side) {
    QRandomGenerator random(1234);
    std::vector<QImage> tiles;
    for (int t = 0; t < 300; ++t) {
        QImage tile(16, 16, QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x)
                tile.setPixel(x, y, random.generate() | 0xFF000000u);
        }
        tiles.push_back(tile);
    }
    QImage map(side, side, QImage::Format_ARGB32);
    const int cells = side / 16;
    for (int cy = 0; cy < cells; ++cy) {
        for (int cx = 0; cx < cells; ++cx) {
            // Every tile appears at least once, in its own form, in the first cells.
            const int index = cy * cells + cx;
            const int t = index < 300 ? index : int(random.bounded(300));
            const cut::Transform form =
                index < 300 ? cut::kIdentity : cut::Transform(random.bounded(8));
            const QImage shown = cut::transformed(tiles[std::size_t(t)], form);
            for (int y = 0; y < 16; ++y)
                std::memcpy(map.scanLine(cy * 16 + y) + cx * 16 * 4, shown.constScanLine(y),
                            16 * 4);
        }
    }
    return map;
}

void BM_MergeFlips(benchmark::State& state) {
    const int side = int(state.range(0));
    const QImage map = strewnMap(side);
    const cut::CutOptions options{cut::GridSpec{16, 16, 0, 0}, false, cut::Merge::Flips};
    for (auto _ : state) {
        const cut::Plan plan = cut::planCut(map, options);
        if (plan.tileCount() != 300)
            state.SkipWithError("the map did not merge back to 300 tiles");
        benchmark::DoNotOptimize(plan.placements.data());
    }
    state.counters["cells"] = double(side / 16) * (side / 16);
    state.SetItemsProcessed(state.iterations() * qint64(side) * side);
}
BENCHMARK(BM_MergeFlips)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

// Pixel art as sheets hold it: 300 distinct 32 x 32 tiles of 24 colours (blobs
// and specks on a transparent ground) strewn over a 1024 x 1024 sheet; the
// atlas a cut makes of it has the same pixels in another order.
const QImage& pixelArtSheet() {
    static const QImage sheet = [] {
        QRandomGenerator random(77);
        QList<QRgb> palette;
        for (int i = 0; i < 24; ++i)
            palette << (random.generate() | 0xFF000000u);
        std::vector<QImage> tiles;
        for (int t = 0; t < 300; ++t) {
            QImage tile(32, 32, QImage::Format_ARGB32);
            tile.fill(0);
            for (int blob = 2 + random.bounded(5); blob > 0; --blob) {
                const int cx = random.bounded(32), cy = random.bounded(32);
                const int r = 1 + random.bounded(10);
                const QRgb colour = palette[random.bounded(24)];
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 32; ++x)
                        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                            tile.setPixel(x, y, colour);
            }
            for (int speck = 0; speck < 16; ++speck)
                tile.setPixel(random.bounded(32), random.bounded(32), palette[random.bounded(24)]);
            tiles.push_back(tile);
        }
        QImage image(1024, 1024, QImage::Format_ARGB32);
        for (int cell = 0; cell < 1024; ++cell) {
            const QImage& tile = tiles[std::size_t(random.bounded(300))];
            for (int y = 0; y < 32; ++y)
                std::memcpy(image.scanLine((cell / 32) * 32 + y) + (cell % 32) * 32 * 4,
                            tile.constScanLine(y), 32 * 4);
        }
        return image;
    }();
    return sheet;
}

// ImageMagick writing the same pixels as PNG, from raw RGBA; the bytes it wrote.
qint64 magickPng(const QImage& image, const QString& folder) {
    const QString raw = QDir(folder).filePath(QStringLiteral("pixels.rgba"));
    const QString out = QDir(folder).filePath(QStringLiteral("magick.png"));
    if (!QFile::exists(raw)) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        QFile file(raw);
        if (!file.open(QIODevice::WriteOnly))
            return -1;
        file.write(reinterpret_cast<const char*>(rgba.constBits()), rgba.sizeInBytes());
    }
    QProcess convert;
    convert.start(
        QStringLiteral("convert-im6.q16"),
        {QStringLiteral("-size"), QStringLiteral("%1x%2").arg(image.width()).arg(image.height()),
         QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:") + raw, out});
    if (!convert.waitForFinished(120000) || convert.exitCode() != 0)
        return -1;
    return QFileInfo(out).size();
}

void BM_AtlasPng(benchmark::State& state) {
    const QImage& sheet = pixelArtSheet();
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray png = cut::pngBytes(sheet);
        bytes = png.size();
        benchmark::DoNotOptimize(png.constData());
    }
    state.counters["bytes"] = double(bytes);
    const qint64 magick = magickPng(sheet, cutFolder("atlas"));
    if (magick > 0)
        state.counters["bytes_vs_magick"] = double(bytes) / double(magick);
}
BENCHMARK(BM_AtlasPng)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ImageMagickAtlasPng(benchmark::State& state) {
    const QImage& sheet = pixelArtSheet();
    const QString folder = cutFolder("atlas");
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = magickPng(sheet, folder);
        if (bytes < 0) {
            state.SkipWithError("convert-im6.q16 failed or is missing (package imagemagick)");
            break;
        }
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ImageMagickAtlasPng)->Unit(benchmark::kMillisecond)->MinTime(2);

// Remembers each benchmark's time per iteration for the ratios.
class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto paired = run.counters.find("ratio");
            if (paired != run.counters.end())
                pairedRatios[run.run_name.function_name] = paired->second.value;
            if (run.iterations > 0) {
                seconds[run.benchmark_name()] = run.real_accumulated_time / double(run.iterations);
                cpuSeconds[run.benchmark_name()] =
                    run.cpu_accumulated_time / double(run.iterations);
            }
        }
    }
    std::map<std::string, double> seconds;
    // On a shared machine the wall clock counts other programs' turns too; the
    // CPU time of the one thread is printed beside it.
    std::map<std::string, double> cpuSeconds;
    // Ratios a benchmark measured against its own baseline, taken in turns.
    std::map<std::string, double> pairedRatios;
};

long residentKb() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * 4;
}

void memoryFigure(const char* format, const char* what, const char* target) {
    const QString path = fileOf(format);
    TestApp app;
    const long before = residentKb();
    app.dialogs.fileAnswers.push_back(QDir::toNativeSeparators(path));
    app.window->b_open_Click();
    const long after = residentKb();
    const double decodedKb = double(kSide) * kSide * 4 / 1024;
    std::printf("memory: holding a %dx%d %s tileset costs %ld KiB resident, its decoded bytes "
                "%.0f KiB: ratio %.3f (target <= %s)\n",
                kSide, kSide, what, after - before, decodedKb, double(after - before) / decodedKb,
                target);
}

long statusKb(const char* field) {
    long kb = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const std::size_t length = std::strlen(field);
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, field, length) == 0)
                kb = std::atol(line + length);
        }
        std::fclose(status);
    }
    return kb;
}

// The worst plan there is: every 1 x 1 cell of a noise sheet its own tile, each
// filed and looked up once. Its time and the peak memory it adds to the sheet,
// against the targets of 3 s and 512 MiB.
void planFigure() {
    constexpr int side = 4096;
    QImage noise(side, side, QImage::Format_ARGB32);
    QRandomGenerator random(4096);
    for (int y = 0; y < side; ++y)
        random.fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), side);
    const cut::CutOptions options{cut::GridSpec{1, 1, 0, 0}, false, cut::Merge::Identical};
    // The peak is counted from here: writing 5 to clear_refs resets VmHWM.
    if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clear);
        std::fclose(clear);
    }
    const long before = statusKb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    std::optional<cut::Plan> plan = cut::planCut(noise, options);
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = statusKb("VmHWM:");
    const double addedMib = double(peak - before) / 1024;
    std::printf(
        "plan: %dx%d noise, 1x1 cells, identical merged: %d tiles in %.2f s, CPU time %.2f s "
        "(target <= 3 s: ratio %.2f), peak %.0f MiB above the sheet's %.0f MiB (target <= 512 MiB: "
        "ratio "
        "%.2f)\n",
        side, side, plan->tileCount(), seconds, cpu, seconds / 3.0, addedMib, double(before) / 1024,
        addedMib / 512);
    plan.reset();
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    memoryFigure("bmp", "opaque", "1.05");
    memoryFigure("png+alpha", "transparent", "2.05");
    planFigure();
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    const auto ratio = [&](const char* figure, const char* baseline, const char* target) {
        const auto a = recorder.seconds.find(figure);
        const auto b = recorder.seconds.find(baseline);
        if (a == recorder.seconds.end() || b == recorder.seconds.end())
            return;
        const double cpu = recorder.cpuSeconds[figure] / recorder.cpuSeconds[baseline];
        std::printf("%-40s %10.1f us vs %-26s %10.1f us: ratio %6.2f, CPU time %6.2f (target %s)\n",
                    figure, a->second * 1e6, baseline, b->second * 1e6, a->second / b->second, cpu,
                    target);
    };
    std::printf("\n");
    ratio("BM_RedrawView/0/0", "BM_Memcpy448x640", "none");
    ratio("BM_RedrawView/1000/1777", "BM_Memcpy448x640", "none");
    ratio("BM_RedrawView/3648/3456", "BM_Memcpy448x640", "none");
    ratio("BM_ScrollStep", "BM_Memcpy448x640", "<= 1.3");
    ratio("BM_StridedCopy448x640", "BM_Memcpy448x640", "none: the floor");
    ratio("BM_ScrollStep", "BM_StridedCopy448x640", "none: against the floor");
    ratio("BM_ScrollStepTransparent", "BM_Memcpy448x640", "<= 2");
    ratio("BM_DragEvent", "BM_Memcpy448x640", "<= 4 and < 1 ms");
    ratio("BM_Capture448x640", "BM_Memcpy448x640", "none");
    ratio("BM_Save64x64", "BM_Memcpy448x640", "none");
    ratio("BM_StartupOrvane", "BM_StartupBareWindow", "none");
    ratio("BM_CutSheetToBmp/min_time:2.000", "BM_DecodeAndPlainWrites/min_time:2.000", "<= 1.5");
    ratio("BM_CutSheetToBmp/min_time:2.000", "BM_ImageMagickCrop/min_time:2.000", "<= 0.5");
    ratio("BM_AtlasPng/min_time:2.000", "BM_ImageMagickAtlasPng/min_time:2.000", "<= 0.5");
    const auto merge = [&](int side) {
        const auto it = recorder.seconds.find("BM_MergeFlips/" + std::to_string(side));
        return it == recorder.seconds.end() ? -1.0 : it->second;
    };
    if (merge(1024) > 0 && merge(4096) > 0) {
        for (int side : {1024, 2048, 4096})
            std::printf("merge with flips, %4dx%-4d (%5d cells): %8.1f ms, %6.2f ns a pixel\n",
                        side, side, (side / 16) * (side / 16), merge(side) * 1e3,
                        merge(side) * 1e9 / (double(side) * side));
        std::printf("merge 4096 vs 1024: time ratio %.2f for 16x the pixels (linear: 16; target "
                    "4096 under 1 s: %s)\n",
                    merge(4096) / merge(1024), merge(4096) < 1.0 ? "yes" : "NO");
    }
    for (const char* name : {"BM_ImportPng4096", "BM_ImportPngAlpha4096", "BM_ImportBmp4096"}) {
        const auto paired = recorder.pairedRatios.find(name);
        if (paired != recorder.pairedRatios.end())
            std::printf("%-40s vs QImageReader alone, in turns: ratio %6.2f (target <= 1.1)\n",
                        name, paired->second);
    }
    printDetectFigures();
    std::fflush(stdout);
    big.reset();
    bigTransparent.reset();
    benchmark::Shutdown();
    return 0;
}
