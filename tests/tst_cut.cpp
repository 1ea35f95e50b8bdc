#include "cut/cutcli.h"
#include "cut/cutdialog.h"
#include "cut/grid.h"
#include "cut/manifest.h"
#include "cut/result.h"
#include "cut/overlay.h"
#include "cut/plan.h"
#include "cut/skip.h"
#include "cut/transform.h"
#include "cut/writer.h"

#include "image/picture.h"
#include "system/wholefile.h"
#include "support/doubles.h"
#include "support/files.h"
#include "support/imagecheck.h"
#include "support/testapp.h"
#include "controls/button.h"
#include "controls/filelist.h"
#include "controls/label.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSpinBox>
#include <QThread>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTransform>

#include <fcntl.h>
#include <csignal>
#include <tuple>
#include <atomic>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace cut;

Q_DECLARE_METATYPE(cut::GridSpec)
Q_DECLARE_METATYPE(cut::Merge)
Q_DECLARE_METATYPE(cut::Format)
Q_DECLARE_METATYPE(cut::Grid)

namespace {

// A control of a dialog, found by its object name; a missing one stops the test.
template <typename T> T* control(const QObject& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

// A tile of random colours and alphas, so that no flip or turn of it equals
// another.
QImage randomTile(QRandomGenerator& random, int width, int height, bool opaque = false) {
    QImage tile(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb p = random.generate() | (opaque ? 0xFF000000u : 0u);
            if (qAlpha(p) == 0)
                p = 0; // hidden colours have a test of their own
            tile.setPixel(x, y, p);
        }
    }
    return tile;
}

void put(QImage& sheet, const Grid& grid, int cell, const QImage& tile) {
    const QRect r = grid.cell(cell);
    for (int y = 0; y < r.height(); ++y) {
        for (int x = 0; x < r.width(); ++x)
            sheet.setPixel(r.x() + x, r.y() + y, tile.pixel(x, y));
    }
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// The transform as Qt's own image operations make it, apart from the code under test.
QImage byQt(const QImage& tile, Transform t) {
    QImage result = tile;
    if (t & kFlipD) // x and y swapped: a quarter turn clockwise, then mirrored
        result = result.transformed(QTransform().rotate(90)).mirrored(true, false);
    return result.mirrored(t & kFlipH, t & kFlipV).convertToFormat(QImage::Format_ARGB32);
}

// What each cell of the plan shows, rebuilt from the tiles alone.
void verifyRebuilds(const QImage& sheet, const Plan& plan) {
    for (int i = 0; i < plan.grid.cellCount(); ++i) {
        const Placement& p = plan.placements[std::size_t(i)];
        QVERIFY2(p.tile >= 0, qPrintable(QStringLiteral("cell %1 skipped").arg(i)));
        const QImage tile = sheet.copy(plan.grid.cell(plan.tileCells[std::size_t(p.tile)]));
        VERIFY_PIXELS(transformed(tile, p.transform), sheet.copy(plan.grid.cell(i)));
    }
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList numbered(int from, int count, const QString& ext = QStringLiteral(".bmp")) {
    QStringList names;
    for (int i = from; i < from + count; ++i)
        names << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')) + ext;
    return names;
}

// A sheet of 4 x 4 cells of 8 x 8: four blank ones (two transparent, two of one
// colour), three distinct tiles, and the rest copies of them flipped or turned.
struct Sample {
    QImage sheet;
    GridSpec shape{8, 8, 0, 0};
};

Sample sample() {
    Sample s;
    s.sheet = filled(32, 32, 0);
    const Grid grid = layoutGrid(s.sheet.size(), s.shape);
    QRandomGenerator random(7);
    const QImage a = randomTile(random, 8, 8), b = randomTile(random, 8, 8),
                 c = randomTile(random, 8, 8);
    const QImage cells[16] = {a,
                              b,
                              filled(8, 8, 0),
                              c,
                              byQt(a, kFlipH),
                              filled(8, 8, 0xFF336699),
                              byQt(b, kRotate90),
                              a,
                              byQt(c, kRotate180),
                              filled(8, 8, 0),
                              byQt(a, kFlipD),
                              byQt(b, kFlipV),
                              filled(8, 8, 0xFF336699),
                              c,
                              byQt(c, kRotate270),
                              byQt(a, kFlipD | kFlipH | kFlipV)};
    for (int i = 0; i < 16; ++i)
        put(s.sheet, grid, i, cells[i]);
    return s;
}

bool mountSmallDisk(const QString& path, int kib) {
    if (geteuid() != 0)
        return false;
    const QByteArray options = QByteArrayLiteral("size=") + QByteArray::number(kib) + "k";
    return mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()) ==
           0;
}

struct Cli {
    int code = -1;
    QString out;
    QString err;
};

Cli runCli(const QStringList& args) {
    Cli result;
    QTextStream out(&result.out), err(&result.err);
    result.code = runCutCommand(args, out, err);
    return result;
}

} // namespace

class TestCut : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void windowCutsTheTileset();
    void grid_data();
    void grid();
    void badGrid_data();
    void badGrid();
    void blank_data();
    void blank();
    void eachTransformMerges_data();
    void eachTransformMerges();
    void oblongCellsMergeOnlySizeKeepingTransforms_data();
    void oblongCellsMergeOnlySizeKeepingTransforms();
    void symmetricTileKeepsIdentity();
    void randomMapMergesBackExactly();
    void sampleCounts_data();
    void sampleCounts();
    void filesAreWhatSaveWrites();
    void pngKeepsAlpha();
    void numberLimit_data();
    void numberLimit();
    void replaceQuestion_data();
    void replaceQuestion();
    void fullDiskStopsMidCut();
    void cancelMidCut();
    void dialogCountsAndOutlines();
    void laterChangeWinsTheCount();
    void commandLine_data();
    void commandLine();
    void commandLineNeedsNoDisplay();
    void engineRoundTrip();
    void tiledRoundTrip_data();
    void tiledRoundTrip();
    void hostileTargets_data();
    void hostileTargets();
    void fileAppearingStopsTheCut();
    void heldFolderRefusesTheCut();
    void twoCutsSideBySide_data();
    void twoCutsSideBySide();
    void killedCutLeavesWholeFiles();
    void hiddenColoursOfTransparentPixels();
    void programNamesAndMessages();
    void dialogKeepsToItsFolder();
    void gridLinesOfTheView_data();
    void gridLinesOfTheView();
    void dialogRemembersItsChoices();
    void dialogDetectsAndWarns();
    void dialogFindsSprites();
    void dialogWritesAtlasAndKeepsNumbers_data();
    void dialogWritesAtlasAndKeepsNumbers();

private:
    QTemporaryDir settingsDir_;
};

void TestCut::grid_data() {
    QTest::addColumn<QSize>("sheet");
    QTest::addColumn<GridSpec>("shape");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("partial");
    QTest::addColumn<QRect>("last");

    QTest::newRow("exact") << QSize(64, 48) << GridSpec{16, 16, 0, 0} << 4 << 3 << 0
                           << QRect(48, 32, 16, 16);
    QTest::newRow("ragged right") << QSize(70, 48) << GridSpec{16, 16, 0, 0} << 4 << 3 << 3
                                  << QRect(48, 32, 16, 16);
    QTest::newRow("ragged both") << QSize(70, 50) << GridSpec{16, 16, 0, 0} << 4 << 3 << 8
                                 << QRect(48, 32, 16, 16);
    // Tiled's margin counts from the top-left corner only; the cells need none after them.
    QTest::newRow("margin") << QSize(34, 34) << GridSpec{16, 16, 2, 0} << 2 << 2 << 0
                            << QRect(18, 18, 16, 16);
    QTest::newRow("margin and spacing")
        << QSize(40, 21) << GridSpec{8, 8, 2, 2} << 4 << 2 << 0 << QRect(32, 12, 8, 8);
    QTest::newRow("only spacing past the last")
        << QSize(34, 16) << GridSpec{16, 16, 0, 1} << 2 << 1 << 0 << QRect(17, 0, 16, 16);
    QTest::newRow("a pixel past the spacing")
        << QSize(35, 16) << GridSpec{16, 16, 0, 1} << 2 << 1 << 1 << QRect(17, 0, 16, 16);
    QTest::newRow("oblong") << QSize(48, 20) << GridSpec{16, 8, 0, 0} << 3 << 2 << 3
                            << QRect(32, 8, 16, 8);
    QTest::newRow("one cell") << QSize(5, 3) << GridSpec{5, 3, 0, 0} << 1 << 1 << 0
                              << QRect(0, 0, 5, 3);
    QTest::newRow("1x1 tiles") << QSize(3, 2) << GridSpec{1, 1, 0, 0} << 3 << 2 << 0
                               << QRect(2, 1, 1, 1);
}

void TestCut::grid() {
    QFETCH(QSize, sheet);
    QFETCH(GridSpec, shape);
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(int, partial);
    QFETCH(QRect, last);

    QVERIFY(gridProblem(sheet, shape).isEmpty());
    const Grid g = layoutGrid(sheet, shape);
    QCOMPARE(g.columns, columns);
    QCOMPARE(g.rows, rows);
    QCOMPARE(g.partialCells, partial);
    QCOMPARE(g.cell(0).topLeft(), QPoint(shape.margin, shape.margin));
    QCOMPARE(g.cell(g.cellCount() - 1), last);
    for (int i = 0; i < g.cellCount(); ++i)
        QVERIFY(QRect(QPoint(0, 0), sheet).contains(g.cell(i)));
}

void TestCut::badGrid_data() {
    QTest::addColumn<QSize>("sheet");
    QTest::addColumn<GridSpec>("shape");
    QTest::addColumn<QString>("says");

    QTest::newRow("zero width") << QSize(32, 32) << GridSpec{0, 16, 0, 0} << "at least 1 x 1";
    QTest::newRow("negative height") << QSize(32, 32) << GridSpec{16, -1, 0, 0} << "at least 1 x 1";
    QTest::newRow("wider than the sheet")
        << QSize(32, 32) << GridSpec{33, 16, 0, 0} << "larger than the sheet (32 x 32)";
    QTest::newRow("margin leaves no cell") << QSize(32, 40) << GridSpec{16, 16, 17, 0}
                                           << "A margin of 17 leaves no whole 16 x 16 cell";
    QTest::newRow("negative spacing")
        << QSize(32, 32) << GridSpec{16, 16, 0, -1} << "cannot be negative";
}

void TestCut::badGrid() {
    QFETCH(QSize, sheet);
    QFETCH(GridSpec, shape);
    QFETCH(QString, says);
    const QString problem = gridProblem(sheet, shape);
    QVERIFY2(problem.contains(says), qPrintable(problem));
}

void TestCut::blank_data() {
    QTest::addColumn<QImage>("cell");
    QTest::addColumn<bool>("blank");

    QTest::newRow("transparent") << filled(4, 3, 0) << true;
    QTest::newRow("one opaque colour") << filled(4, 3, 0xFF102030) << true;
    QTest::newRow("one half-transparent colour") << filled(4, 3, 0x80102030) << true;
    QTest::newRow("a single pixel") << filled(1, 1, 0xFFFFFFFF) << true;
    QImage alphaOnly = filled(4, 3, 0xFF102030);
    alphaOnly.setPixel(3, 2, 0xFE102030);
    QTest::newRow("last pixel differs in alpha only") << alphaOnly << false;
    QImage colourOnly = filled(4, 3, 0xFF102030);
    colourOnly.setPixel(0, 1, 0xFF102031);
    QTest::newRow("one pixel differs in blue by one") << colourOnly << false;
    QImage firstDiffers = filled(4, 3, 0);
    firstDiffers.setPixel(0, 0, 0x01000000);
    QTest::newRow("first pixel barely visible") << firstDiffers << false;
}

