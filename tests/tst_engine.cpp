#include "cut/atlas.h"
#include "cut/cutwriter.h"
#include "cut/grid.h"
#include "cut/manifest.h"
#include "cut/numbers.h"
#include "cut/plan.h"
#include "cut/png.h"
#include "cut/result.h"
#include "cut/skip.h"
#include "cut/tiled.h"
#include "cut/tileids.h"
#include "cut/transform.h"
#include "cut/writer.h"

#include "support/imagecheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace cut;

Q_DECLARE_METATYPE(cut::GridSpec)
Q_DECLARE_METATYPE(cut::Merge)
Q_DECLARE_METATYPE(cut::Skip)

namespace {

// The same pixels, alpha and the colour under alpha 0 included.
QString argbDifference(const QImage& actual, const QImage& expected) {
    const QString colour = firstDifference(actual, expected);
    if (!colour.isEmpty())
        return colour;
    const auto alpha = [](const QImage& image) {
        QImage a = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < a.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(a.scanLine(y));
            for (int x = 0; x < a.width(); ++x)
                line[x] = qRgb(qAlpha(line[x]), qAlpha(line[x]), qAlpha(line[x]));
        }
        return a;
    };
    const QString inAlpha = firstDifference(alpha(actual), alpha(expected));
    return inAlpha.isEmpty() ? QString() : QStringLiteral("alpha at ") + inAlpha;
}

#define VERIFY_SAME_ARGB(actual, expected)                                                         \
    do {                                                                                           \
        const QString diff = argbDifference((actual), (expected));                                 \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));                                                \
    } while (false)

// Pixel art: each pixel one of `palette`, in runs; an empty palette takes any
// colour and alpha for every pixel.
QImage artTile(QRandomGenerator& random, QSize size, const QList<QRgb>& palette) {
    QImage tile(size, QImage::Format_ARGB32);
    QRgb p = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (palette.isEmpty())
                p = random.generate();
            else if (random.bounded(3) == 0)
                p = palette[random.bounded(int(palette.size()))];
            tile.setPixel(x, y, p);
        }
    }
    return tile;
}

void put(QImage& sheet, const QRect& cell, const QImage& tile) {
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x)
            sheet.setPixel(cell.x() + x, cell.y() + y, tile.pixel(x, y));
    }
}

// The cells whose pixels a cut must bring back: the sheet's, where the plan
// keeps a cell, and transparent everywhere else.
QImage cutCells(const QImage& sheet, const Plan& plan, QPoint offset) {
    QImage expected(sheet.size(), QImage::Format_ARGB32);
    expected.fill(0);
    const Grid& grid = plan.grid;
    for (int i = 0; i < grid.cellCount(); ++i) {
        if (plan.placements[std::size_t(i)].tile >= 0)
            put(expected, grid.cell(i).translated(offset),
                sheet.copy(grid.cell(i).translated(offset)));
    }
    return expected;
}

// The sheet as an engine would rebuild it from nothing but the manifest and the
// files it names, every cell at its place, the rest transparent.
QImage rebuild(const Manifest& m, const QString& folder) {
    const QDir dir(folder);
    const QSize size(m.shape.tileWidth, m.shape.tileHeight);
    const QImage atlas =
        m.hasAtlas() ? QImage(dir.filePath(m.atlasFile)).convertToFormat(QImage::Format_ARGB32)
                     : QImage();
    std::map<int, QImage> tiles;
    for (const ManifestTile& t : m.tiles)
        tiles[t.id] = m.hasAtlas()
                          ? atlas.copy(QRect(t.atlasOrigin, size))
                          : QImage(dir.filePath(t.file)).convertToFormat(QImage::Format_ARGB32);
    QImage sheet(m.sheetSize, QImage::Format_ARGB32);
    sheet.fill(0);
    const QRect area = m.region.isNull() ? QRect(QPoint(0, 0), m.sheetSize) : m.region;
    const Grid grid = layoutGrid(area.size(), m.shape);
    for (int i = 0; i < grid.cellCount(); ++i) {
        const std::uint32_t gid = m.cells[std::size_t(i)];
        if (gid != 0)
            put(sheet, grid.cell(i).translated(area.topLeft()),
                transformed(tiles.at(gidTile(gid)), gidTransform(gid)));
    }
    return sheet;
}

