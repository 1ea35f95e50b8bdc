#include "cut/cutwriter.h"
#include "cut/manifest.h"
#include "cut/sprites.h"
#include "cut/transform.h"
#include "detect/gridguess.h"
#include "detect/sprites.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <map>

using namespace detect;

Q_DECLARE_METATYPE(detect::SpriteOptions)

namespace {

// A sheet drawn in text, one character a pixel: '.' transparent, '#' opaque
// red, 'k' black, 'm' magenta, 'n' nearly magenta, 's' red of alpha 0x40, 't'
// red of alpha 1.
QImage drawn(const QStringList& rows) {
    QImage sheet(int(rows[0].size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x) {
            QRgb p = 0;
            switch (rows[y][x].toLatin1()) {
            case '#':
                p = qRgba(200, 30, 30, 255);
                break;
            case 'k':
                p = qRgba(0, 0, 0, 255);
                break;
            case 'm':
                p = qRgba(255, 0, 255, 255);
                break;
            case 'n':
                p = qRgba(250, 6, 249, 255);
                break;
            case 's':
                p = qRgba(200, 30, 30, 0x40);
                break;
            case 't':
                p = qRgba(200, 30, 30, 1);
                break;
            default:
                break;
            }
            sheet.setPixel(x, y, p);
        }
    }
    return sheet;
}

// A sheet of boxes drawn in `ink` on `background`, whose pixels alternate with
// `other` when given.
QStringList boxes(int width, int height, const QList<QRect>& rects, QChar background,
                  QChar other = {}) {
    QStringList rows;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < width; ++x)
            row += (x + y) % 2 && !other.isNull() ? other : background;
        for (const QRect& r : rects)
            if (y >= r.top() && y <= r.bottom())
                for (int x = r.left(); x <= r.right(); ++x)
                    row[x] = QLatin1Char('#');
        rows << row;
    }
    return rows;
}

SpriteOptions keyed(QRgb colour, int tolerance = 0) {
    SpriteOptions options;
    options.key = KeyColour{colour, tolerance};
    return options;
}

SpriteOptions joined(int join) {
    SpriteOptions options;
    options.join = join;
    return options;
}

SpriteOptions specks(int minSize) {
    SpriteOptions options;
    options.minSize = minSize;
    return options;
}

const QRgb kMagenta = qRgb(255, 0, 255);

// A sheet on Tiled's grid, each cell drawn by `tile` (given the cell's index and
// rectangle) over the gutter colour.
QImage gridSheet(int columns, int rows, QSize tile, int margin, int spacing, QRgb gutter,
                 const std::function<void(QPainter&, int, QRect)>& draw) {
    QImage sheet(2 * margin + columns * tile.width() + (columns - 1) * spacing,
                 2 * margin + rows * tile.height() + (rows - 1) * spacing,
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(gutter);
    QPainter painter(&sheet);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            draw(painter, r * columns + c,
                 QRect(QPoint(margin + c * (tile.width() + spacing),
                              margin + r * (tile.height() + spacing)),
                       tile));
    painter.end();
    return sheet.convertToFormat(QImage::Format_ARGB32);
}

// Terrain as pixel art: a ground colour with grain, and a patch of another.
void terrain(QPainter& painter, int index, QRect cell) {
    QRandomGenerator random(quint32(index) * 7919u + 17u);
    const QColor ground =
        QColor::fromHsv(random.bounded(360), 80 + random.bounded(150), 90 + random.bounded(150));
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            const int grain = random.bounded(-12, 13);
            painter.setPen(QColor(qBound(0, ground.red() + grain, 255),
                                  qBound(0, ground.green() + grain, 255),
                                  qBound(0, ground.blue() + grain, 255)));
            painter.drawPoint(cell.topLeft() + QPoint(x, y));
        }
    }
    const QRect patch(cell.x() + random.bounded(cell.width() / 2),
                      cell.y() + random.bounded(cell.height() / 2), cell.width() / 3,
                      cell.height() / 3);
    painter.fillRect(patch, QColor::fromHsv(random.bounded(360), 200, 200));
}