void TestCut::blank() {
    QFETCH(QImage, cell);
    QFETCH(bool, blank);
    // The cell sits in a sheet beside a busy one, so that a check that strays
    // outside the cell shows.
    QImage sheet = filled(cell.width() * 2 + 2, cell.height() + 2, 0xFFABCDEF);
    QRandomGenerator random(3);
    const GridSpec shape{cell.width(), cell.height(), 1, 1};
    const Grid grid = layoutGrid(sheet.size(), shape);
    put(sheet, grid, 0, randomTile(random, cell.width(), cell.height()));
    put(sheet, grid, 1, cell);
    QCOMPARE(isBlank(sheet, grid.cell(1)), blank);

    const Plan plan = planCut(sheet, CutOptions{shape, true, Merge::None});
    QCOMPARE(plan.placements[1].tile < 0, blank);
    const Plan kept = planCut(sheet, CutOptions{shape, false, Merge::None});
    QCOMPARE(kept.tileCount(), 2);
}

void TestCut::eachTransformMerges_data() {
    QTest::addColumn<Transform>("transform");
    QTest::addColumn<quint32>("tiledFlags");

    QTest::newRow("identity") << kIdentity << 0u;
    QTest::newRow("flipped horizontally") << kFlipH << 0x80000000u;
    QTest::newRow("flipped vertically") << kFlipV << 0x40000000u;
    QTest::newRow("turned 180") << kRotate180 << 0xC0000000u;
    QTest::newRow("turned 90 clockwise") << kRotate90 << 0xA0000000u;
    QTest::newRow("turned 270 clockwise") << kRotate270 << 0x60000000u;
    QTest::newRow("x and y swapped") << kFlipD << 0x20000000u;
    QTest::newRow("anti-diagonal") << Transform(kFlipD | kFlipH | kFlipV) << 0xE0000000u;
}

void TestCut::eachTransformMerges() {
    QFETCH(Transform, transform);
    QFETCH(quint32, tiledFlags);

    QRandomGenerator random(11);
    const QImage tile = randomTile(random, 6, 6);
    QImage sheet = filled(18, 6, 0);
    const GridSpec shape{6, 6, 0, 0};
    const Grid grid = layoutGrid(sheet.size(), shape);
    put(sheet, grid, 0, randomTile(random, 6, 6));
    put(sheet, grid, 1, tile);
    put(sheet, grid, 2, byQt(tile, transform));

    const Plan flips = planCut(sheet, CutOptions{shape, false, Merge::Flips});
    QCOMPARE(flips.tileCount(), 2);
    QCOMPARE(flips.duplicates, 1);
    QCOMPARE(flips.placements[2].tile, 1);
    QCOMPARE(flips.placements[2].transform, transform);
    QCOMPARE(cut::tiledFlags(flips.placements[2].transform), tiledFlags);
    VERIFY_PIXELS(transformed(tile, transform), byQt(tile, transform));

    const Plan identical = planCut(sheet, CutOptions{shape, false, Merge::Identical});
    QCOMPARE(identical.tileCount(), transform == kIdentity ? 2 : 3);
    const Plan none = planCut(sheet, CutOptions{shape, false, Merge::None});
    QCOMPARE(none.tileCount(), 3);
    QCOMPARE(none.duplicates, 0);
}

void TestCut::oblongCellsMergeOnlySizeKeepingTransforms_data() {
    QTest::addColumn<Transform>("transform");
    QTest::newRow("flipped horizontally") << kFlipH;
    QTest::newRow("flipped vertically") << kFlipV;
    QTest::newRow("turned 180") << kRotate180;
}

void TestCut::oblongCellsMergeOnlySizeKeepingTransforms() {
    QFETCH(Transform, transform);
    QRandomGenerator random(5);
    const QImage tile = randomTile(random, 6, 3);
    QImage sheet = filled(12, 3, 0);
    const GridSpec shape{6, 3, 0, 0};
    const Grid grid = layoutGrid(sheet.size(), shape);
    put(sheet, grid, 0, tile);
    put(sheet, grid, 1, byQt(tile, transform));
    const Plan plan = planCut(sheet, CutOptions{shape, false, Merge::Flips});
    QCOMPARE(plan.tileCount(), 1);
    QCOMPARE(plan.placements[1].transform, transform);
    verifyRebuilds(sheet, plan);
}

void TestCut::symmetricTileKeepsIdentity() {
    // A tile equal to its own mirror image: its copy is placed unturned.
    QImage half = filled(4, 4, 0xFF00FF00);
    half.setPixel(0, 1, 0xFFFF0000);
    half.setPixel(3, 1, 0xFFFF0000);
    QImage sheet = filled(8, 4, 0);
    const GridSpec shape{4, 4, 0, 0};
    const Grid grid = layoutGrid(sheet.size(), shape);
    put(sheet, grid, 0, half);
    put(sheet, grid, 1, half);
    const Plan plan = planCut(sheet, CutOptions{shape, false, Merge::Flips});
    QCOMPARE(plan.tileCount(), 1);
    QCOMPARE(plan.placements[1].transform, kIdentity);
}

void TestCut::randomMapMergesBackExactly() {
    QRandomGenerator random(42);
    std::vector<QImage> tiles;
    for (int i = 0; i < 40; ++i)
        tiles.push_back(randomTile(random, 5, 5));
    QImage sheet = filled(5 * 30, 5 * 20, 0);
    const GridSpec shape{5, 5, 0, 0};
    const Grid grid = layoutGrid(sheet.size(), shape);
    // Every tile once unturned, the rest at random.
    for (int i = 0; i < grid.cellCount(); ++i) {
        const int t = i < 40 ? i : int(random.bounded(40));
        put(sheet, grid, i, byQt(tiles[std::size_t(t)], i < 40 ? 0 : Transform(random.bounded(8))));
    }
    const Plan plan = planCut(sheet, CutOptions{shape, false, Merge::Flips});
    QCOMPARE(plan.tileCount(), 40);
    QCOMPARE(plan.duplicates, grid.cellCount() - 40);
    verifyRebuilds(sheet, plan);
}

void TestCut::sampleCounts_data() {
    QTest::addColumn<bool>("skipBlank");
    QTest::addColumn<Merge>("merge");
    QTest::addColumn<int>("blank");
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<int>("tiles");

    QTest::newRow("everything") << false << Merge::None << 0 << 0 << 16;
    QTest::newRow("skip blank") << true << Merge::None << 4 << 0 << 12;
    QTest::newRow("identical") << false << Merge::Identical << 0 << 4 << 12;
    QTest::newRow("blank and identical") << true << Merge::Identical << 4 << 2 << 10;
    QTest::newRow("flips") << false << Merge::Flips << 0 << 11 << 5;
    QTest::newRow("blank and flips") << true << Merge::Flips << 4 << 9 << 3;
}

void TestCut::sampleCounts() {
    QFETCH(bool, skipBlank);
    QFETCH(Merge, merge);
    QFETCH(int, blank);
    QFETCH(int, duplicates);
    QFETCH(int, tiles);
    const Sample s = sample();
    const Plan plan = planCut(s.sheet, CutOptions{s.shape, skipBlank, merge});
    QCOMPARE(plan.blank, blank);
    QCOMPARE(plan.duplicates, duplicates);
    QCOMPARE(plan.tileCount(), tiles);
    QCOMPARE(countLine(plan, 12, Format::Bmp),
             QStringLiteral("16 cells: %1 blank, %2 merged, %3 tiles to write, 012.bmp to %4")
                 .arg(blank)
                 .arg(duplicates)
                 .arg(tiles)
                 .arg(QStringLiteral("%1.bmp").arg(12 + tiles - 1, 3, 10, QLatin1Char('0'))));
}

void TestCut::filesAreWhatSaveWrites() {
    const Sample s = sample();
    QTemporaryDir dir;
    const Plan plan = planCut(s.sheet, CutOptions{s.shape, true, Merge::Flips});
    const Outcome outcome = writeCut(s.sheet, plan, Output{dir.path(), 5, Format::Bmp, {}});
    QCOMPARE(outcome.written, 3);
    QCOMPARE(outcome.nextCounter, 8);
    QCOMPARE(filesIn(dir.path()), numbered(5, 3));
    for (int i = 0; i < plan.tileCount(); ++i) {
        const QImage tile = s.sheet.copy(plan.grid.cell(plan.tileCells[std::size_t(i)]));
        const QString byCut = dir.filePath(numbered(5 + i, 1).front());
        const QString bySave = dir.filePath(QStringLiteral("save.bmp"));
        platform::savePicture(tile, bySave);
        QFile a(byCut), b(bySave);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QCOMPARE(QImageReader(byCut).read().depth(), 32); // read back as 24-bit RGB
    }
}

void TestCut::pngKeepsAlpha() {
    const Sample s = sample();
    QTemporaryDir dir;
    const Plan plan = planCut(s.sheet, CutOptions{s.shape, false, Merge::Flips});
    const Outcome outcome = writeCut(s.sheet, plan, Output{dir.path(), 0, Format::Png, {}});
    QCOMPARE(outcome.written, plan.tileCount());
    QCOMPARE(filesIn(dir.path()), numbered(0, plan.tileCount(), QStringLiteral(".png")));
    for (int i = 0; i < plan.tileCount(); ++i) {
        const QImage back = platform::loadImageWithAlpha(dir.filePath(numbered(i, 1, ".png")[0]));
        VERIFY_PIXELS(back, s.sheet.copy(plan.grid.cell(plan.tileCells[std::size_t(i)])));
    }
}

void TestCut::numberLimit_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("digits");

    // The sample with identical cells merged: 12 tiles. Past 999 every name of
    // the cut has as many digits as its last number.
    QTest::newRow("from 0") << 0 << 3;
    QTest::newRow("ends on 999") << 988 << 3;
    QTest::newRow("one past 999") << 989 << 4;
    QTest::newRow("from 1000") << 1000 << 4;
}

void TestCut::numberLimit() {
    QFETCH(int, start);
    QFETCH(int, digits);
    const Sample s = sample();
    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    CutDialog dialog(s.sheet, start, dir.path(), QSize(8, 8), dialogs, {});
    control<QComboBox>(dialog, "skip")->setCurrentIndex(int(Skip::None));
    control<QComboBox>(dialog, "merge")->setCurrentIndex(int(Merge::Identical));
    QStringList names;
    for (int i = start; i < start + 12; ++i)
        names << QStringLiteral("%1.bmp").arg(i, digits, 10, QLatin1Char('0'));
    const QString range = names.front() + QStringLiteral(" to ") + names.back();
    // The count says the names the cut will write, and OK lets it write them.
    QTRY_VERIFY(!dialog.counting());
    QVERIFY2(dialog.countText().endsWith(range), qPrintable(dialog.countText()));
    QVERIFY(
        control<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->isEnabled());
    QVERIFY(dialog.cut());
    QCOMPARE(filesIn(dir.path()), names);
    QCOMPARE(dialog.fileCounter(), start + 12);
    // What was written and where.
    QCOMPARE(dialogs.messages,
             QStringList{QStringLiteral("16 cells: 0 blank, 4 merged, 12 tiles written, ") + range +
                         QStringLiteral("\rIn ") + QDir::toNativeSeparators(dir.path())});
}