// Every file of every writer, written plainly: the tests own the folder.
void writeAll(const CutResult& result, const QList<const CutWriter*>& writers) {
    for (const CutWriter* writer : writers) {
        for (const OutputFile& file : writer->files(result)) {
            QVERIFY(QDir().mkpath(QFileInfo(file.path).absolutePath()));
            QFile out(file.path);
            QVERIFY2(out.open(QIODevice::WriteOnly), qPrintable(file.path));
            const QByteArray bytes = file.bytes();
            QVERIFY2(!bytes.isEmpty(), qPrintable(file.path));
            QCOMPARE(out.write(bytes), bytes.size());
        }
    }
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    void numbering_data();
    void numbering();
    void skipModes_data();
    void skipModes();
    void regions_data();
    void regions();
    void transformAlgebra();
    void pngExact_data();
    void pngExact();
    void atlasLayout_data();
    void atlasLayout();
    void manifestChecks_data();
    void manifestChecks();
    void roundTrip_data();
    void roundTrip();
};

void TestEngine::numbering_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("tiles");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QTest::newRow("within SAVE's numbers") << 12 << 988 << "012.png"
                                           << "999.png";
    QTest::newRow("one past") << 0 << 1001 << "0000.png"
                              << "1000.png";
    QTest::newRow("a wall sheet") << 0 << 1344 << "0000.png"
                                  << "1343.png";
    QTest::newRow("from a late start") << 990 << 20 << "0990.png"
                                       << "1009.png";
    QTest::newRow("a 4096 sheet of 16 px tiles") << 0 << 65536 << "00000.png"
                                                 << "65535.png";
    QTest::newRow("two tiles") << 0 << 2 << "000.png"
                               << "001.png";
}

void TestEngine::numbering() {
    QFETCH(int, start);
    QFETCH(int, tiles);
    QFETCH(QString, first);
    QFETCH(QString, last);

    CutResult result;
    for (int id = 0; id < tiles; ++id)
        result.tiles.push_back(StoredTile{id, 0, kIdentity, {}, false, {}, {}, {}});
    // A kept tile keeps its file whatever the others are named.
    result.tiles[0].file = QStringLiteral("old/7.png");
    result.tiles[0].kept = true;
    nameTileFiles(result, QStringLiteral("out"), start, QStringLiteral("png"));
    QCOMPARE(result.tiles.front().file, QStringLiteral("old/7.png"));
    QCOMPARE(result.tiles.back().file, QStringLiteral("out/") + last);
    QCOMPARE(numberedName(start, numberDigits(start + tiles - 1), QStringLiteral("png")), first);
}

void TestEngine::skipModes_data() {
    QTest::addColumn<QImage>("cell");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<bool>("uniform");

    QImage hidden(4, 4, QImage::Format_ARGB32);
    for (int i = 0; i < 16; ++i)
        hidden.setPixel(i % 4, i / 4, qRgba(i * 16, 255 - i, i, 0));
    QImage sand(4, 4, QImage::Format_ARGB32);
    sand.fill(qRgba(194, 178, 128, 255));
    QImage clear(4, 4, QImage::Format_ARGB32);
    clear.fill(0);
    QImage faint = clear;
    faint.setPixel(3, 3, qRgba(0, 0, 0, 1));
    QImage sandPebble = sand;
    sandPebble.setPixel(0, 0, qRgba(120, 120, 120, 255));

    // Every pixel of alpha 0 is one value, whatever colour it hides.
    QTest::newRow("transparent, hiding colours") << hidden << true << true;
    QTest::newRow("solid sand") << sand << false << true;
    QTest::newRow("clear") << clear << true << true;
    QTest::newRow("one faint pixel") << faint << false << false;
    QTest::newRow("sand with a pebble") << sandPebble << false << false;
}