// A walking figure in the middle of its cell, on nothing; each row faces
// another way, each frame swings the legs.
void walker(QPainter& painter, int index, QRect cell) {
    const int frame = index % 8;
    const int row = index / 8;
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(cell).center();
    const QColor cloth = QColor::fromHsv(row * 70, 180, 200);
    painter.setPen(QPen(Qt::black, 1.5));
    const double swing = (frame - 3.5) * 2;
    painter.drawLine(centre + QPointF(-3, 8), centre + QPointF(-3 + swing, 20));
    painter.drawLine(centre + QPointF(3, 8), centre + QPointF(3 - swing, 20));
    painter.setBrush(cloth);
    painter.drawEllipse(centre + QPointF(0, 2), 8, 10);
    painter.setBrush(QColor(240, 200, 160));
    painter.drawEllipse(centre + QPointF(row % 2 ? 2 : -2, -13 + (frame % 2)), 6, 6);
}

// A round creature nearly as wide as its cell: only the widest reach the
// pixel next to the cell's edge, so thin lines between the cells stay empty.
void blob(QPainter& painter, int index, QRect cell) {
    QRandomGenerator random(quint32(index) + 99u);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(random.bounded(360), 200, 220));
    const double rx = 12 + random.bounded(11), ry = 12 + random.bounded(11);
    painter.drawEllipse(QRectF(cell).center(), index == 5 ? 22.5 : rx, index == 5 ? 22.5 : ry);
}

std::optional<GuessedGrid> guessOf(const QImage& sheet) {
    QString why;
    const auto grid = guessGrid(sheet, &why);
    if (!grid)
        qInfo() << why;
    return grid;
}

// A straight copy of `from` into `to` at `at`.
void paste(QImage& to, const QImage& from, QPoint at) {
    const QImage source = from.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(source.constScanLine(y)), source.width(),
                    reinterpret_cast<QRgb*>(to.scanLine(at.y() + y)) + at.x());
}

// The picture with every alpha-0 pixel as 0.
QImage clearHidden(QImage image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                image.setPixel(x, y, 0);
    return image;
}

// The sheet as an engine would rebuild it from the manifest and the pictures it
// names: each sprite's tile, turned as its flags say, cut from its pad.
QImage rebuiltSheet(const cut::Manifest& m, const std::function<QImage(const QString&)>& load) {
    QImage sheet(m.sheetSize, QImage::Format_ARGB32);
    sheet.fill(0);
    const QImage atlas = m.hasAtlas() ? load(m.atlasFile) : QImage();
    for (const cut::ManifestSprite& sprite : m.sprites) {
        const auto tile =
            std::find_if(m.tiles.begin(), m.tiles.end(),
                         [&](const cut::ManifestTile& t) { return t.id == sprite.id; });
        const QImage stored =
            m.hasAtlas() ? atlas.copy(QRect(tile->atlasOrigin, tile->size)) : load(sprite.file);
        QImage shown = cut::transformed(stored.convertToFormat(QImage::Format_ARGB32),
                                        cut::gidTransform(sprite.flags));
        if (m.pad.isValid())
            shown = shown.copy(QRect(padOffset(sprite.rect.size(), m.pad), sprite.rect.size()));
        paste(sheet, shown, sprite.rect.topLeft());
    }
    return sheet;
}

} // namespace