void TestCut::replaceQuestion_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<Merge>("merge");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("written");

    // Blank cells skipped, identical ones merged: 10 tiles, 000.bmp to 009.bmp;
    // merged with flips as well: 3 tiles, 000.bmp to 002.bmp.
    QTest::newRow("none present") << QStringList() << Merge::Identical << false << QString()
                                  << true;
    QTest::newRow("one, yes") << QStringList{"003.bmp"} << Merge::Identical << true
                              << "003.bmp already exists. Replace it?" << true;
    QTest::newRow("two, no") << QStringList{"004.bmp", "002.bmp"} << Merge::Identical << false
                             << "2 of the files to write already exist (002.bmp among them). "
                                "Replace them?"
                             << false;
    QTest::newRow("the map's tileset, yes") << QStringList{"map.tsx"} << Merge::Identical << true
                                            << "map.tsx already exists. Replace it?" << true;
    QTest::newRow("past the tiles: not asked")
        << QStringList{"005.bmp"} << Merge::Flips << false << QString() << true;
}

void TestCut::replaceQuestion() {
    QFETCH(QStringList, present);
    QFETCH(Merge, merge);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(bool, written);

    const Sample s = sample();
    QTemporaryDir dir;
    for (const QString& name : present)
        QVERIFY(writeFile(dir.filePath(name), "old"));
    doubles::ScriptedDialogs dialogs;
    dialogs.questionAnswers.push_back(answer);
    CutDialog dialog(s.sheet, 0, dir.path(), QSize(8, 8), dialogs, {});
    control<QComboBox>(dialog, "skip")->setCurrentIndex(int(Skip::Uniform));
    control<QComboBox>(dialog, "merge")->setCurrentIndex(int(merge));
    control<QCheckBox>(dialog, "writeMap")->setChecked(true);
    control<QLineEdit>(dialog, "mapPath")->setText(dir.filePath(QStringLiteral("map.tmx")));
    QCOMPARE(dialog.cut(), written);
    QCOMPARE(dialogs.questions, question.isEmpty() ? QStringList() : QStringList{question});
    if (written) {
        QCOMPARE(dialogs.messages.size(), 1); // what was written
        const int tiles = merge == Merge::Flips ? 3 : 10;
        QCOMPARE(dialog.fileCounter(), tiles);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("map.tmx"))));
        // A file that was asked about is replaced; one past the tiles is left alone.
        for (const QString& name : present) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll() == "old", question.isEmpty());
        }
    } else {
        QCOMPARE(filesIn(dir.path()).size(), present.size());
        QCOMPARE(dialog.fileCounter(), 0);
    }
}

void TestCut::fullDiskStopsMidCut() {
    QTemporaryDir dir;
    if (!mountSmallDisk(dir.path(), 64))
        QSKIP("Mounting a small disk needs root");
    const auto unmount = qScopeGuard([&] { umount(QFile::encodeName(dir.path()).constData()); });

    // 32 x 32 tiles of 3 KiB each as bitmaps: a 64 KiB disk fills up long before 64 of them.
    QRandomGenerator random(9);
    const QImage sheet = randomTile(random, 256, 256, true);
    const GridSpec shape{32, 32, 0, 0};
    const Plan plan = planCut(sheet, CutOptions{shape, false, Merge::None});
    doubles::ScriptedDialogs dialogs;
    CutDialog dialog(sheet, 100, dir.path(), QSize(32, 32), dialogs, {});
    QVERIFY(dialog.cut());
    const JobReport& report = dialog.report();
    QVERIFY(report.failed());
    const int written = int(report.written.size());
    QVERIFY2(written > 0 && written < 64, qPrintable(QString::number(written)));
    QCOMPARE(dialog.fileCounter(), 100 + written);
    const QString failed = dir.filePath(numbered(100 + written, 1).front());
    QCOMPARE(report.failedFile, failed);
    QCOMPARE(dialogs.messages, QStringList{QStringLiteral("File error!\r") + failed +
                                           QStringLiteral("\rNo space left on device")});
    // Only whole files: those before the failure, each holding its tile; no part
    // of the failed one, no temporary file.
    QCOMPARE(filesIn(dir.path()), numbered(100, written));
    for (int i = 0; i < written; ++i) {
        const QImage back = QImage(dir.filePath(numbered(100 + i, 1).front()));
        VERIFY_PIXELS(back, sheet.copy(plan.grid.cell(i)));
    }
}