void TestEngine::skipModes() {
    QFETCH(QImage, cell);
    QFETCH(bool, transparent);
    QFETCH(bool, uniform);

    // The cell inside a sheet, so that only its own pixels count.
    QImage sheet(10, 9, QImage::Format_ARGB32);
    sheet.fill(qRgba(1, 2, 3, 255));
    const QRect at(5, 3, 4, 4);
    put(sheet, at, cell);
    QCOMPARE(skipsCell(sheet, at, Skip::None), false);
    QCOMPARE(skipsCell(sheet, at, Skip::Transparent), transparent);
    QCOMPARE(skipsCell(sheet, at, Skip::Uniform), uniform);
    for (Skip skip : {Skip::None, Skip::Transparent, Skip::Uniform})
        QCOMPARE(parseSkip(skipName(skip)), std::optional<Skip>(skip));
    QCOMPARE(parseSkip(u"blank"), std::nullopt);
}

void TestEngine::regions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("parsed"); // null when refused
    QTest::addColumn<bool>("inside");  // of a 64 x 48 sheet

    QTest::newRow("plain") << "8,16,32,24" << QRect(8, 16, 32, 24) << true;
    QTest::newRow("blanks") << " 0 , 0 ,64, 48 " << QRect(0, 0, 64, 48) << true;
    QTest::newRow("past the right edge") << "33,0,32,48" << QRect(33, 0, 32, 48) << false;
    QTest::newRow("past the bottom") << "0,1,64,48" << QRect(0, 1, 64, 48) << false;
    QTest::newRow("three numbers") << "1,2,3" << QRect() << false;
    QTest::newRow("negative") << "-1,0,4,4" << QRect() << false;
    QTest::newRow("no width") << "0,0,0,4" << QRect() << false;
    QTest::newRow("a sign") << "+1,0,4,4" << QRect() << false;
    QTest::newRow("words") << "a,b,c,d" << QRect() << false;
    QTest::newRow("an edge past int") << "2147483647,0,2,2" << QRect() << false;
}

void TestEngine::regions() {
    QFETCH(QString, text);
    QFETCH(QRect, parsed);
    QFETCH(bool, inside);

    const std::optional<QRect> region = parseRegion(text);
    QCOMPARE(region.value_or(QRect()), parsed);
    if (!region)
        return;
    const QSize sheetSize(64, 48);
    QCOMPARE(regionProblem(sheetSize, *region).isEmpty(), inside);
    if (!inside)
        return;
    QImage sheet(sheetSize, QImage::Format_ARGB32);
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x)
            sheet.setPixel(x, y, qRgba(x, y, x ^ y, 200));
    }
    const QImage part = applyRegion(sheet, *region);
    QCOMPARE(part.size(), region->size());
    QCOMPARE(part.pixel(part.width() - 1, 0), sheet.pixel(region->right(), region->top()));
}

void TestEngine::transformAlgebra() {
    QRandomGenerator random(5);
    const QImage tile = artTile(random, QSize(5, 5), {});
    for (Transform a : kAllTransforms) {
        for (Transform b : kAllTransforms) {
            VERIFY_SAME_ARGB(transformed(tile, composeTransforms(a, b)),
                             transformed(transformed(tile, a), b));
        }
        VERIFY_SAME_ARGB(transformed(transformed(tile, a), inverseTransform(a)), tile);
    }
}

void TestEngine::pngExact_data() {
    QTest::addColumn<int>("colours"); // distinct pixels, alpha 0 ones with colours of their own
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("depth");      // bits a sample, as the header says
    QTest::addColumn<int>("colourType"); // 3 palette, 2 colour, 6 colour and alpha
    QTest::addColumn<int>("period");     // pixels after which the picture repeats, 0: never

    QTest::newRow("two, 1 bit") << 2 << false << 13 << 1 << 3 << 0;
    QTest::newRow("four, 2 bits") << 4 << false << 7 << 2 << 3 << 0;
    QTest::newRow("sixteen, 4 bits") << 16 << true << 9 << 4 << 3 << 0;
    QTest::newRow("256, 8 bits") << 256 << false << 33 << 8 << 3 << 0;
    QTest::newRow("257 with alpha") << 257 << false << 33 << 8 << 6 << 0;
    QTest::newRow("300 opaque") << 300 << true << 40 << 8 << 2 << 0;
    // Over a megabyte of rows, deflated in pieces that refer back across
    // their borders.
    QTest::newRow("256 in pieces") << 256 << false << 300000 << 8 << 3 << 7001;
}