class TestDetect : public QObject {
    Q_OBJECT

private slots:
    void findsSprites_data() {
        QTest::addColumn<QStringList>("sheet");
        QTest::addColumn<SpriteOptions>("options");
        QTest::addColumn<QList<QRect>>("expected");

        QTest::newRow("touching at a corner")
            << QStringList{"##....", "##....", "..##..", "..##..", ".....#"} << SpriteOptions{}
            << QList<QRect>{{0, 0, 4, 4}, {5, 4, 1, 1}};
        QTest::newRow("rows of overlapping boxes, left to right")
            << QStringList{"......##", "##....##", "##....##", "......##", ".##....."}
            << SpriteOptions{} << QList<QRect>{{0, 1, 2, 2}, {6, 0, 2, 4}, {1, 4, 2, 1}};
        QTest::newRow("semi-transparent edges and pixels")
            << QStringList{"......", ".sss..", ".s#s..", ".sss..", ".....t"} << SpriteOptions{}
            << QList<QRect>{{1, 1, 3, 3}, {5, 4, 1, 1}};
        QTest::newRow("a key inside a sprite")
            << QStringList{"mmmmmmm", "mkkkkmm", "mkmmkmm", "mkkkkmm", "mmmmmmm"} << keyed(kMagenta)
            << QList<QRect>{{1, 1, 4, 3}};
        QTest::newRow("a sprite in a key shut inside another")
            << QStringList{"mmmmmmm", "mkkkkkm", "mkmmmkm", "mkm#mkm",
                           "mkmmmkm", "mkkkkkm", "mmmmmmm"}
            << keyed(kMagenta) << QList<QRect>{{1, 1, 5, 5}};
        QTest::newRow("an opaque sheet without a key")
            << QStringList{"mmmmmmm", "mkkkkmm", "mkmmkmm", "mkkkkmm", "mmmmmmm"} << SpriteOptions{}
            << QList<QRect>{{0, 0, 7, 5}};
        QTest::newRow("a black key and a black eye")
            << QStringList{"kkkkkkk", "k###kkk", "k#k#kkk", "k###k#k", "kkkkkkk"}
            << keyed(qRgb(0, 0, 0)) << QList<QRect>{{1, 1, 3, 3}, {5, 3, 1, 1}};
        QTest::newRow("a key with its tolerance")
            << QStringList{"mnmnmn", "n#kmnm", "mnmn#m", "nmnmnm"} << keyed(kMagenta, 8)
            << QList<QRect>{{1, 1, 2, 1}, {4, 2, 1, 1}};
        QTest::newRow("too little tolerance keeps near colours")
            << QStringList{"mmmmmm", "mm#mmm", "mmmmmn"} << keyed(kMagenta, 5)
            << QList<QRect>{{2, 1, 1, 1}, {5, 2, 1, 1}};
        QTest::newRow("specks dropped, thin lines kept")
            << QStringList{"#.......#", "......#..", "..###.#..", "..#.#.#..",
                           "..###.#..", ".........", "#....##.."}
            << specks(3) << QList<QRect>{{2, 2, 3, 3}, {6, 1, 1, 4}};
        const QStringList parts{".##......", ".##......", ".........", "####..##.", "####..##."};
        QTest::newRow("parts apart")
            << parts << SpriteOptions{} << QList<QRect>{{1, 0, 2, 2}, {0, 3, 4, 2}, {6, 3, 2, 2}};
        QTest::newRow("parts joined across one pixel")
            << parts << joined(1) << QList<QRect>{{0, 0, 4, 5}, {6, 3, 2, 2}};
        QTest::newRow("parts joined across two pixels")
            << parts << joined(2) << QList<QRect>{{0, 0, 8, 5}};
        // The head joins the body first; the joined box then reaches the arm.
        QTest::newRow("joining until none is close")
            << QStringList{"##....", "##....", "......", "...##.", "...##.", "......", "#....."}
            << joined(1) << QList<QRect>{{0, 0, 5, 7}};
        // Wide rows are read 64 pixels at a time: boxes across and at the ends
        // of those words.
        const QList<QRect> wide{
            {0, 0, 1, 1}, {60, 1, 10, 3}, {127, 0, 66, 2}, {63, 5, 1, 1}, {190, 4, 10, 2}};
        QTest::newRow("wide rows")
            << boxes(200, 6, wide, QLatin1Char('.')) << SpriteOptions{} << wide;
        QTest::newRow("wide rows, keyed") << boxes(200, 6, wide, QLatin1Char('m'), QLatin1Char('n'))
                                          << keyed(kMagenta, 6) << wide;
        QTest::newRow("nothing but background")
            << QStringList{"....", "...."} << SpriteOptions{} << QList<QRect>{};
    }

    void findsSprites() {
        QFETCH(QStringList, sheet);
        QFETCH(SpriteOptions, options);
        QFETCH(QList<QRect>, expected);
        // Also with every row a band of its own, joined with the next.
        for (const int bands : {1, int(sheet.size())}) {
            const std::vector<QRect> found = findSprites(drawn(sheet), options, bands);
            QCOMPARE(QList<QRect>(found.begin(), found.end()), expected);
        }
    }