void TestCut::cancelMidCut() {
    const Sample s = sample();
    QTemporaryDir dir;
    const Plan plan = planCut(s.sheet, CutOptions{s.shape, false, Merge::None});
    QList<int> asked;
    const Outcome outcome = writeCut(
        s.sheet, plan, Output{dir.path(), 40, Format::Bmp, dir.filePath(QStringLiteral("m.tmx"))},
        [&](int written, int total) {
            asked << written;
            return !(written == 5 && total == 16);
        });
    QVERIFY(outcome.cancelled);
    QVERIFY(!outcome.failed());
    QCOMPARE(asked, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(outcome.written, 5);
    QCOMPARE(outcome.nextCounter, 45);
    // The files written stay; no map points at tiles that were never written.
    QCOMPARE(filesIn(dir.path()), numbered(40, 5));
}

void TestCut::dialogCountsAndOutlines() {
    const Sample s = sample();
    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    QList<Overlay> outlines;
    auto dialog = std::make_unique<CutDialog>(s.sheet, 12, dir.path(), QSize(8, 8), dialogs,
                                              [&](const Overlay& o) { outlines << o; });
    const auto okEnabled = [&] {
        return control<QDialogButtonBox>(*dialog, "buttons")
            ->button(QDialogButtonBox::Ok)
            ->isEnabled();
    };
    // Counted away from the window's thread: the line says so until the plan is in,
    // and OK waits for it. Transparent cells are left out at first.
    QCOMPARE(dialog->countText(), QStringLiteral("counting..."));
    QVERIFY(!okEnabled());
    QTRY_COMPARE(
        dialog->countText(),
        QStringLiteral("16 cells: 2 blank, 0 merged, 14 tiles to write, 012.bmp to 025.bmp"));
    QVERIFY(okEnabled());
    QVERIFY(!outlines.isEmpty() && outlines.last().grid);
    QCOMPARE(outlines.last().grid->cellCount(), 16);
    QCOMPARE(outlines.last().grid->cell(15), QRect(24, 24, 8, 8));

    control<QComboBox>(*dialog, "skip")->setCurrentIndex(int(Skip::Uniform));
    control<QComboBox>(*dialog, "merge")->setCurrentIndex(int(Merge::Flips));
    QTRY_COMPARE(
        dialog->countText(),
        QStringLiteral("16 cells: 4 blank, 9 merged, 3 tiles to write, 012.bmp to 014.bmp"));
    control<QSpinBox>(*dialog, "margin")->setValue(1);
    control<QSpinBox>(*dialog, "spacing")->setValue(2);
    QCOMPARE(outlines.last().grid->cellCount(), 9);
    QCOMPARE(outlines.last().grid->cell(8), QRect(21, 21, 8, 8));
    QTRY_VERIFY2(dialog->countText().endsWith(QStringLiteral("(7 cells at the edges left out)")),
                 qPrintable(dialog->countText()));
    control<QSpinBox>(*dialog, "tileWidth")->setValue(40);
    QCOMPARE(dialog->countText(),
             QStringLiteral("The tile size 40 x 8 is larger than the sheet (32 x 32)."));
    QVERIFY(outlines.last().isEmpty());
    QVERIFY(!okEnabled());
    QVERIFY(!dialog->cut());
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(filesIn(dir.path()).isEmpty());

    const qsizetype before = outlines.size();
    dialog->reject();
    QCOMPARE(outlines.size(), before + 1);
    QVERIFY(outlines.last().isEmpty());
}

void TestCut::laterChangeWinsTheCount() {
    // A plan of a million 1 x 1 cells is still running when the size changes.
    QImage sheet(1024, 1024, QImage::Format_ARGB32);
    QRandomGenerator random(3);
    for (int y = 0; y < sheet.height(); ++y)
        random.fillRange(reinterpret_cast<quint32*>(sheet.scanLine(y)), sheet.width());
    const CutOptions slow{GridSpec{1, 1, 0, 0}, false, Merge::Identical};
    std::atomic<bool> stop{true};
    QVERIFY(!planCut(sheet, slow, &stop)); // given up at once when asked to

    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    CutDialog dialog(sheet, 0, dir.path(), QSize(1, 1), dialogs, {});
    control<QComboBox>(dialog, "merge")->setCurrentIndex(int(Merge::Identical));
    control<QSpinBox>(dialog, "tileWidth")->setValue(512);
    control<QSpinBox>(dialog, "tileHeight")->setValue(512);
    QCOMPARE(dialog.countText(), QStringLiteral("counting..."));
    QTRY_VERIFY(!dialog.counting());
    QCOMPARE(dialog.countText(),
             QStringLiteral("4 cells: 0 blank, 0 merged, 4 tiles to write, 000.bmp to 003.bmp"));
    QVERIFY(dialog.cut());
    QCOMPARE(filesIn(dir.path()), numbered(0, 4));
}

void TestCut::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("files");

    // SHEET is the sample (16 cells, 4 blank) or, named BLANK, a transparent sheet;
    // OUT an empty folder, holding 001.bmp where EXISTS is named.
    const QString help = QStringLiteral("Try 'orvane cut --help'.\n");
    QTest::newRow("everything")
        << QStringList{"SHEET", "--tile", "8x8", "--out", "OUT"} << 0
        << "16 cells: 0 blank, 0 merged, 16 tiles written, 000.bmp to 015.bmp\n"
        << "" << 16;
    QTest::newRow("blank and flips, from 7")
        << QStringList{"SHEET",   "--tile=8x8", "--skip-blank", "--merge", "flips",
                       "--start", "7",          "--out",        "OUT"}
        << 0 << "16 cells: 4 blank, 9 merged, 3 tiles written, 007.bmp to 009.bmp\n"
        << "" << 3;
    QTest::newRow("png with a map")
        << QStringList{"SHEET", "--tile", "8x8",           "--merge", "identical", "--format",
                       "png",   "--tmx",  "OUT/level.tmx", "--out",   "OUT"}
        << 0 << "16 cells: 0 blank, 4 merged, 12 tiles written, 000.png to 011.png\n"
        << "" << 14;
    QTest::newRow("edges left out")
        << QStringList{"SHEET", "--tile", "10x10", "--out", "OUT"} << 0
        << "9 cells: 0 blank, 0 merged, 9 tiles written, 000.bmp to 008.bmp "
           "(7 cells at the edges left out)\n"
        << "" << 9;
    QTest::newRow("all blank") << QStringList{"BLANK",        "--tile", "32x16",
                                              "--skip-blank", "--out",  "OUT"}
                               << 0 << "2 cells: 2 blank, 0 merged, 0 tiles written\n"
                               << "" << 0;
    QTest::newRow("no sheet") << QStringList{"--tile", "8x8"} << 2 << ""
                              << "orvane cut: No sheet given.\n" + help << 0;
    QTest::newRow("no tile size") << QStringList{"SHEET"} << 2 << ""
                                  << "orvane cut: No tile size given (--tile WxH).\n" + help << 0;
    QTest::newRow("tile size without height")
        << QStringList{"SHEET", "--tile", "16"} << 2 << ""
        << "orvane cut: --tile needs a size such as 16x16, or auto, not \"16\".\n" + help << 0;
    QTest::newRow("tile size zero")
        << QStringList{"SHEET", "--tile", "0x8", "--out", "OUT"} << 2 << ""
        << "orvane cut: The tile size must be at least 1 x 1 pixels.\n"
        << 0;
    QTest::newRow("tile larger than the sheet")
        << QStringList{"SHEET", "--tile", "33x8", "--out", "OUT"} << 2 << ""
        << "orvane cut: The tile size 33 x 8 is larger than the sheet (32 x 32).\n"
        << 0;
    QTest::newRow("margin leaves nothing")
        << QStringList{"SHEET", "--tile", "8x8", "--margin", "25", "--out", "OUT"} << 2 << ""
        << "orvane cut: A margin of 25 leaves no whole 8 x 8 cell in the 32 x 32 sheet.\n"
        << 0;
    QTest::newRow("negative spacing")
        << QStringList{"SHEET", "--tile", "8x8", "--spacing", "-1"} << 2 << ""
        << "orvane cut: --spacing needs a whole number from 0 to 1048576, not \"-1\".\n" + help
        << 0;
    QTest::newRow("unknown merge")
        << QStringList{"SHEET", "--tile", "8x8", "--merge", "all"} << 2 << ""
        << "orvane cut: --merge needs none, identical or flips, not \"all\".\n" + help << 0;
    QTest::newRow("unknown option") << QStringList{"SHEET", "--tile", "8x8", "--force"} << 2 << ""
                                    << "orvane cut: Unknown option --force.\n" + help << 0;
    QTest::newRow("value on a flag")
        << QStringList{"SHEET", "--tile", "8x8", "--skip-blank=1"} << 2 << ""
        << "orvane cut: Unexpected value after '--skip-blank'.\n" + help << 0;
    QTest::newRow("value missing") << QStringList{"SHEET", "--tile"} << 2 << ""
                                   << "orvane cut: Missing value after '--tile'.\n" + help << 0;
    QTest::newRow("start past 999")
        << QStringList{"SHEET", "--tile", "8x8", "--start", "1000"} << 2 << ""
        << "orvane cut: --start needs a whole number from 0 to 999, not \"1000\".\n" + help << 0;
    QTest::newRow("missing folder")
        << QStringList{"SHEET", "--tile", "8x8", "--out", "OUT/none"} << 2 << ""
        << "orvane cut: The output folder OUT/none does not exist.\n"
        << 0;
    QTest::newRow("missing sheet")
        << QStringList{"OUT/nothing.png", "--tile", "8x8", "--out", "OUT"} << 3 << ""
        << "orvane cut: The sheet OUT/nothing.png does not exist.\n"
        << 0;
    QTest::newRow("not a picture")
        << QStringList{"TEXT", "--tile", "8x8", "--out", "OUT"} << 3 << ""
        << "orvane cut: Cannot read the sheet " << 0;
    QTest::newRow("numbers past 999 widen every name")
        << QStringList{"SHEET", "--tile", "8x8", "--start", "990", "--out", "OUT"} << 0
        << "16 cells: 0 blank, 0 merged, 16 tiles written, 0990.bmp to 1005.bmp\n"
        << "" << 16;
    QTest::newRow("existing without --overwrite")
        << QStringList{"SHEET", "--tile", "8x8", "--out", "OUT", "EXISTS"} << 5 << ""
        << "orvane cut: OUT/001.bmp already exists; nothing written. Use --overwrite to "
           "replace it.\n"
        << 1;
    QTest::newRow("one cell") << QStringList{"SHEET", "--tile", "32x32", "--out", "OUT"} << 0
                              << "1 cell: 0 blank, 0 merged, 1 tile written, 000.bmp to 000.bmp\n"
                              << "" << 1;
    QTest::newRow("atlas and manifest")
        << QStringList{"SHEET",   "--tile",  "8x8",          "--merge",   "flips", "--skip",
                       "uniform", "--atlas", "OUT/a.png",    "--columns", "2",     "--extrude",
                       "1",       "--json",  "OUT/cut.json", "--out",     "OUT"}
        << 0 << "16 cells: 4 blank, 9 merged, 3 tiles written, into a.png\n"
        << "" << 2;
    QTest::newRow("skip transparent")
        << QStringList{"BLANK", "--tile", "32x16", "--skip", "transparent", "--out", "OUT"} << 0
        << "2 cells: 2 blank, 0 merged, 0 tiles written\n"
        << "" << 0;
    QTest::newRow("transparent keeps one-colour cells")
        << QStringList{"SHEET", "--tile", "8x8", "--skip", "transparent", "--out", "OUT"} << 0
        << "16 cells: 2 blank, 0 merged, 14 tiles written, 000.bmp to 013.bmp\n"
        << "" << 14;
    QTest::newRow("unknown skip")
        << QStringList{"SHEET", "--tile", "8x8", "--skip", "empty"} << 2 << ""
        << "orvane cut: --skip needs none, transparent or uniform, not \"empty\".\n" + help << 0;
    QTest::newRow("two skips")
        << QStringList{"SHEET", "--tile", "8x8", "--skip", "transparent", "--skip-blank"} << 2 << ""
        << "orvane cut: --skip-blank is --skip uniform; it cannot go with --skip transparent.\n" +
               help
        << 0;
    QTest::newRow("region") << QStringList{"SHEET",    "--tile", "8x8",   "--region", "8,8,16,24",
                                           "--format", "png",    "--out", "OUT"}
                            << 0
                            << "6 cells: 0 blank, 0 merged, 6 tiles written, 000.png to 005.png\n"
                            << "" << 6;
    QTest::newRow("region not four numbers")
        << QStringList{"SHEET", "--tile", "8x8", "--region", "0,0,8"} << 2 << ""
        << "orvane cut: --region needs X,Y,W,H such as 0,0,256,128, not \"0,0,8\".\n" + help << 0;
    QTest::newRow("region past the sheet")
        << QStringList{"SHEET", "--tile", "8x8", "--region", "16,0,32,8", "--out", "OUT"} << 2 << ""
        << "orvane cut: REGION\n"
        << 0;
    QTest::newRow("columns without atlas")
        << QStringList{"SHEET", "--tile", "8x8", "--columns", "4"} << 2 << ""
        << "orvane cut: --columns goes with --atlas.\n" + help << 0;
    QTest::newRow("key without sprites")
        << QStringList{"SHEET", "--tile", "8x8", "--key", "ff00ff"} << 2 << ""
        << "orvane cut: --key goes with --sprites.\n" + help << 0;
    QTest::newRow("missing manifest")
        << QStringList{"SHEET", "--tile", "8x8", "--keep-ids", "OUT/none.json", "--out", "OUT"} << 3
        << ""
        << "orvane cut: Cannot read the manifest OUT/none.json: " << 0;
    QTest::newRow("sheet after --")
        << QStringList{"--tile", "8x8", "--out", "OUT", "--", "SHEET"} << 0
        << "16 cells: 0 blank, 0 merged, 16 tiles written, 000.bmp to 015.bmp\n"
        << "" << 16;
    QTest::newRow("existing with --overwrite")
        << QStringList{"SHEET", "--tile", "8x8", "--out", "OUT", "EXISTS", "--overwrite"} << 0
        << "16 cells: 0 blank, 0 merged, 16 tiles written, 000.bmp to 015.bmp\n"
        << "" << 16;
    QTest::newRow("help") << QStringList{"SHEET", "--help"} << 0
                          << "transparent: leave out cells whose every pixel has alpha 0\n"
                          << "" << 0;
}

void TestCut::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(int, files);

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    const QString sheetPath = dir.filePath(QStringLiteral("sheet.png"));
    const QString blankPath = dir.filePath(QStringLiteral("blank.png"));
    const QString textPath = dir.filePath(QStringLiteral("text.png"));
    QVERIFY(sample().sheet.save(sheetPath));
    QVERIFY(filled(32, 32, 0).save(blankPath));
    QVERIFY(writeFile(textPath, "not a picture"));
    QStringList words;
    for (QString word : args) {
        if (word == QStringLiteral("EXISTS")) {
            QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("001.bmp")), "old"));
            continue;
        }
        words << word.replace(QStringLiteral("SHEET"), sheetPath)
                     .replace(QStringLiteral("BLANK"), blankPath)
                     .replace(QStringLiteral("TEXT"), textPath)
                     .replace(QStringLiteral("OUT"), folder);
    }
    out.replace(QStringLiteral("OUT"), folder);
    err.replace(QStringLiteral("OUT"), folder);
    err.replace(QStringLiteral("REGION"), regionProblem(QSize(32, 32), QRect(16, 0, 32, 8)));

    const Cli result = runCli(words);
    QCOMPARE(result.code, code);
    if (words.contains(QStringLiteral("--help"))) {
        QVERIFY2(result.out.contains(out), qPrintable(result.out));
        for (const char* option :
             {"--tile",    "--margin",   "--spacing", "--region",   "--skip",    "--skip-blank",
              "--merge",   "--format",   "--start",   "--out",      "--atlas",   "--columns",
              "--extrude", "--tmx",      "--json",    "--keep-ids", "--sprites", "--key",
              "--join",    "--min-size", "--pad",     "--overwrite"})
            QVERIFY2(result.out.contains(QLatin1String(option)), option);
    } else {
        QCOMPARE(result.out, out);
    }
    if (code == kExitUnreadable || words.contains(QStringLiteral("--keep-ids")))
        QVERIFY2(result.err.startsWith(err) && result.err.endsWith(u'\n'), qPrintable(result.err));
    else
        QCOMPARE(result.err, err);
    QCOMPARE(filesIn(folder).size(), files);
}

void TestCut::commandLineNeedsNoDisplay() {
    QTemporaryDir dir;
    const QString sheetPath = dir.filePath(QStringLiteral("sheet.bmp"));
    QVERIFY(sample().sheet.convertToFormat(QImage::Format_RGB32).save(sheetPath));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(QStringLiteral(ORVANE_PROGRAM),
                  {QStringLiteral("cut"), sheetPath, QStringLiteral("--tile"),
                   QStringLiteral("8x8"), QStringLiteral("--skip-blank")});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.readAllStandardError(), QByteArray());
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput(),
             QByteArray("16 cells: 4 blank, 0 merged, 12 tiles written, 000.bmp to 011.bmp\n"));
    QCOMPARE(filesIn(dir.path()).size(),
             13); // the tiles, written into the current folder, and the sheet

    program.start(QStringLiteral(ORVANE_PROGRAM), {QStringLiteral("cut"), sheetPath});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), int(kExitBadArguments));
}