void TestEngine::pngExact() {
    QFETCH(int, colours);
    QFETCH(bool, opaque);
    QFETCH(int, width);
    QFETCH(int, depth);
    QFETCH(int, colourType);
    QFETCH(int, period);

    // Every colour at least once, then at random; a quarter of the colours are
    // hidden under alpha 0 unless opaque, and some half transparent.
    QRandomGenerator random{quint32(colours)};
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i) {
        const int alpha = opaque ? 255 : i % 4 == 0 ? 0 : i % 4 == 1 ? 128 : 255;
        palette << qRgba(int(random.bounded(256)), i % 256, i / 256, alpha);
    }
    const int height = (colours + width - 1) / width + 3;
    QImage image(width, height, QImage::Format_ARGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width,
                       i < colours ? palette[i]
                       : period && i >= period
                           ? image.pixel((i - period) % width, (i - period) / width)
                           : palette[int(random.bounded(colours))]);
    const QByteArray png = pngBytes(image);
    QCOMPARE(int(uchar(png.at(24))), depth);
    QCOMPARE(int(uchar(png.at(25))), colourType);
    VERIFY_SAME_ARGB(QImage::fromData(png, "PNG"), image);
}

void TestEngine::atlasLayout_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns"); // asked for
    QTest::addColumn<int>("extrude");
    QTest::addColumn<int>("expectedColumns");
    QTest::addColumn<int>("expectedRows");
    QTest::addColumn<QSize>("imageSize"); // of 16 x 8 tiles
    QTest::addColumn<bool>("fits");

    QTest::newRow("a square") << 1024 << 0 << 0 << 32 << 32 << QSize(512, 256) << true;
    QTest::newRow("a wall sheet") << 1344 << 0 << 0 << 37 << 37 << QSize(592, 296) << true;
    QTest::newRow("five") << 5 << 0 << 1 << 3 << 2 << QSize(54, 20) << true;
    QTest::newRow("none") << 0 << 0 << 0 << 1 << 1 << QSize(16, 8) << true;
    QTest::newRow("one strip") << 10 << 10 << 2 << 10 << 1 << QSize(200, 12) << true;
    QTest::newRow("four columns") << 10 << 4 << 0 << 4 << 3 << QSize(64, 24) << true;
    QTest::newRow("one column of 65,536")
        << 65536 << 1 << 0 << 1 << 65536 << QSize(16, 524288) << false;
    QTest::newRow("4096 x 4096 of 16 x 8 tiles")
        << 131072 << 256 << 0 << 256 << 512 << QSize(4096, 4096) << true;
    QTest::newRow("more pixels than 16384 x 16384")
        << 2048 * 2048 << 2048 << 0 << 2048 << 2048 << QSize(32768, 16384) << false;
}

void TestEngine::atlasLayout() {
    QFETCH(int, count);
    QFETCH(int, columns);
    QFETCH(int, extrude);
    QFETCH(int, expectedColumns);
    QFETCH(int, expectedRows);
    QFETCH(QSize, imageSize);
    QFETCH(bool, fits);

    const AtlasLayout layout = layoutAtlas(count, QSize(16, 8), columns, extrude);
    QCOMPARE(atlasProblem(layout).isEmpty(), fits);
    QCOMPARE(layout.columns, expectedColumns);
    QCOMPARE(layout.rows, expectedRows);
    QCOMPARE(layout.imageSize(), imageSize);
    // The last tile and its ring end at the image's edges.
    const QPoint last = layout.origin(expectedColumns * expectedRows - 1);
    QCOMPARE(last + QPoint(16 + extrude, 8 + extrude),
             QPoint(imageSize.width(), imageSize.height()));
}