    // What a cut sprite keeps: every pixel as the sheet has it, but the key's
    // background; a pocket shut off by a diagonal step stays.
    void cutsSpritesExactly() {
        const QImage sheet =
            drawn({"mmmmmmm", "mkkkkmm", "mkmmkmm", "mkmmkmm", "mkkkmmm", "mmmmmmm"});
        const SpriteOptions options = keyed(kMagenta);
        const std::vector<QRect> sprites = findSprites(sheet, options);
        QCOMPARE(sprites.size(), std::size_t(1));
        QCOMPARE(sprites[0], QRect(1, 1, 4, 4));
        const QImage cut = cutSprite(sheet, sprites[0], options);
        QCOMPARE(cut.pixel(1, 1), qRgb(255, 0, 255)); // the pocket
        QCOMPARE(cut.pixel(2, 2), qRgb(255, 0, 255));
        QCOMPARE(cut.pixel(3, 3), QRgb(0)); // the corner outside
        QCOMPARE(cut.pixel(0, 0), qRgb(0, 0, 0));

        const QImage soft = drawn({".....", ".sts.", ".s#s.", "....."});
        const QRect box = findSprites(soft, {}).at(0);
        const QImage kept = cutSprite(soft, box, {});
        QCOMPARE(kept.format(), QImage::Format_ARGB32);
        QCOMPARE(kept, soft.copy(box));
        QCOMPARE(qAlpha(kept.pixel(1, 0)), 1);
    }