// One cut standing for many options: a sheet of 1,344 cells (past 999 names),
// flipped repeats and empty cells, cut into an atlas with a manifest and a map;
// the sheet is rebuilt from the manifest and the atlas alone; the same sheet in
// numbered files names every file with four digits; an edited sheet cut again
// keeps the numbers of every tile it still has.
void TestCut::engineRoundTrip() {
    const GridSpec shape{8, 8, 0, 0};
    const int columns = 32, rows = 42;
    QImage sheet(columns * 8, rows * 8, QImage::Format_ARGB32);
    sheet.fill(0);
    const Grid grid = layoutGrid(sheet.size(), shape);
    QRandomGenerator random(20);
    // A cell i with i % 11 == 3 repeats cell i - 3 turned; i % 17 == 5 is empty.
    const auto fresh = [](int i) { return i % 11 != 0 && i % 11 != 3 && i % 17 != 5; };
    for (int i = 0; i < grid.cellCount(); ++i) {
        if (i % 17 == 5)
            continue;
        if (i % 11 == 3 && i >= 3)
            put(sheet, grid, i, byQt(sheet.copy(grid.cell(i - 3)), Transform(i % 8)));
        else
            put(sheet, grid, i, randomTile(random, 8, 8, true));
    }
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const QString sheetPath = dir.filePath(QStringLiteral("sheet.png"));
    QVERIFY(sheet.save(sheetPath));
    const QStringList common{sheetPath,
                             QStringLiteral("--tile"),
                             QStringLiteral("8x8"),
                             QStringLiteral("--merge"),
                             QStringLiteral("flips"),
                             QStringLiteral("--skip"),
                             QStringLiteral("transparent")};
    const auto inOut = [&](const char* name) { return QDir(out).filePath(QLatin1String(name)); };

    Cli cut =
        runCli(common + QStringList{"--atlas", inOut("atlas.png"), "--extrude", "1", "--json",
                                    inOut("cut.json"), "--tmx", inOut("level.tmx"), "--out", out});
    QCOMPARE(cut.code, 0);
    QVERIFY2(cut.out.startsWith(QStringLiteral("1,344 cells: ")) &&
                 cut.out.endsWith(QStringLiteral(" tiles written, into atlas.png\n")),
             qPrintable(cut.out));
    QString why;
    const std::optional<Manifest> manifest = parseManifest(bytesOf(inOut("cut.json")), &why);
    QVERIFY2(manifest, qPrintable(why));
    QCOMPARE(int(manifest->cells.size()), grid.cellCount());
    QVERIFY(manifest->tiles.size() > 1000);
    const QImage atlas = platform::loadImageWithAlpha(inOut("atlas.png"));
    QImage rebuilt(sheet.size(), QImage::Format_ARGB32);
    rebuilt.fill(0);
    for (int i = 0; i < grid.cellCount(); ++i) {
        const std::uint32_t gid = manifest->cells[std::size_t(i)];
        if (gid == 0)
            continue;
        const int id = gidTile(gid);
        const auto tile = std::find_if(manifest->tiles.begin(), manifest->tiles.end(),
                                       [id](const ManifestTile& t) { return t.id == id; });
        QVERIFY(tile != manifest->tiles.end());
        put(rebuilt, grid, i,
            transformed(atlas.copy(QRect(tile->atlasOrigin, QSize(8, 8))), gidTransform(gid)));
    }
    QCOMPARE(rebuilt, sheet);
    QVERIFY(bytesOf(inOut("level.tsx")).contains("<image source=\"atlas.png\""));

    // The same cut as numbered files: every name of four digits, none missing.
    const QString files = dir.filePath(QStringLiteral("files"));
    QVERIFY(QDir().mkpath(files));
    cut = runCli(common + QStringList{"--format", "png", "--out", files});
    QCOMPARE(cut.code, 0);
    const int tiles = int(manifest->tiles.size());
    const QString last = QStringLiteral("%1.png").arg(tiles - 1, 4, 10, QLatin1Char('0'));
    QVERIFY2(cut.out.endsWith(QStringLiteral("written, 0000.png to ") + last + u'\n'),
             qPrintable(cut.out));
    QCOMPARE(filesIn(files).size(), tiles);
    QVERIFY(QFileInfo::exists(QDir(files).filePath(last)));

    // Ten tiles drawn anew: they take new numbers; the rest keep theirs.
    QImage edited = sheet;
    QList<int> changed;
    for (int i = 0; changed.size() < 10; i += 97) {
        if (fresh(i) && !(i + 3 < grid.cellCount() && (i + 3) % 11 == 3)) {
            put(edited, grid, i, randomTile(random, 8, 8, true));
            changed << i;
        }
    }
    QVERIFY(edited.save(sheetPath));
    cut =
        runCli(common + QStringList{"--keep-ids", inOut("cut.json"), "--atlas", inOut("atlas2.png"),
                                    "--json", inOut("cut2.json"), "--out", out});
    QCOMPARE(cut.code, 0);
    // Thousands grouped as in the rest of the line.
    QVERIFY2(cut.out.endsWith(QStringLiteral(", kept %1, new 10, gone 10\n")
                                  .arg(QLocale(QLocale::English).toString(tiles - 10))),
             qPrintable(cut.out));
    const std::optional<Manifest> again = parseManifest(bytesOf(inOut("cut2.json")), &why);
    QVERIFY2(again, qPrintable(why));
    for (int i = 0; i < grid.cellCount(); ++i) {
        const std::uint32_t before = manifest->cells[std::size_t(i)];
        const std::uint32_t now = again->cells[std::size_t(i)];
        if (changed.contains(i))
            QVERIFY(gidTile(now) >= tiles);
        else
            QCOMPARE(now, before);
    }
}

void TestCut::tiledRoundTrip_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<Merge>("merge");
    QTest::addColumn<bool>("skipBlank");
    QTest::addColumn<GridSpec>("shape");
    QTest::addColumn<bool>("opaque");

    QTest::newRow("png, flips, blanks")
        << Format::Png << Merge::Flips << true << GridSpec{8, 8, 0, 0} << false;
    QTest::newRow("bmp, flips, blanks")
        << Format::Bmp << Merge::Flips << true << GridSpec{8, 8, 0, 0} << true;
    QTest::newRow("png, identical")
        << Format::Png << Merge::Identical << false << GridSpec{8, 8, 0, 0} << false;
    QTest::newRow("png, margin and spacing, oblong")
        << Format::Png << Merge::Flips << true << GridSpec{6, 4, 1, 2} << false;
}

void TestCut::tiledRoundTrip() {
    QFETCH(Format, format);
    QFETCH(Merge, merge);
    QFETCH(bool, skipBlank);
    QFETCH(GridSpec, shape);
    QFETCH(bool, opaque);

    const bool required = qEnvironmentVariableIntValue("ORVANE_TILED") != 0;
    const QString rasterizer = QStandardPaths::findExecutable(QStringLiteral("tmxrasterizer"));
    if (!required)
        QSKIP("The Tiled round trip runs as the test cut_tiled");
    QVERIFY2(!rasterizer.isEmpty(), "tmxrasterizer (Debian package tiled) is not installed");

    // The sample, with transparent pixels made opaque where bitmaps are written,
    // and a margin and spacing of noise that the map must not show.
    const Sample s = sample();
    QRandomGenerator random(21);
    const Grid sampleGrid = layoutGrid(s.sheet.size(), s.shape);
    const QSize cells(4, 4);
    const QSize size(shape.margin + cells.width() * (shape.tileWidth + shape.spacing) + 3,
                     shape.margin + cells.height() * (shape.tileHeight + shape.spacing) + 1);
    QImage sheet = randomTile(random, size.width(), size.height());
    const Grid grid = layoutGrid(sheet.size(), shape);
    QCOMPARE(grid.columns, 4);
    QCOMPARE(grid.rows, 4);
    for (int i = 0; i < 16; ++i) {
        QImage cell =
            s.sheet.copy(sampleGrid.cell(i)).copy(0, 0, shape.tileWidth, shape.tileHeight);
        if (i == 1) // a second use of cell 0's oblong part, mirrored
            cell =
                byQt(s.sheet.copy(sampleGrid.cell(0)).copy(0, 0, shape.tileWidth, shape.tileHeight),
                     kFlipH);
        put(sheet, grid, i, cell);
    }
    // Bitmaps hold no alpha: for them every pixel is made opaque, and the
    // transparent blank cells become opaque black ones, still blank.
    if (opaque) {
        for (int y = 0; y < sheet.height(); ++y) {
            for (int x = 0; x < sheet.width(); ++x)
                sheet.setPixel(x, y, sheet.pixel(x, y) | 0xFF000000u);
        }
    }
    QTemporaryDir dir;
    const QString sheetPath = dir.filePath(QStringLiteral("sheet.png"));
    QVERIFY(sheet.save(sheetPath));

    const Plan plan =
        planCut(platform::loadImageWithAlpha(sheetPath), CutOptions{shape, skipBlank, merge});
    const QString tmx = dir.filePath(QStringLiteral("maps/level.tmx"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("maps"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("tiles"))));
    const Outcome outcome = writeCut(platform::loadImageWithAlpha(sheetPath), plan,
                                     Output{dir.filePath(QStringLiteral("tiles")), 3, format, tmx});
    QVERIFY2(!outcome.failed(), qPrintable(outcome.reason));
    QVERIFY(merge != Merge::Flips || plan.duplicates > 0);
    QVERIFY(!skipBlank || plan.blank > 0);

    const QString rendered = dir.filePath(QStringLiteral("rendered.png"));
    QProcess process;
    process.start(rasterizer, {QStringLiteral("--no-smoothing"), tmx, rendered});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    // The cells side by side, the skipped ones transparent.
    QImage expected(cells.width() * shape.tileWidth, cells.height() * shape.tileHeight,
                    QImage::Format_ARGB32);
    expected.fill(0);
    const QImage loaded = platform::loadImageWithAlpha(sheetPath);
    for (int i = 0; i < grid.cellCount(); ++i) {
        if (plan.placements[std::size_t(i)].tile < 0)
            continue;
        const QRect from = grid.cell(i);
        const QImage cell = loaded.copy(from);
        for (int y = 0; y < from.height(); ++y) {
            for (int x = 0; x < from.width(); ++x)
                expected.setPixel((i % 4) * shape.tileWidth + x, (i / 4) * shape.tileHeight + y,
                                  cell.pixel(x, y));
        }
    }
    QImage back(rendered);
    QVERIFY(!back.isNull());
    // The renderer draws into premultiplied pixels, which hold a half-transparent
    // colour only to the precision of its alpha; the comparison is made there.
    // Opaque and fully transparent pixels are compared exactly all the same.
    const auto premultiplied = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
            .convertToFormat(QImage::Format_ARGB32);
    };
    VERIFY_PIXELS(premultiplied(back), premultiplied(expected));
}