void TestEngine::manifestChecks_data() {
    QTest::addColumn<QString>("member"); // of the root; empty for the root itself
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value"); // undefined to remove the key
    QTest::addColumn<QString>("error");    // empty when the manifest stays good

    const QJsonValue gone(QJsonValue::Undefined);
    QTest::newRow("as written") << ""
                                << "" << gone << "";
    QTest::newRow("another format")
        << ""
        << "format" << QJsonValue("tiles") << "It is not an orvane-cut manifest.";
    QTest::newRow("a later version") << ""
                                     << "version" << QJsonValue(2) << "Its version is not 1.";
    QTest::newRow("no sheet") << ""
                              << "sheet" << gone << "\"sheet\" is missing.";
    QTest::newRow("no tile width")
        << "grid"
        << "tileWidth" << QJsonValue(0)
        << "The grid's \"tileWidth\" is not a whole number from 1 to 2147483647.";
    QTest::newRow("a grid that does not fit")
        << "grid"
        << "columns" << QJsonValue(3) << "The grid does not fit the sheet.";
    QTest::newRow("a cell short") << ""
                                  << "cells" << QJsonValue(QJsonArray{1, 1, 1})
                                  << "There are 3 cells for a grid of 4.";
    QTest::newRow("an unknown tile") << ""
                                     << "cells" << QJsonValue(QJsonArray{1, 0, 0, 3})
                                     << "Cell 4 shows a tile that is not listed.";
    QTest::newRow("a fraction") << ""
                                << "cells" << QJsonValue(QJsonArray{1.5, 0, 0, 0})
                                << "Cell 1 is not a tile number.";
    QTest::newRow("flip flags") << ""
                                << "cells"
                                << QJsonValue(
                                       QJsonArray{double(0xE0000001u), 0, 2, double(0x80000002u)})
                                << "";
    QTest::newRow("an id twice") << ""
                                 << "tiles"
                                 << QJsonValue(
                                        QJsonArray{QJsonObject{{"id", 0}, {"file", "a.png"}},
                                                   QJsonObject{{"id", 0}, {"file", "b.png"}}})
                                 << "The id 0 is listed twice.";
    QTest::newRow("a tile without a file")
        << ""
        << "tiles"
        << QJsonValue(QJsonArray{QJsonObject{{"id", 0}}, QJsonObject{{"id", 1}, {"file", "b"}}})
        << "Tile 1's \"file\" is not a name.";
}

void TestEngine::manifestChecks() {
    QFETCH(QString, member);
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, error);

    // Two tiles on a 2 x 2 grid: a tile, the other, then two empty cells.
    QImage sheet(8, 8, QImage::Format_ARGB32);
    sheet.fill(0);
    sheet.setPixel(0, 0, qRgba(9, 9, 9, 255));
    sheet.setPixel(4, 0, qRgba(7, 7, 7, 255));
    const Plan plan = planCut(sheet, CutOptions{GridSpec{4, 4, 0, 0}, true, Merge::Identical});
    QCOMPARE(plan.tileCount(), 2);
    CutResult result = makeResult(sheet, plan, freshIds(plan));
    result.sheetPath = QStringLiteral("/x/sheet.png");
    nameTileFiles(result, QStringLiteral("/x/tiles"), 0, QStringLiteral("png"));
    const QByteArray written = manifestJson(manifestOf(result, QStringLiteral("/x/cut.json")));

    QJsonObject root = QJsonDocument::fromJson(written).object();
    QCOMPARE(root.value("sheet").toObject().value("file").toString(), QStringLiteral("sheet.png"));
    if (!key.isEmpty()) {
        QJsonObject target = member.isEmpty() ? root : root.value(member).toObject();
        if (value.isUndefined())
            target.remove(key);
        else
            target.insert(key, value);
        if (member.isEmpty())
            root = target;
        else
            root.insert(member, target);
    }
    const QByteArray bytes = QJsonDocument(root).toJson();
    QString why;
    const std::optional<Manifest> parsed = parseManifest(bytes, &why);
    QCOMPARE(why, error);
    QCOMPARE(parsed.has_value(), error.isEmpty());
    if (parsed)
        QCOMPARE(manifestJson(*parsed), bytes);
}