    void parsesKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("fromCorners");
        QTest::addColumn<uint>("colour");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("colour") << "ff00FF" << true << false << uint(qRgb(255, 0, 255)) << 0;
        QTest::newRow("tolerance") << "102030,12" << true << false << uint(qRgb(16, 32, 48)) << 12;
        QTest::newRow("auto") << "auto" << true << true << 0u << 0;
        QTest::newRow("auto, tolerance") << "auto,3" << true << true << 0u << 3;
        QTest::newRow("short") << "ff00f" << false << false << 0u << 0;
        QTest::newRow("not hex") << "gg0000" << false << false << 0u << 0;
        QTest::newRow("signed") << "+f00ff" << false << false << 0u << 0;
        QTest::newRow("tolerance too big") << "ff00ff,256" << false << false << 0u << 0;
        QTest::newRow("tolerance negative") << "ff00ff,-1" << false << false << 0u << 0;
        QTest::newRow("three parts") << "ff00ff,1,2" << false << false << 0u << 0;
        QTest::newRow("empty") << "" << false << false << 0u << 0;
    }

    void parsesKeys() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<KeyChoice> key = parseKey(text);
        QCOMPARE(key.has_value(), valid);
        if (!valid)
            return;
        QFETCH(bool, fromCorners);
        QFETCH(uint, colour);
        QFETCH(int, tolerance);
        QCOMPARE(key->fromCorners, fromCorners);
        if (!fromCorners)
            QCOMPARE(uint(key->key.colour), colour);
        QCOMPARE(key->key.tolerance, tolerance);
    }

    void takesTheCornersColour() {
        QVERIFY(!cornerColour(drawn({"m..m", "mkkm", "m..k"})));
        QCOMPARE(cornerColour(drawn({"mkkm", "mkkm", "m#km"})).value_or(1), kMagenta);
        // Transparent corners agree whatever colour they hide.
        QImage hidden = drawn({"....", "....", ".#.."});
        hidden.setPixel(3, 2, qRgba(1, 2, 3, 0));
        QCOMPARE(cornerColour(hidden).value_or(1), QRgb(0));
    }

    void padsSpritesOnACell() {
        const std::vector<QRect> sprites{{0, 0, 3, 2}, {5, 0, 6, 4}, {0, 9, 2, 5}};
        QCOMPARE(firstTooLarge(sprites, QSize(6, 4)).value_or(99), std::size_t(2));
        QCOMPARE(firstTooLarge(sprites, QSize(5, 5)).value_or(99), std::size_t(1));
        QVERIFY(!firstTooLarge(sprites, QSize(6, 5)));

        const QImage sprite = drawn({"s#t", "#k#"});
        const QImage padded = padSprite(sprite, QSize(6, 4));
        QCOMPARE(padded.size(), QSize(6, 4));
        QCOMPARE(padOffset(sprite.size(), QSize(6, 4)), QPoint(1, 2));
        QCOMPARE(padded.copy(1, 2, 3, 2), sprite);
        int clear = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                clear += padded.pixel(x, y) == 0;
        QCOMPARE(clear, 6 * 4 - 6);
    }

    // Found sprites cut through the cut's writers, then the sheet rebuilt from
    // the manifest alone: merging, flags, padding and the packed atlas agree.
    void spritesRoundTrip_data() {
        QTest::addColumn<int>("merge");
        QTest::addColumn<QSize>("pad");
        QTest::addColumn<bool>("atlas");
        QTest::addColumn<int>("tiles");
        const auto none = int(cut::Merge::None);
        const auto identical = int(cut::Merge::Identical);
        const auto flips = int(cut::Merge::Flips);
        QTest::newRow("own files") << none << QSize() << false << 8;
        QTest::newRow("identical, atlas") << identical << QSize() << true << 6;
        QTest::newRow("flips, files") << flips << QSize() << false << 3;
        QTest::newRow("flips, atlas") << flips << QSize() << true << 3;
        // On a pad only flips that keep a sprite standing centred still match.
        QTest::newRow("flips, padded, atlas") << flips << QSize(5, 5) << true << 5;
        QTest::newRow("identical, padded, files") << identical << QSize(4, 3) << false << 6;
    }

    void spritesRoundTrip() {
        QFETCH(int, merge);
        QFETCH(QSize, pad);
        QFETCH(bool, atlas);
        QFETCH(int, tiles);
        const QImage a = drawn({"##k", "#..", "#s."});
        const QImage b = drawn({"#k", "#t", "##"});
        QImage hidden = a;
        hidden.setPixel(1, 1, qRgba(9, 9, 9, 0));
        QImage sheet(30, 12, QImage::Format_ARGB32);
        sheet.fill(0);
        paste(sheet, a, {1, 1});
        paste(sheet, a, {6, 1});
        paste(sheet, cut::transformed(a, cut::kFlipH), {11, 1});
        paste(sheet, cut::transformed(b, cut::kRotate90), {16, 1});
        paste(sheet, b, {1, 7});
        paste(sheet, cut::transformed(a, cut::kRotate180), {6, 7});
        paste(sheet, hidden, {11, 7});
        paste(sheet, drawn({"mmmm", "m#km"}), {20, 8});
        const std::vector<QRect> sprites = findSprites(sheet, {});
        QCOMPARE(sprites.size(), std::size_t(8));

        std::optional<QSize> cell;
        if (pad.isValid())
            cell = pad;
        QCOMPARE(cut::padProblem(sprites, QSize(3, 3)),
                 QStringLiteral("Sprite 8 (4x2 at 20,8) is larger than the padded cell of 3x3."));
        QVERIFY(cut::spriteResult(sheet, sprites, cut::Merge::None, QSize(3, 3)).sprites.empty());
        cut::CutResult result = cut::spriteResult(sheet, sprites, cut::Merge(merge), cell);
        result.sheetPath = QStringLiteral("/out/sheet.png");
        QCOMPARE(int(result.tiles.size()), tiles);
        if (atlas)
            cut::packSpritesInAtlas(result, QStringLiteral("/out/atlas.png"));
        else
            cut::nameTileFiles(result, QStringLiteral("/out/tiles"), 0, QStringLiteral("png"));

        std::map<QString, QByteArray> written;
        const std::vector<std::unique_ptr<cut::CutWriter>> writers = [] {
            std::vector<std::unique_ptr<cut::CutWriter>> w;
            w.push_back(std::make_unique<cut::NumberedFilesWriter>());
            w.push_back(std::make_unique<cut::AtlasWriter>());
            w.push_back(std::make_unique<cut::ManifestWriter>(QStringLiteral("/out/cut.json")));
            return w;
        }();
        for (const auto& writer : writers)
            for (const cut::OutputFile& file : writer->files(result))
                QVERIFY(written.emplace(file.path, file.bytes()).second);
        QCOMPARE(int(written.size()), 1 + (atlas ? 1 : tiles));

        QString error;
        const auto manifest =
            cut::parseManifest(written.at(QStringLiteral("/out/cut.json")), &error);
        QVERIFY2(manifest, qPrintable(error));
        QCOMPARE(cut::manifestJson(*manifest), written.at(QStringLiteral("/out/cut.json")));
        QCOMPARE(int(manifest->tiles.size()), tiles);
        const QImage rebuilt = rebuiltSheet(*manifest, [&](const QString& name) {
            return QImage::fromData(written.at(QStringLiteral("/out/") + name));
        });
        QCOMPARE(clearHidden(rebuilt), clearHidden(sheet));
    }

    void guessesGrids_data() {
        QTest::addColumn<QImage>("sheet");
        QTest::addColumn<QString>("expected");

        QTest::newRow("32x32 terrain, no gutters") << gridSheet(10, 8, {32, 32}, 0, 0, 0, terrain)
                                                   << "detected 32x32, margin 0, spacing 0";
        // The last cells are blank, as on a sheet that is not full.
        QTest::newRow("16x16 in grey gutters")
            << gridSheet(12, 10, {16, 16}, 1, 1, qRgb(60, 60, 60),
                         [](QPainter& p, int i, QRect cell) {
                             if (i < 113)
                                 terrain(p, i, cell);
                         })
            << "detected 16x16, margin 1, spacing 1";
        QTest::newRow("96x48 in transparent gutters")
            << gridSheet(4, 6, {96, 48}, 1, 1, 0, terrain) << "detected 96x48, margin 1, spacing 1";
        QTest::newRow("24x24 with spacing 2, no margin")
            << gridSheet(9, 7, {24, 24}, 0, 2, qRgb(255, 0, 255), terrain)
            << "detected 24x24, margin 0, spacing 2";
        QTest::newRow("16x32 terrain, no gutters") << gridSheet(12, 6, {16, 32}, 0, 0, 0, terrain)
                                                   << "detected 16x32, margin 0, spacing 0";
        QTest::newRow("48x48 creatures filling their cells")
            << gridSheet(10, 6, {48, 48}, 0, 0, 0, blob) << "detected 48x48, margin 0, spacing 0";
        QTest::newRow("48x48 figures on nothing")
            << gridSheet(8, 4, {48, 48}, 0, 0, 0, walker) << "detected 48x48, margin 0, spacing 0";
    }

    void guessesGrids() {
        QFETCH(QImage, sheet);
        QFETCH(QString, expected);
        const std::optional<GuessedGrid> grid = guessOf(sheet);
        QVERIFY(grid);
        QCOMPARE(describeGrid(*grid), expected);
    }

    void refusesSheetsWithoutAGrid_data() {
        QTest::addColumn<QImage>("sheet");
        QImage noise(300, 200, QImage::Format_ARGB32);
        QRandomGenerator random(5);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, random.generate() | 0xFF000000u);
        QTest::newRow("noise") << noise;
        QImage one(200, 160, QImage::Format_ARGB32);
        one.fill(Qt::transparent);
        {
            QPainter painter(&one);
            walker(painter, 3, QRect(60, 40, 48, 48));
        }
        QTest::newRow("one figure") << one;
        QImage plain(64, 64, QImage::Format_ARGB32);
        plain.fill(qRgb(10, 120, 40));
        QTest::newRow("one colour") << plain;
    }

    void refusesSheetsWithoutAGrid() {
        QFETCH(QImage, sheet);
        QString why;
        const std::optional<GuessedGrid> grid = guessGrid(sheet, &why);
        QVERIFY2(!grid, grid ? qPrintable(describeGrid(*grid)) : "");
        QVERIFY(why.startsWith(QLatin1String("no grid found: ")));
    }

    void warnsOfAWrongGrid_data() {
        QTest::addColumn<QImage>("sheet");
        QTest::addColumn<QList<int>>("given"); // width, height, margin, spacing
        QTest::addColumn<QString>("warning");  // empty for none

        const QImage figures = gridSheet(8, 4, {48, 48}, 0, 0, 0, walker);
        QTest::newRow("half-height cells cut the figures")
            << figures << QList<int>{48, 24, 0, 0} << "detected 48x48, margin 0, spacing 0";
        QTest::newRow("the figures' own grid") << figures << QList<int>{48, 48, 0, 0} << "";
        QTest::newRow("cells of four figures cut none")
            << figures << QList<int>{96, 96, 0, 0} << "";
        const QImage gutters = gridSheet(12, 10, {16, 16}, 1, 1, qRgb(60, 60, 60), terrain);
        QTest::newRow("gutters inside the cells")
            << gutters << QList<int>{16, 16, 0, 0} << "detected 16x16, margin 1, spacing 1";
        QTest::newRow("the gutters' grid") << gutters << QList<int>{16, 16, 1, 1} << "";
        // Without gutters or sprites to show it, another grid may be meant.
        QTest::newRow("terrain cut finer")
            << gridSheet(10, 8, {32, 32}, 0, 0, 0, terrain) << QList<int>{16, 16, 0, 0} << "";
    }

    void warnsOfAWrongGrid() {
        QFETCH(QImage, sheet);
        QFETCH(QList<int>, given);
        QFETCH(QString, warning);
        const std::optional<GuessedGrid> better =
            gridLooksWrong(sheet, given[0], given[1], given[2], given[3]);
        QCOMPARE(better ? describeGrid(*better) : QString(), warning);
    }

    // Tiled's own examples (Debian package tiled), each with the grid its
    // tileset documents: the guess is that grid, or a refusal where `found` is
    // false; never another grid.
    void guessesTiledsExamples_data() {
        QTest::addColumn<QString>("tileset");
        QTest::addColumn<bool>("found");
        const QString examples = QStringLiteral("/usr/share/doc/tiled/examples/");
        QTest::newRow("desert") << examples + "desert.tsx" << true;
        QTest::newRow("beach") << examples + "rpg/beach_tileset.tsx" << true;
        QTest::newRow("sewers") << examples + "sewers.tmx" << true;
        QTest::newRow("sewer rules") << examples + "sewer_automap/sewers.tmx" << false;
        QTest::newRow("outdoor") << examples + "orthogonal-outside.tmx.gz" << true;
        QTest::newRow("perspective walls") << examples + "perspective_walls.tsx" << true;
        QTest::newRow("hexagons") << examples + "hexagonal-mini.tmx" << false;
        QTest::newRow("isometric") << examples + "isometric_grass_and_water.tmx" << true;
        QTest::newRow("one hexagon") << examples + "test_hexagonal_tile_60x60x30.tmx" << false;
    }

    void guessesTiledsExamples() {
        QFETCH(QString, tileset);
        QFETCH(bool, found);
        QByteArray bytes;
        if (tileset.endsWith(QLatin1String(".gz"))) {
            QProcess gunzip;
            gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), tileset});
            if (gunzip.waitForFinished() && gunzip.exitCode() == 0)
                bytes = gunzip.readAllStandardOutput();
        } else {
            QFile file(tileset);
            if (file.open(QIODevice::ReadOnly))
                bytes = file.readAll();
        }
        if (bytes.isEmpty())
            QSKIP("Tiled's examples are not installed");
        const QString text = QString::fromUtf8(bytes);
        const auto attribute = [&](const char* name) {
            const QRegularExpression pattern(
                QStringLiteral("<tileset[^>]*\\s%1=\"(\\d+)\"").arg(QLatin1String(name)));
            const QRegularExpressionMatch match = pattern.match(text);
            return match.hasMatch() ? match.captured(1).toInt() : 0;
        };
        const QRegularExpressionMatch image =
            QRegularExpression(QStringLiteral("<image source=\"([^\"]+)\"")).match(text);
        QVERIFY(image.hasMatch());
        const QImage sheet(QFileInfo(tileset).dir().filePath(image.captured(1)));
        QVERIFY(!sheet.isNull());
        const QString documented = QStringLiteral("detected %1x%2, margin %3, spacing %4")
                                       .arg(attribute("tilewidth"))
                                       .arg(attribute("tileheight"))
                                       .arg(attribute("margin"))
                                       .arg(attribute("spacing"));
        QString why;
        const std::optional<GuessedGrid> grid = guessGrid(sheet, &why);
        if (!grid) {
            QVERIFY2(!found, qPrintable(why));
            return;
        }
        QCOMPARE(describeGrid(*grid), documented);
    }
};

QTEST_GUILESS_MAIN(TestDetect)
#include "tst_detect.moc"