void TestCut::windowCutsTheTileset() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(!f.b_cut->isEnabled()); // nothing to cut before a tileset
    // Wider than the view, so that it scrolls.
    QImage sheet(608, 32, QImage::Format_RGB32);
    sheet.fill(Qt::darkBlue);               // the grid is drawn in the outline colour, white
    sheet.setPixel(20, 5, qRgb(255, 0, 0)); // two different cells
    app.importImage(sheet);
    QVERIFY(f.b_cut->isEnabled());
    f.state.setFileCounter(5);

    f.b_cut->click();
    auto* dialog = app.window->findChild<cut::CutDialog*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!QApplication::activeModalWidget()); // the window still takes its input
    QCOMPARE(control<QSpinBox>(*dialog, "tileWidth")->value(), 16); // the Fixed size in force
    // The grid is over the view while the dialog is open, not in its image, and it
    // follows the scroll: the cell edge at x = 128 shows at 128 - 100 once scrolled.
    const auto gridAt = [&](int x) {
        return painted(f.pics).pixel(x, 8) != f.pics->image().pixel(x, 8);
    };
    QVERIFY(gridAt(16));
    QVERIFY(!gridAt(20));
    f.HScroll1->setValue(100);
    QVERIFY(gridAt(28));
    QVERIFY(!gridAt(16));

    control<QComboBox>(*dialog, "merge")->setCurrentIndex(int(Merge::Identical));
    QTRY_VERIFY(!dialog->counting());
    QVERIFY(dialog->cut());
    QVERIFY(QFile::exists(app.workFolder() + QStringLiteral("/005.bmp")));
    QVERIFY(QFile::exists(app.workFolder() + QStringLiteral("/006.bmp")));
    QVERIFY(!QFile::exists(app.workFolder() + QStringLiteral("/007.bmp")));
    QCOMPARE(f.state.fileCounter, std::int16_t(7));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:007.bmp"));
    QCOMPARE(f.File1->findItems(QStringLiteral("006.bmp"), Qt::MatchExactly).size(), 1);
    QVERIFY(app.dialogs.messages.last().startsWith(
        QStringLiteral("76 cells: 0 blank, 74 merged, 2 tiles written, 005.bmp to 006.bmp")));
    dialog->accept();
    QTRY_VERIFY(!app.window->findChild<cut::CutDialog*>()); // closed and gone
    VERIFY_SAME(painted(f.pics), f.pics->image());          // the grid went with it

    // A cut past 999: the label says so as after SAVE's last number.
    f.state.setFileCounter(999);
    f.b_cut->click();
    dialog = app.window->findChild<cut::CutDialog*>();
    QVERIFY(dialog);
    QTRY_VERIFY(!dialog->counting());
    QVERIFY(dialog->cut());
    QVERIFY(QFile::exists(app.workFolder() + QStringLiteral("/1000.bmp")));
    QCOMPARE(f.state.fileCounter, std::int16_t(1001));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:???"));
    dialog->reject();
}

namespace {

// Every entry below the folder by path: a link as where it points (never
// followed), a folder as such, a file as its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> result;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        result.insert(path, info.isSymLink() ? "link to " + QFile::encodeName(info.symLinkTarget())
                            : info.isDir()   ? QByteArray("<folder>")
                                             : bytesOf(path));
    }
    return result;
}

mode_t lstatMode(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// The mode a file the program makes gets: 0666 less the umask.
mode_t programMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A sheet of noise whose every cell differs, cut into `columns` x `rows` cells of `tile`.
QImage noiseSheet(quint32 seed, int tile, int columns, int rows) {
    QRandomGenerator random(seed);
    return randomTile(random, tile * columns, tile * rows, true);
}

QStringList cutArguments(const QStringList& words) {
    return QStringList{QStringLiteral("cut")} + words;
}

} // namespace

void TestCut::hostileTargets_data() {
    QTest::addColumn<QStringList>("prepare");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");

    // The cut writes 000.bmp to 002.bmp into OUT, and what `args` add. ROOT holds
    // OUT and ELSE, a folder the cut has no business in, with victim.tmx in it.
    const QStringList none;
    const QStringList mapLink{"link OUT/map.tmx ELSE/victim.tmx"};
    const QStringList tilesetDangling{"link OUT/map.tsx ELSE/none.tsx"};
    QTest::newRow("map a link to a file")
        << mapLink << QStringList{"--tmx", "OUT/map.tmx"} << 5 << "already exists";
    QTest::newRow("map a link to a file, --overwrite")
        << mapLink << QStringList{"--tmx", "OUT/map.tmx", "--overwrite"} << 0 << "";
    QTest::newRow("tileset a dangling link")
        << tilesetDangling << QStringList{"--tmx", "OUT/map.tmx"} << 5 << "already exists";
    QTest::newRow("tileset a dangling link, --overwrite")
        << tilesetDangling << QStringList{"--tmx", "OUT/map.tmx", "--overwrite"} << 0 << "";
    QTest::newRow("tile a dangling link")
        << QStringList{"link OUT/001.bmp ELSE/none.bmp"} << none << 5 << "already exists";
    QTest::newRow("map named like a tile")
        << none << QStringList{"--tmx", "OUT/002.bmp", "--overwrite"} << 2 << "name the same file";
    QTest::newRow("map named like its tileset")
        << none << QStringList{"--tmx", "OUT/map.tsx"} << 2 << "name the same file";
    QTest::newRow("map named like a tile through a linked folder")
        << QStringList{"link ROOT/linked OUT"} << QStringList{"--tmx", "ROOT/linked/001.bmp"} << 2
        << "name the same file";
    QTest::newRow("map folder missing")
        << none << QStringList{"--tmx", "OUT/none/map.tmx"} << 2 << "does not exist";
    QTest::newRow("map folder read-only")
        << QStringList{"readonly ROOT/ro"} << QStringList{"--tmx", "ROOT/ro/map.tmx"} << 2
        << "cannot be written to: Permission denied";
    QTest::newRow("map a folder") << QStringList{"folder OUT/sub"}
                                  << QStringList{"--tmx", "OUT/sub", "--overwrite"} << 2
                                  << "is a folder";
    QTest::newRow("tile a folder")
        << QStringList{"folder OUT/001.bmp"} << QStringList{"--overwrite"} << 2 << "is a folder";
    QTest::newRow("control character in the map's name")
        << none << QStringList{"--tmx", "OUT/ma\x01p.tmx"} << 2 << "control character";
    QTest::newRow("output folder a file")
        << QStringList{"file ROOT/file"} << QStringList{"--out", "ROOT/file"} << 2
        << "is not a folder";
}

void TestCut::hostileTargets() {
    QFETCH(QStringList, prepare);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);

    QTemporaryDir dir;
    const QString root = dir.path();
    const QString out = root + QStringLiteral("/out");
    const QString elsewhere = root + QStringLiteral("/else");
    const auto expand = [&](const QString& word) {
        for (const auto& [token, path] :
             {std::pair{QStringLiteral("ROOT"), root}, std::pair{QStringLiteral("OUT"), out},
              std::pair{QStringLiteral("ELSE"), elsewhere}}) {
            if (word.startsWith(token))
                return path + word.mid(token.size());
        }
        return word;
    };
    QVERIFY(QDir().mkpath(out) && QDir().mkpath(elsewhere));
    QVERIFY(writeFile(elsewhere + QStringLiteral("/victim.tmx"), "victim"));
    QVERIFY(::chmod(QFile::encodeName(elsewhere + QStringLiteral("/victim.tmx")).constData(),
                    0640) == 0);
    const QString sheet = root + QStringLiteral("/sheet.png");
    QVERIFY(sample().sheet.save(sheet));
    Restore restore;
    for (const QString& line : prepare) {
        const QStringList w = line.split(u' ');
        const QByteArray path = QFile::encodeName(expand(w[1]));
        if (w[0] == u"link") {
            QCOMPARE(::symlink(QFile::encodeName(expand(w[2])).constData(), path.constData()), 0);
        } else if (w[0] == u"folder") {
            QCOMPARE(::mkdir(path.constData(), 0755), 0);
        } else if (w[0] == u"file") {
            QVERIFY(writeFile(expand(w[1]), "a file"));
        } else if (w[0] == u"readonly") {
            if (geteuid() == 0)
                QSKIP("Permissions do not stop writes here (running as root)");
            QCOMPARE(::mkdir(path.constData(), 0555), 0);
            restore.set([path] { ::chmod(path.constData(), 0755); });
        }
    }
    QStringList words{sheet,
                      QStringLiteral("--tile"),
                      QStringLiteral("8x8"),
                      QStringLiteral("--skip-blank"),
                      QStringLiteral("--merge"),
                      QStringLiteral("flips"),
                      QStringLiteral("--out"),
                      out};
    for (const QString& word : args)
        words << expand(word);
    const auto before = snapshot(root);

    const Cli result = runCli(words);
    QCOMPARE(result.code, code);
    if (says.isEmpty())
        QCOMPARE(result.err, QString());
    else
        QVERIFY2(result.err.contains(says), qPrintable(result.err));

    const auto after = snapshot(root);
    if (code != 0) {
        QCOMPARE(after, before); // nothing at all written
        return;
    }
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!it.key().startsWith(out + u'/'))
            QCOMPARE(after.value(it.key()), it.value());
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        QVERIFY2(it.key().startsWith(out + u'/') || before.contains(it.key()),
                 qPrintable(it.key()));
        if (it.key().startsWith(out + u'/')) {
            // Links replaced by files of the program's own, none left behind.
            QVERIFY2(S_ISREG(lstatMode(it.key())), qPrintable(it.key()));
            QCOMPARE(lstatMode(it.key()) & 07777, programMode());
        }
    }
    QVERIFY(after.value(out + QStringLiteral("/map.tmx")).startsWith("<?xml"));
    QVERIFY(after.value(out + QStringLiteral("/map.tsx")).startsWith("<?xml"));
}

void TestCut::fileAppearingStopsTheCut() {
    const Sample s = sample();
    QTemporaryDir dir;
    const Plan plan = planCut(s.sheet, CutOptions{s.shape, false, Merge::None});
    const QString planted = dir.filePath(QStringLiteral("003.bmp"));
    // Another program makes 003.bmp after the checks, while 002.bmp is written.
    const Outcome outcome = writeCut(
        s.sheet, plan, Output{dir.path(), 0, Format::Bmp, dir.filePath(QStringLiteral("m.tmx"))},
        [&](int written, int) { return written != 2 || writeFile(planted, "theirs"); });
    QCOMPARE(outcome.failure, Outcome::Failure::Appeared);
    QCOMPARE(outcome.failedFile, planted);
    QVERIFY2(outcome.reason.contains(QStringLiteral("appeared while the cut was writing")),
             qPrintable(outcome.reason));
    QCOMPARE(outcome.written, 3);
    QCOMPARE(bytesOf(planted), QByteArray("theirs"));
    QCOMPARE(filesIn(dir.path()), numbered(0, 4)); // and no map
}

void TestCut::heldFolderRefusesTheCut() {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString maps = dir.filePath(QStringLiteral("maps"));
    QVERIFY(QDir().mkpath(out) && QDir().mkpath(maps));
    const QString sheet = dir.filePath(QStringLiteral("sheet.png"));
    QVERIFY(sample().sheet.save(sheet));
    const QStringList words{
        sheet, QStringLiteral("--tile"), QStringLiteral("8x8"),          QStringLiteral("--out"),
        out,   QStringLiteral("--tmx"),  maps + QStringLiteral("/m.tmx")};
    for (const QString& folder : {out, maps}) {
        const platform::FolderLock held(folder);
        const Cli result = runCli(words);
        QCOMPARE(result.code, int(kExitBusy));
        QCOMPARE(result.err, QStringLiteral("orvane cut: Another cut is writing into %1; nothing "
                                            "written.\n")
                                 .arg(folder));
        QVERIFY(filesIn(out).isEmpty() && filesIn(maps).isEmpty());
    }
    QCOMPARE(runCli(words).code, 0); // let go with its holder
    QCOMPARE(filesIn(out).size(), 16);
}

void TestCut::twoCutsSideBySide_data() {
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("new files") << false;
    QTest::newRow("--overwrite") << true;
}