void TestEngine::roundTrip_data() {
    QTest::addColumn<GridSpec>("shape");
    QTest::addColumn<Merge>("merge");
    QTest::addColumn<bool>("skipBlank");
    QTest::addColumn<int>("colours"); // of the art; 0 for any colour and alpha
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<bool>("atlas");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("extrude");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<int>("gone"); // on the re-cut of the edited sheet

    QTest::newRow("atlas, flips, few colours, extruded")
        << GridSpec{8, 8, 0, 0} << Merge::Flips << true << 12 << false << true << 0 << 2 << QRect()
        << 1;
    QTest::newRow("atlas, identical, any colour, margin and spacing")
        << GridSpec{6, 4, 1, 2} << Merge::Identical << true << 0 << false << true << 4 << 0
        << QRect() << 2;
    QTest::newRow("atlas, opaque, oblong flips, region")
        << GridSpec{6, 4, 0, 0} << Merge::Flips << false << 5 << true << true << 0 << 1
        << QRect(3, 2, 36, 20) << 1;
    QTest::newRow("numbered files, flips") << GridSpec{8, 8, 2, 1} << Merge::Flips << true << 0
                                           << false << false << 0 << 0 << QRect() << 1;
    QTest::newRow("numbered files, every cell") << GridSpec{4, 4, 0, 0} << Merge::None << false << 3
                                                << true << false << 0 << 0 << QRect() << 2;
}