void TestCut::twoCutsSideBySide() {
    QFETCH(bool, overwrite);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    // Two different sheets of 990 tiles each, and what each cut alone writes.
    QList<QMap<QString, QByteArray>> alone;
    QStringList sheets;
    for (quint32 seed : {1u, 2u}) {
        const QImage sheet = noiseSheet(seed, 16, 30, 33);
        sheets << dir.filePath(QStringLiteral("sheet%1.png").arg(seed));
        QVERIFY(sheet.save(sheets.last()));
        const QString ref = dir.filePath(QStringLiteral("ref%1").arg(seed));
        QVERIFY(QDir().mkpath(ref));
        const Plan plan = planCut(sheet, CutOptions{GridSpec{16, 16, 0, 0}, false, Merge::None});
        QVERIFY(!writeCut(sheet, plan, Output{ref, 0, Format::Png, {}}).failed());
        QMap<QString, QByteArray> files;
        for (const QString& name : filesIn(ref))
            files.insert(name, bytesOf(ref + u'/' + name));
        alone << files;
    }
    QList<QProcess*> runs;
    for (const QString& sheet : sheets) {
        auto* run = new QProcess(this);
        QStringList words{sheet,
                          QStringLiteral("--tile"),
                          QStringLiteral("16x16"),
                          QStringLiteral("--format"),
                          QStringLiteral("png"),
                          QStringLiteral("--out"),
                          out};
        if (overwrite)
            words << QStringLiteral("--overwrite");
        run->start(QStringLiteral(ORVANE_PROGRAM), cutArguments(words));
        runs << run;
    }
    QList<int> codes;
    for (QProcess* run : runs) {
        QVERIFY(run->waitForFinished(120000));
        codes << run->exitCode();
        run->deleteLater();
    }
    // Whatever the timing: the folder holds one run's tiles, all of them, and
    // that run says so; the other was refused or, with --overwrite, ran wholly
    // before it.
    QMap<QString, QByteArray> found;
    for (const QString& name : entries(out))
        found.insert(name, bytesOf(out + u'/' + name));
    const int winner = found == alone[0] ? 0 : found == alone[1] ? 1 : -1;
    QVERIFY2(winner >= 0, qPrintable(QStringLiteral("a mix of %1 entries, exit codes %2 and %3")
                                         .arg(found.size())
                                         .arg(codes[0])
                                         .arg(codes[1])));
    QCOMPARE(codes[winner], 0);
    const int other = codes[1 - winner];
    QVERIFY2(other == kExitBusy || (overwrite ? other == 0 : other == kExitFilesExist),
             qPrintable(QString::number(other)));
}

void TestCut::killedCutLeavesWholeFiles() {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString ref = dir.filePath(QStringLiteral("ref"));
    QVERIFY(QDir().mkpath(out) && QDir().mkpath(ref));
    const QImage sheet = noiseSheet(3, 48, 30, 33);
    const QString sheetPath = dir.filePath(QStringLiteral("sheet.png"));
    QVERIFY(sheet.save(sheetPath));
    const Plan plan = planCut(sheet, CutOptions{GridSpec{48, 48, 0, 0}, false, Merge::None});
    QVERIFY(!writeCut(sheet, plan, Output{ref, 0, Format::Png, {}}).failed());
    const QStringList words{sheetPath,
                            QStringLiteral("--tile"),
                            QStringLiteral("48x48"),
                            QStringLiteral("--format"),
                            QStringLiteral("png"),
                            QStringLiteral("--out"),
                            out};
    QProcess run;
    run.start(QStringLiteral(ORVANE_PROGRAM), cutArguments(words));
    QVERIFY(run.waitForStarted());
    while (run.state() == QProcess::Running && entries(out).size() < 40)
        QThread::usleep(200);
    if (run.state() != QProcess::Running)
        QSKIP("The cut ended before it could be killed");
    ::kill(pid_t(run.processId()), SIGKILL);
    QVERIFY(run.waitForFinished());
    const QStringList left = entries(out);
    QVERIFY(left.size() >= 40);
    for (const QString& name : left) {
        // Only whole tiles; temporaries only where nameless files are not made,
        // and only under the name the next cut clears.
        if (name.startsWith(QLatin1String(platform::kTemporaryPrefix)))
            continue;
        QCOMPARE(bytesOf(out + u'/' + name), bytesOf(ref + u'/' + name));
    }
    // The next cut into the folder leaves exactly the tiles.
    QCOMPARE(runCli(QStringList(words) << QStringLiteral("--overwrite")).code, 0);
    QCOMPARE(entries(out), filesIn(ref));
}

void TestCut::hiddenColoursOfTransparentPixels() {
    // Two cells, every pixel transparent: the first hides one colour, the
    // second many. A window import and the command line must see the same sheet.
    QImage sheet(32, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x)
            sheet.setPixel(x, y, x < 16 ? qRgba(10, 20, 30, 0) : qRgba(x * 7, y * 15, 99, 0));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hidden.png"));
    QVERIFY(sheet.save(path));
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_ARGB32).pixel(20, 3), sheet.pixel(20, 3));

    const QImage window =
        platform::loadPicture(path)->image().convertToFormat(QImage::Format_ARGB32);
    const QImage command = platform::loadImageWithAlpha(path);
    VERIFY_PIXELS(command, window);
    VERIFY_PIXELS(command, sheet);

    const GridSpec shape{16, 16, 0, 0};
    const Plan blanks = planCut(command, CutOptions{shape, true, Merge::None});
    QCOMPARE(blanks.blank, 2);
    QCOMPARE(blanks.tileCount(), 0);
    const Plan merged = planCut(command, CutOptions{shape, false, Merge::Flips});
    QCOMPARE(merged.duplicates, 1);
    QCOMPARE(runCli({path, QStringLiteral("--tile"), QStringLiteral("16x16"),
                     QStringLiteral("--skip-blank"), QStringLiteral("--out"), dir.path()})
                 .out,
             QStringLiteral("2 cells: 2 blank, 0 merged, 0 tiles written\n"));

    // The PNG tiles keep every pixel's colour as the sheet has it.
    const Plan all = planCut(command, CutOptions{shape, false, Merge::None});
    QVERIFY(!writeCut(command, all, Output{dir.path(), 0, Format::Png, {}}).failed());
    for (int i = 0; i < 2; ++i) {
        QImageReader reader(dir.filePath(numbered(i, 1, QStringLiteral(".png")).front()));
        VERIFY_PIXELS(reader.read(), sheet.copy(all.grid.cell(i)));
    }
}

void TestCut::programNamesAndMessages() {
    // Names in bytes that are not UTF-8, as an old archive unpacks them.
    QTemporaryDir dir;
    const QByteArray base = QFile::encodeName(dir.path());
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(sample().sheet.save(&buffer, "PNG"));
    }
    const auto put = [](const QByteArray& path, const QByteArray& bytes) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        const bool done = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) ==
                                         ssize_t(bytes.size());
        return ::close(fd) == 0 && done;
    };
    QVERIFY(put(base + "/bad\xff.png", png));
    QVERIFY(put(base + "/-dash.png", png));
    QCOMPARE(::mkdir((base + "/dir\xff").constData(), 0755), 0);
    // A PNG whose picture data fails its checksum: libpng complains of it.
    QByteArray broken = png;
    broken[broken.indexOf("IDAT") + 6] = char(broken[broken.indexOf("IDAT") + 6] ^ 0x55);
    QVERIFY(put(base + "/broken.png", broken));

    const auto run = [&](const QString& script) {
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                                QStringLiteral(ORVANE_PROGRAM)});
        shell.waitForFinished(60000);
        return std::tuple{shell.exitCode(), QString::fromUtf8(shell.readAllStandardOutput()),
                          QString::fromUtf8(shell.readAllStandardError())};
    };
    auto [code, out, err] = run(QStringLiteral(
        R"sh(exec "$1" cut "$(printf 'bad\377.png')" --tile 8x8 --out "$(printf 'dir\377')")sh"));
    QCOMPARE(err, QString());
    QCOMPARE(code, 0);
    QCOMPARE(out,
             QStringLiteral("16 cells: 0 blank, 0 merged, 16 tiles written, 000.bmp to 015.bmp\n"));
    struct stat st {};
    QCOMPARE(::stat((base + "/dir\xff/015.bmp").constData(), &st), 0);

    std::tie(code, out, err) = run(QStringLiteral(R"sh(exec "$1" cut --tile 8x8 -- -dash.png)sh"));
    QCOMPARE(err, QString());
    QCOMPARE(code, 0);

    std::tie(code, out, err) = run(QStringLiteral(R"sh(exec "$1" cut broken.png --tile 8x8)sh"));
    QCOMPARE(code, int(kExitUnreadable));
    QVERIFY2(err.startsWith(QStringLiteral("orvane cut: Cannot read the sheet broken.png: ")) &&
                 err.count(u'\n') == 1,
             qPrintable(err));
}

void TestCut::dialogKeepsToItsFolder() {
    const Sample s = sample();
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString victim = dir.filePath(QStringLiteral("victim.tmx"));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(writeFile(victim, "victim"));
    const QString map = out + QStringLiteral("/map.tmx");
    QCOMPARE(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(map).constData()),
             0);
    doubles::ScriptedDialogs dialogs;
    CutDialog dialog(s.sheet, 0, out, QSize(8, 8), dialogs, {});
    control<QComboBox>(dialog, "skip")->setCurrentIndex(int(Skip::Uniform));
    control<QComboBox>(dialog, "merge")->setCurrentIndex(int(Merge::Flips));
    control<QCheckBox>(dialog, "writeMap")->setChecked(true);

    // A map named like one of the tiles is refused before anything is written.
    control<QLineEdit>(dialog, "mapPath")->setText(out + QStringLiteral("/001.bmp"));
    QVERIFY(!dialog.cut());
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages[0].contains(QStringLiteral("name the same file")),
             qPrintable(dialogs.messages[0]));
    QCOMPARE(filesIn(out), QStringList{QStringLiteral("map.tmx")});

    // A map that is a link: replaced when the user says so, its target untouched.
    dialogs.messages.clear();
    dialogs.questionAnswers.push_back(true);
    control<QLineEdit>(dialog, "mapPath")->setText(map);
    QVERIFY(dialog.cut());
    QCOMPARE(dialogs.questions, QStringList{QStringLiteral("map.tmx already exists. Replace it?")});
    QCOMPARE(dialogs.messages.size(), 1); // what was written
    QCOMPARE(bytesOf(victim), QByteArray("victim"));
    QVERIFY(S_ISREG(lstatMode(map)));
    QVERIFY(bytesOf(map).startsWith("<?xml"));
}

void TestCut::initTestCase() {
    // The dialog's choices go to a folder of this run, never the user's settings.
    QVERIFY(settingsDir_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane tests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_cut"));
}

void TestCut::init() {
    // Each test starts from the dialog's own defaults.
    QSettings().clear();
}

void TestCut::gridLinesOfTheView_data() {
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<QRect>("visible");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QRect>("first");
    QTest::addColumn<QRect>("last");

    // A view of a 4096 x 4096 sheet of 1 x 1 cells: one line per visible column and
    // row, not one box per cell.
    QTest::newRow("1x1 cells, 4096 square")
        << layoutGrid({4096, 4096}, {1, 1, 0, 0}) << QRect(1000, 2000, 448, 640) << 448 + 640
        << QRect(1000, 2000, 1, 640) << QRect(1000, 2639, 448, 1);
    // Both edges of each cell, as the cells' outlines have them.
    QTest::newRow("16x16, the whole sheet in view")
        << layoutGrid({64, 64}, {16, 16, 0, 0}) << QRect(0, 0, 448, 640) << 16 << QRect(0, 0, 1, 64)
        << QRect(0, 63, 64, 1);
    // Cells at 1, 11, 21 on each axis; the view starts at x = 10.
    QTest::newRow("margin and spacing, scrolled")
        << layoutGrid({32, 32}, {8, 8, 1, 2}) << QRect(10, 0, 448, 640) << 4 + 6
        << QRect(11, 1, 1, 28) << QRect(10, 28, 19, 1);
    QTest::newRow("scrolled past the cells") << layoutGrid({70, 70}, {16, 16, 0, 0})
                                             << QRect(64, 64, 448, 640) << 0 << QRect() << QRect();
}

void TestCut::gridLinesOfTheView() {
    QFETCH(Grid, grid);
    QFETCH(QRect, visible);
    QFETCH(int, lines);
    QFETCH(QRect, first);
    QFETCH(QRect, last);
    const std::vector<QRect> drawn = gridLines(grid, visible);
    QCOMPARE(int(drawn.size()), lines);
    if (lines > 0) {
        QCOMPARE(drawn.front(), first);
        QCOMPARE(drawn.back(), last);
    }
    // Every line lies on a cell's edge and within the view.
    for (const QRect& line : drawn) {
        QVERIFY(visible.contains(line));
        QVERIFY(line.width() == 1 || line.height() == 1);
    }
}

void TestCut::dialogRemembersItsChoices() {
    const Sample s = sample();
    QTemporaryDir first, second;
    doubles::ScriptedDialogs dialogs;
    {
        CutDialog dialog(s.sheet, 0, first.path(), QSize(8, 8), dialogs, {});
        // Transparent cells are what users call empty: the first default.
        QCOMPARE(control<QComboBox>(dialog, "skip")->currentIndex(), int(Skip::Transparent));
        control<QSpinBox>(dialog, "tileHeight")->setValue(10);
        control<QSpinBox>(dialog, "margin")->setValue(1);
        control<QComboBox>(dialog, "skip")->setCurrentIndex(int(Skip::Uniform));
        control<QComboBox>(dialog, "merge")->setCurrentIndex(int(Merge::Flips));
        control<QComboBox>(dialog, "format")->setCurrentIndex(1);
        control<QCheckBox>(dialog, "writeJson")->setChecked(true);
        control<QLineEdit>(dialog, "jsonPath")->setText(first.filePath(QStringLiteral("set.json")));
        QTRY_VERIFY(!dialog.counting());
        QVERIFY(dialog.cut());
    }
    // The settings are the test's own, not the user's.
    QVERIFY(QSettings().fileName().startsWith(settingsDir_.path()));
    CutDialog again(s.sheet, 0, second.path(), QSize(16, 16), dialogs, {});
    QCOMPARE(control<QSpinBox>(again, "tileWidth")->value(), 8);
    QCOMPARE(control<QSpinBox>(again, "tileHeight")->value(), 10);
    QCOMPARE(control<QSpinBox>(again, "margin")->value(), 1);
    QCOMPARE(control<QComboBox>(again, "skip")->currentIndex(), int(Skip::Uniform));
    QCOMPARE(control<QComboBox>(again, "merge")->currentIndex(), int(Merge::Flips));
    QCOMPARE(control<QComboBox>(again, "format")->currentIndex(), 1);
    QVERIFY(control<QCheckBox>(again, "writeJson")->isChecked());
    // A file's name is kept, in the folder of this run.
    QCOMPARE(control<QLineEdit>(again, "jsonPath")->text(),
             second.filePath(QStringLiteral("set.json")));
}

void TestCut::dialogDetectsAndWarns() {
    // 12 x 10 cells of 16 x 16 in grey gutters, margin 1 and spacing 1.
    QRandomGenerator random(11);
    QImage sheet = filled(12 * 17 + 1, 10 * 17 + 1, qRgb(60, 60, 60));
    const Grid grid = layoutGrid(sheet.size(), {16, 16, 1, 1});
    for (int i = 0; i < grid.cellCount(); ++i)
        put(sheet, grid, i, randomTile(random, 16, 16, true));
    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    CutDialog dialog(sheet, 0, dir.path(), QSize(16, 16), dialogs, {});
    // The gutters fall inside cells of 16 x 16 from the corner: said, and cut as asked.
    QTRY_VERIFY(!dialog.counting());
    QCOMPARE(dialog.gridNote(), QStringLiteral("This grid looks wrong for the sheet (detected "
                                               "16x16, margin 1, spacing 1); the cut still uses "
                                               "the grid above."));
    QVERIFY2(dialog.countText().endsWith(QStringLiteral("at the edges left out)")),
             qPrintable(dialog.countText()));
    control<QPushButton>(dialog, "detect")->click();
    QCOMPARE(control<QSpinBox>(dialog, "margin")->value(), 1);
    QCOMPARE(control<QSpinBox>(dialog, "spacing")->value(), 1);
    QCOMPARE(dialog.gridNote(), QStringLiteral("detected 16x16, margin 1, spacing 1"));
    QTRY_VERIFY(!dialog.counting());
    QVERIFY2(dialog.countText().startsWith(QStringLiteral("120 cells: 0 blank")) &&
                 !dialog.countText().contains(QStringLiteral("left out")),
             qPrintable(dialog.countText()));
    QCOMPARE(dialog.gridNote(), QStringLiteral("detected 16x16, margin 1, spacing 1"));

    // Noise shows no grid: Detect says so and leaves the boxes alone.
    CutDialog noise(randomTile(random, 200, 120, true), 0, dir.path(), QSize(16, 16), dialogs, {});
    control<QPushButton>(noise, "detect")->click();
    QVERIFY2(noise.gridNote().startsWith(QStringLiteral("No grid found: ")),
             qPrintable(noise.gridNote()));
    QCOMPARE(control<QSpinBox>(noise, "tileWidth")->value(), 16);
}

void TestCut::dialogFindsSprites() {
    // Three sprites on nothing, one of them two parts touching at a corner.
    QImage sheet = filled(64, 40, 0);
    const QList<QRect> parts{QRect(2, 3, 10, 6), QRect(30, 1, 5, 5), QRect(35, 6, 4, 4),
                             QRect(50, 20, 8, 12)};
    for (const QRect& r : parts)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                sheet.setPixel(x, y, 0xFF20A040);
    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    QList<Overlay> shown;
    CutDialog dialog(sheet, 0, dir.path(), QSize(16, 16), dialogs,
                     [&](const Overlay& o) { shown << o; });
    dialog.show();
    control<QPushButton>(dialog, "detect")->click();
    const int gridHeight = dialog.height();
    control<QComboBox>(dialog, "mode")->setCurrentIndex(1);
    // The grid's note goes with the grid, and leaves no gap.
    QVERIFY(!control<QLabel>(dialog, "gridNote")->isVisible());
    QCOMPARE(dialog.height(), dialog.sizeHint().height());
    QVERIFY(dialog.height() < gridHeight);
    QTRY_VERIFY(!shown.isEmpty() && !shown.last().boxes.empty());
    QTRY_VERIFY(!dialog.counting());
    // The count of sprites is said once, as what the line counts.
    QVERIFY2(dialog.countText().startsWith(QStringLiteral("3 sprites: ")) &&
                 dialog.countText().count(QStringLiteral("sprite")) == 1,
             qPrintable(dialog.countText()));
    QCOMPARE(shown.last().boxes,
             (std::vector<QRect>{QRect(2, 3, 10, 6), QRect(30, 1, 9, 9), QRect(50, 20, 8, 12)}));
    QVERIFY(!shown.last().grid);
    // A change gives up the count and starts another: sprites under 10 pixels both ways go.
    control<QSpinBox>(dialog, "minSize")->setValue(10);
    QTRY_VERIFY(!dialog.counting());
    QVERIFY2(dialog.countText().startsWith(QStringLiteral("2 sprites: ")),
             qPrintable(dialog.countText()));

    // Padded: a cell too narrow for the first sprite is refused by name; one that
    // takes both gives files of the cell's size.
    control<QCheckBox>(dialog, "writePad")->setChecked(true);
    control<QSpinBox>(dialog, "padWidth")->setValue(9);
    control<QSpinBox>(dialog, "padHeight")->setValue(12);
    QTRY_VERIFY(!dialog.counting());
    QVERIFY2(dialog.countText().contains(QStringLiteral("Sprite 1 (10x6 at 2,3) is larger than "
                                                        "the padded cell of 9x12.")),
             qPrintable(dialog.countText()));
    control<QSpinBox>(dialog, "padWidth")->setValue(10);
    QTRY_VERIFY(!dialog.counting());
    QVERIFY(dialog.cut());
    QCOMPARE(filesIn(dir.path()), (QStringList{"000.bmp", "001.bmp"}));
    QCOMPARE(QImage(dir.filePath(QStringLiteral("001.bmp"))).size(), QSize(10, 12));
}

void TestCut::dialogWritesAtlasAndKeepsNumbers_data() {
    QTest::addColumn<QString>("sheetName");
    QTest::newRow("opened sheet") << QStringLiteral("sheet.png");
    // A pasted sheet has no file: its manifest must still read back.
    QTest::newRow("pasted sheet") << QString();
}

void TestCut::dialogWritesAtlasAndKeepsNumbers() {
    QFETCH(QString, sheetName);
    const Sample s = sample();
    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    const auto open = [&](CutDialog& dialog) {
        dialog.setSheetPath(sheetName.isEmpty() ? QString() : dir.filePath(sheetName));
        control<QComboBox>(dialog, "skip")->setCurrentIndex(int(Skip::Uniform));
        control<QComboBox>(dialog, "merge")->setCurrentIndex(int(Merge::Flips));
        control<QCheckBox>(dialog, "writeAtlas")->setChecked(true);
        control<QCheckBox>(dialog, "writeJson")->setChecked(true);
        QTRY_VERIFY(!dialog.counting());
    };
    {
        CutDialog dialog(s.sheet, 0, dir.path(), QSize(8, 8), dialogs, {});
        // No earlier manifest in the folder: no numbers to keep.
        QVERIFY(!control<QCheckBox>(dialog, "keepIds")->isEnabled());
        open(dialog);
        QVERIFY(dialog.cut());
    }
    QCOMPARE(filesIn(dir.path()), (QStringList{"atlas.png", "tiles.json"}));
    QVERIFY2(dialogs.messages.last().contains(QStringLiteral("into atlas.png")),
             qPrintable(dialogs.messages.last()));
    QCOMPARE(QImage(dir.filePath(QStringLiteral("atlas.png"))).size(), QSize(16, 16));

    // The same sheet again, keeping the numbers: every tile keeps its own.
    dialogs.questionAnswers.push_back(true);
    CutDialog again(s.sheet, 0, dir.path(), QSize(8, 8), dialogs, {});
    QVERIFY(control<QCheckBox>(again, "keepIds")->isEnabled());
    control<QCheckBox>(again, "keepIds")->setChecked(true);
    open(again);
    QVERIFY2(again.cut(), qPrintable(dialogs.messages.join(u'|')));
    QVERIFY2(dialogs.messages.last().contains(QStringLiteral("kept 3, new 0, gone 0")),
             qPrintable(dialogs.messages.last()));
}

QTEST_MAIN(TestCut)
#include "tst_cut.moc"