void TestEngine::roundTrip() {
    QFETCH(GridSpec, shape);
    QFETCH(Merge, merge);
    QFETCH(bool, skipBlank);
    QFETCH(int, colours);
    QFETCH(bool, opaque);
    QFETCH(bool, atlas);
    QFETCH(int, columns);
    QFETCH(int, extrude);
    QFETCH(QRect, region);
    QFETCH(int, gone);

    // A sheet of 6 x 5 cells, noise in the margin and the spacing, of art tiles
    // with repeats, turned and flipped repeats, a transparent cell that hides
    // colours and a one-colour one.
    QRandomGenerator random(quint32(colours * 31 + shape.tileWidth));
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette << (random.generate() | (opaque || i % 3 ? 0xFF000000u : 0u));
    const QPoint offset = region.isNull() ? QPoint() : region.topLeft();
    const QSize tile(shape.tileWidth, shape.tileHeight);
    const QSize area(shape.margin + 6 * (tile.width() + shape.spacing) + 1,
                     shape.margin + 5 * (tile.height() + shape.spacing));
    QImage sheet = artTile(random, region.isNull() ? area : QSize(52, 30), {});
    if (!region.isNull())
        QVERIFY(regionProblem(sheet.size(), region).isEmpty());
    const Grid grid = layoutGrid(region.isNull() ? area : region.size(), shape);
    QCOMPARE(grid.cellCount(), 30);
    const Transform turn = tile.width() == tile.height() ? kRotate90 : kRotate180;
    const auto cellOf = [&](int i) { return grid.cell(i).translated(offset); };
    for (int i = 0; i < 30; ++i) {
        QImage art = artTile(random, tile, palette);
        if (i % 6 == 5)
            for (int p = 0; p < tile.width() * tile.height(); ++p)
                art.setPixel(p % tile.width(), p / tile.width(), qRgba(p, 99, 3 * p, 0));
        if (i == 7)
            art.fill(qRgba(194, 178, 128, 255));
        if (i == 10 || i == 20)
            art = sheet.copy(cellOf(1));
        if (i == 11)
            art = transformed(sheet.copy(cellOf(2)), kFlipH);
        if (i == 21)
            art = transformed(sheet.copy(cellOf(2)), turn);
        put(sheet, cellOf(i), art);
    }
    if (opaque) {
        for (int y = 0; y < sheet.height(); ++y) {
            for (int x = 0; x < sheet.width(); ++x)
                sheet.setPixel(x, y, sheet.pixel(x, y) | 0xFF000000u);
        }
    }

    const bool tiled = qEnvironmentVariableIntValue("ORVANE_TILED") != 0;
    const QString rasterizer = QStandardPaths::findExecutable(QStringLiteral("tmxrasterizer"));
    QVERIFY2(!tiled || !rasterizer.isEmpty(),
             "tmxrasterizer (Debian package tiled) is not installed");
    QTemporaryDir dir;

    // Cuts the sheet into the folder, keeping the numbers of the manifest there
    // when there is one, and checks that the sheet comes back from what was
    // written: from the manifest, and from the map as Tiled draws it.
    const auto cutInto = [&](const QImage& picture, const QString& folder, CutResult& result,
                             IdAssignment& ids) {
        const QString manifestPath = QDir(folder).filePath(QStringLiteral("cut.json"));
        const QImage part = region.isNull() ? picture : applyRegion(picture, region);
        const Plan plan = planCut(part, CutOptions{shape, skipBlank, merge});
        // The sand and, unless made opaque, the four transparent cells, whatever
        // colours they hide.
        QVERIFY(!skipBlank || plan.blank == (opaque ? 1 : 5));
        QVERIFY(merge == Merge::None || plan.duplicates >= (merge == Merge::Flips ? 3 : 2));
        ids = freshIds(plan);
        if (QFileInfo::exists(manifestPath)) {
            QString why;
            const std::optional<Manifest> earlier = parseManifest(readAll(manifestPath), &why);
            QVERIFY2(earlier, qPrintable(why));
            ids = keepIds(
                earlierTiles(*earlier, folder, [](const QString& path) { return QImage(path); }),
                part, plan, merge);
        }
        result = makeResult(part, plan, ids);
        result.sheetPath = QDir(folder).filePath(QStringLiteral("sheet.png"));
        result.sheetSize = picture.size();
        result.region = region;
        const QString tmx = QDir(folder).filePath(QStringLiteral("maps/level.tmx"));
        if (atlas)
            placeInAtlas(result, QDir(folder).filePath(QStringLiteral("atlas.png")), columns,
                         extrude);
        else
            nameTileFiles(result, QDir(folder).filePath(QStringLiteral("tiles")), 0,
                          QStringLiteral("png"));
        const NumberedFilesWriter numbered;
        const AtlasWriter atlasWriter;
        const TiledWriter tiledWriter(tmx);
        const ManifestWriter manifestWriter(manifestPath);
        writeAll(result, {&numbered, &atlasWriter, &tiledWriter, &manifestWriter});
        if (QTest::currentTestFailed())
            return;

        QString why;
        const std::optional<Manifest> written = parseManifest(readAll(manifestPath), &why);
        QVERIFY2(written, qPrintable(why));
        const QImage expected = cutCells(picture, plan, offset);
        VERIFY_SAME_ARGB(rebuild(*written, folder), expected);

        if (atlas) {
            // Each ring repeats the edge it surrounds, and the slots of ids not
            // in use are empty.
            const QImage sheetOfTiles =
                QImage(result.atlas->path).convertToFormat(QImage::Format_ARGB32);
            const AtlasLayout& layout = result.atlas->layout;
            QCOMPARE(sheetOfTiles.size(), layout.imageSize());
            std::vector<bool> used(std::size_t(layout.columns * layout.rows), false);
            for (const StoredTile& t : result.tiles) {
                used[std::size_t(t.id)] = true;
                const QRect inner(layout.origin(t.id), tile);
                const QRect outer = inner.adjusted(-extrude, -extrude, extrude, extrude);
                for (int d = 1; d <= extrude; ++d) {
                    for (int x = outer.left(); x <= outer.right(); ++x) {
                        QCOMPARE(sheetOfTiles.pixel(x, inner.top() - d),
                                 sheetOfTiles.pixel(x, inner.top()));
                        QCOMPARE(sheetOfTiles.pixel(x, inner.bottom() + d),
                                 sheetOfTiles.pixel(x, inner.bottom()));
                    }
                    for (int y = outer.top(); y <= outer.bottom(); ++y) {
                        QCOMPARE(sheetOfTiles.pixel(inner.left() - d, y),
                                 sheetOfTiles.pixel(inner.left(), y));
                        QCOMPARE(sheetOfTiles.pixel(inner.right() + d, y),
                                 sheetOfTiles.pixel(inner.right(), y));
                    }
                }
            }
            for (int slot = 0; slot < int(used.size()); ++slot) {
                if (!used[std::size_t(slot)])
                    QVERIFY(isTransparent(sheetOfTiles, QRect(layout.origin(slot), tile)));
            }
        }

        if (!tiled)
            return;
        const QString rendered = QDir(folder).filePath(QStringLiteral("rendered.png"));
        QProcess process;
        process.start(rasterizer, {QStringLiteral("--no-smoothing"), tmx, rendered});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        // The cells side by side; the renderer draws into premultiplied pixels,
        // so both sides are compared there.
        QImage cells(grid.columns * tile.width(), grid.rows * tile.height(), QImage::Format_ARGB32);
        cells.fill(0);
        for (int i = 0; i < grid.cellCount(); ++i)
            put(cells,
                QRect(QPoint((i % grid.columns) * tile.width(), (i / grid.columns) * tile.height()),
                      tile),
                expected.copy(cellOf(i)));
        const auto premultiplied = [](const QImage& image) {
            return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                .convertToFormat(QImage::Format_ARGB32);
        };
        VERIFY_SAME_ARGB(premultiplied(QImage(rendered)), premultiplied(cells));
    };

    CutResult first;
    IdAssignment firstIds;
    cutInto(sheet, dir.path(), first, firstIds);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(firstIds.summary(), QStringLiteral("kept 0, new %1, gone 0").arg(first.tiles.size()));
    std::map<int, QImage> before;
    for (const StoredTile& t : first.tiles)
        before[t.id] = storedImage(first, t);

    // The sheet edited: a tile drawn anew, one turned (or flipped) in place, two
    // swapped.
    QImage edited = sheet;
    put(edited, cellOf(3),
        artTile(random, tile, palette.isEmpty() ? QList<QRgb>{} : palette)
            .convertToFormat(QImage::Format_ARGB32));
    if (opaque) {
        const QRect c = cellOf(3);
        for (int y = c.top(); y <= c.bottom(); ++y)
            for (int x = c.left(); x <= c.right(); ++x)
                edited.setPixel(x, y, edited.pixel(x, y) | 0xFF000000u);
    }
    put(edited, cellOf(4), transformed(sheet.copy(cellOf(4)), turn == kRotate90 ? turn : kFlipV));
    put(edited, cellOf(0), sheet.copy(cellOf(8)));
    put(edited, cellOf(8), sheet.copy(cellOf(0)));

    CutResult second;
    IdAssignment secondIds;
    cutInto(edited, dir.path(), second, secondIds);
    if (QTest::currentTestFailed())
        return;
    const int kept = int(first.tiles.size()) - gone;
    QCOMPARE(secondIds.summary(),
             QStringLiteral("kept %1, new %2, gone %3").arg(kept).arg(gone).arg(gone));
    QCOMPARE(int(second.tiles.size()), int(first.tiles.size()));
    // A kept id shows the pixels it showed; a new one comes after every earlier id.
    for (const StoredTile& t : second.tiles) {
        if (t.kept)
            VERIFY_SAME_ARGB(storedImage(second, t), before.at(t.id));
        else
            QVERIFY(t.id > before.rbegin()->first);
    }
    for (int id : secondIds.gone)
        QVERIFY(before.count(id) == 1);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
