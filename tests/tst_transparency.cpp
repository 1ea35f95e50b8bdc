#include "support/files.h"
#include "support/imagecheck.h"
#include "support/testapp.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "image/clipboard.h"
#include "controls/commondialog.h"
#include "controls/optionbutton.h"
#include "image/picture.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QTest>

namespace {

// The alphas that show whether a step premultiplies, rounds or drops: none, the
// least, about half, nearly all, all.
constexpr int kAlphas[] = {0, 1, 127, 254, 255};

// 30 x 20 pixels, each alpha of kAlphas in every column group, with colours that
// run through the whole range of every channel, 0 and 255 included.
QImage golden() {
    QImage image(30, 20, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int i = y * image.width() + x;
            const int a = kAlphas[(x + y) % 5];
            image.setPixel(x, y,
                           qRgba((i * 37) & 0xFF, (255 - i * 53) & 0xFF,
                                 (i % 3 == 0   ? 0
                                  : i % 3 == 1 ? 255
                                               : i * 71) &
                                     0xFF,
                                 a));
        }
    }
    return image;
}

// What the screen showed for such a picture before pictures kept their alpha:
// Qt's painter laying it over the background colour. Written with the painter
// rather than the program's own arithmetic, so that the two check each other.
QImage overBackground(const QImage& image) {
    QImage result(image.size(), QImage::Format_RGB32);
    result.fill(kBack);
    QPainter painter(&result);
    painter.drawImage(0, 0, image);
    return result;
}

// A 32-bit uncompressed Targa file, rows from the top, 8 bits of alpha. Targa has
// no signature, so it also shows that a picture is read by its extension when its
// content names no format.
QByteArray targaOf(const QImage& image) {
    QByteArray bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = char(image.width() & 0xFF);
    bytes[13] = char(image.width() >> 8);
    bytes[14] = char(image.height() & 0xFF);
    bytes[15] = char(image.height() >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            bytes += char(qBlue(p));
            bytes += char(qGreen(p));
            bytes += char(qRed(p));
            bytes += char(qAlpha(p));
        }
    }
    // The version 2 footer, without which Qt reads no Targa file.
    bytes += QByteArray(8, '\0');
    bytes += QByteArray("TRUEVISION-XFILE.", 18);
    return bytes;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

QByteArray formatOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QImageReader::imageFormat(&file);
}

// A fixed 16 x 16 capture whose bottom-right corner is at (x, y).
void captureAt(TestApp& app, int x, int y) {
    app.f().o_fixed->setValue(true);
    app.f().o_16->setValue(true);
    app.clickView(x, y);
}

// Captures the whole tileset (it fits the view) with an adjustable drag.
void captureAll(TestApp& app, const QSize& size) {
    app.f().o_adjust->setValue(true);
    app.dragView(QPoint(0, 0), QPoint(size.width(), size.height()));
}

} // namespace

class TransparencyTest : public QObject {
    Q_OBJECT
private slots:
    void flattenAsThePainterDid_data();
    void flattenAsThePainterDid();
    void importKeepsAlpha_data();
    void importKeepsAlpha();
    void scrolledTransparentView_data();
    void scrolledTransparentView();
    void opaqueAlphaChannelHeldOnce();
    void saveFlattens();
    void saveAs_data();
    void saveAs();
    void saveAsRefuses_data();
    void saveAsRefuses();
    void saveAsFilter();
    void clipboardRoundTrip();
    void pasteForeignPng();
    void viewWindowLeavesTilesetAlone();
};

void TransparencyTest::flattenAsThePainterDid_data() {
    QTest::addColumn<int>("offset"); // pixels cut off the start of every row
    QTest::newRow("aligned") << 0;
    QTest::newRow("one off") << 1;
    QTest::newRow("three off") << 3;
}

void TransparencyTest::flattenAsThePainterDid() {
    QFETCH(int, offset);
    // Every alpha with every value of every channel.
    QImage all(256 + 7, 256, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a)
        for (int x = 0; x < all.width(); ++x)
            all.setPixel(x, a, qRgba(x & 0xFF, 255 - (x & 0xFF), (x * 7) & 0xFF, a));
    const QImage part = all.copy(offset, 0, all.width() - offset, all.height());
    const platform::Picture picture(part);
    QVERIFY(picture.hasAlpha());
    VERIFY_SAME(picture.shown(), overBackground(part));
    VERIFY_ARGB(picture.image(), part, false);
    VERIFY_SAME(platform::Picture::toOpaque(part), overBackground(part));
}

void TransparencyTest::importKeepsAlpha_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<bool>("alphaOnlyWhenClear");
    const QImage picture = golden();
    QTest::newRow("png") << encoded(picture, "png") << "golden.png" << picture << false;
    QTest::newRow("tga") << targaOf(picture) << "golden.tga" << picture << false;
    // Lossless WebP keeps no colour under alpha 0.
    if (QImageWriter::supportedImageFormats().contains("webp"))
        QTest::newRow("webp") << encoded(picture, "webp", 100) << "golden.webp" << picture << true;
    if (QImageReader::supportedImageFormats().contains("gif")) {
        // Qt writes no GIF: the fixture, whose colour index 3 is transparent.
        QFile fixture(QStringLiteral(ORVANE_TEST_DATA "/tile20x16.gif"));
        if (fixture.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = fixture.readAll();
            QImage expected(20, 16, QImage::Format_ARGB32);
            const QRgb palette[] = {0xFFC02010, 0xFF10A030, 0xFF2040F0, 0x00000000};
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 20; ++x)
                    expected.setPixel(x, y, palette[(x / 3 + 2 * (y / 2)) % 4]);
            QTest::newRow("gif") << bytes << "tiles.gif" << expected << true;
        }
    }
}

void TransparencyTest::importKeepsAlpha() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QImage, expected);
    QFETCH(bool, alphaOnlyWhenClear);
    QVERIFY(!bytes.isEmpty());
    TestApp app;
    MainForm& f = app.f();
    const QString path = app.dir.filePath(name);
    QVERIFY(writeFile(path, bytes));
    app.importFile(path);
    QVERIFY(app.dialogs.messages.isEmpty());
    QVERIFY(f.state.sourcePicture);
    QVERIFY(f.state.sourcePicture->hasAlpha());
    VERIFY_ARGB(f.state.sourcePicture->image(), expected, alphaOnlyWhenClear);

    // The view shows it over the background colour, exactly as the painter would.
    const QImage held = f.state.sourcePicture->image();
    const QImage shown = overBackground(held);
    VERIFY_SAME(f.pics->shownImage(), shown);
    VERIFY_SAME(painted(f.pics), shown);

    // The capture keeps colour and alpha straight; the Selection view shows it
    // over the background colour.
    captureAll(app, expected.size());
    VERIFY_ARGB(f.pict->image(), held, false);
    VERIFY_SAME(f.pict->shownImage(), shown);
    VERIFY_SAME(painted(f.pict), shown);
}

void TransparencyTest::scrolledTransparentView_data() {
    QTest::addColumn<QList<QPoint>>("offsets"); // scroll values, in turn
    QTest::newRow("start") << QList<QPoint>{{0, 0}};
    QTest::newRow("far corner") << QList<QPoint>{{1000 - 448, 900 - 640}};
    QTest::newRow("odd offsets, back and forth")
        << QList<QPoint>{{37, 5}, {101, 259}, {36, 4}, {552, 1}};
}

void TransparencyTest::scrolledTransparentView() {
    QFETCH(QList<QPoint>, offsets);
    // Larger than the view and than the tiles the view's colours are made in.
    QImage tileset = patternImage(1000, 900, QImage::Format_ARGB32);
    for (int y = 0; y < tileset.height(); ++y)
        for (int x = 0; x < tileset.width(); ++x)
            tileset.setPixel(
                x, y, (tileset.pixel(x, y) & 0xFFFFFF) | QRgb(kAlphas[(x / 7 + y) % 5]) << 24);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(tileset);
    QVERIFY(app.dialogs.messages.isEmpty());
    const QImage whole = overBackground(tileset);
    for (const QPoint& offset : offsets) {
        f.HScroll1->setValue(offset.x());
        f.VScroll1->setValue(offset.y());
        const QRect shown(offset, QSize(448, 640));
        VERIFY_SAME(f.pics->shownImage(), whole.copy(shown));
        VERIFY_SAME(painted(f.pics), whole.copy(shown));
    }
    // A capture there keeps the tileset's own pixels.
    captureAt(app, 300, 500);
    const QPoint last = offsets.back();
    VERIFY_ARGB(f.pict->image(), tileset.copy(last.x() + 284, last.y() + 484, 16, 16), false);
    VERIFY_SAME(f.pict->shownImage(), whole.copy(last.x() + 284, last.y() + 484, 16, 16));
}

void TransparencyTest::opaqueAlphaChannelHeldOnce() {
    // A PNG with an alpha channel whose every pixel is opaque is an opaque tileset.
    TestApp app;
    app.importImage(patternImage(40, 30, QImage::Format_ARGB32));
    const platform::PicturePtr picture = app.f().state.sourcePicture;
    QVERIFY(picture);
    QVERIFY(!picture->hasAlpha());
    QCOMPARE(picture->image().format(), QImage::Format_RGB32);
    QVERIFY(picture->shown().constBits() == picture->image().constBits());
    VERIFY_PATTERN(picture->image(), 0, 0);
}

void TransparencyTest::saveFlattens() {
    TestApp app;
    MainForm& f = app.f();
    const QImage picture = golden();
    app.importImage(picture, QStringLiteral("golden.png"));
    captureAll(app, picture.size());
    f.c_clipb->setValue(0);
    app.window->Command2_Click();
    QVERIFY(app.dialogs.messages.isEmpty());
    const QString path = QDir(app.workFolder()).filePath(QStringLiteral("000.bmp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("BM"));
    QCOMPARE(int(uchar(bytes[28])), 24);
    VERIFY_SAME(QImage::fromData(bytes, "BMP"), overBackground(picture));
}

void TransparencyTest::saveAs_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format"); // what the file's bytes must hold
    QTest::addColumn<int>("fidelity");      // 0 flattened, 1 exact, 2 exact but clear
    const QStringList writable = platform::writableExtensions();
    QTest::newRow("png") << "tile.png" << QByteArray("png") << 1;
    QTest::newRow("png, upper case") << "TILE.PNG" << QByteArray("png") << 1;
    QTest::newRow("bmp") << "tile.bmp" << QByteArray("bmp") << 0;
    QTest::newRow("no extension") << "tile" << QByteArray("bmp") << 0;
    if (writable.contains(QStringLiteral("webp")))
        QTest::newRow("webp") << "tile.webp" << QByteArray("webp") << 2;
    if (writable.contains(QStringLiteral("tif")))
        QTest::newRow("tif") << "tile.tif" << QByteArray("tiff") << -1;
    if (writable.contains(QStringLiteral("ppm")))
        QTest::newRow("ppm") << "tile.ppm" << QByteArray("ppm") << 0;
}

void TransparencyTest::saveAs() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(int, fidelity);
    TestApp app;
    MainForm& f = app.f();
    const QImage picture = golden();
    app.importImage(picture, QStringLiteral("golden.png"));
    captureAll(app, picture.size());
    app.dialogs.fileAnswers.push_back(QDir(app.root()).filePath(name));
    f.Command7->click();
    QVERIFY(app.dialogs.messages.isEmpty());
    const QString path =
        QDir(app.root()).filePath(QFileInfo(name).suffix().isEmpty() ? name + ".bmp" : name);
    QCOMPARE(formatOf(path), format);
    const QImage back(path);
    QVERIFY(!back.isNull());
    if (fidelity == 0)
        VERIFY_SAME(back, overBackground(picture));
    else if (fidelity > 0)
        VERIFY_ARGB(back, picture, fidelity == 2);
    else
        QVERIFY(back.hasAlphaChannel()); // kept, in the codec's own precision
}

void TransparencyTest::saveAsRefuses_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("read, not written") << "tile.tga";
    QTest::newRow("unknown") << "tile.xyz";
    QTest::newRow("two extensions") << "tile.png.gz";
}

void TransparencyTest::saveAsRefuses() {
    QFETCH(QString, name);
    TestApp app;
    MainForm& f = app.f();
    app.importImage(golden(), QStringLiteral("golden.png"));
    captureAll(app, golden().size());
    const QString title = f.cmdb.dialogTitle;
    const QString filter = f.cmdb.filter;
    const QStringList before = QDir(app.root()).entryList(QDir::Files);
    app.dialogs.fileAnswers.push_back(QDir(app.root()).filePath(name));
    f.Command7->click();
    QCOMPARE(app.dialogs.messages.size(), 1);
    const QString message = app.dialogs.messages.front();
    QVERIFY2(message.contains(u'.' + QFileInfo(name).suffix()), qPrintable(message));
    for (const QString& ext : platform::writableExtensions())
        QVERIFY2(message.contains(u'.' + ext), qPrintable(message));
    QCOMPARE(QDir(app.root()).entryList(QDir::Files), before);
    QCOMPARE(f.cmdb.dialogTitle, title);
    QCOMPARE(f.cmdb.filter, filter);
}

void TransparencyTest::saveAsFilter() {
    const QList<platform::FileFilter> filters =
        platform::CommonDialog::parseFilter(platform::saveAsFilter());
    QVERIFY(filters.size() >= 2);
    QCOMPARE(filters[0].description, QStringLiteral("Windows bitmaps (*.bmp)"));
    QCOMPARE(filters[0].patterns, QStringList{QStringLiteral("*.bmp")});
    QCOMPARE(filters[1].patterns, QStringList{QStringLiteral("*.png")});
    QStringList offered;
    for (const platform::FileFilter& filter : filters)
        offered += filter.patterns;
    // Everything offered can be written, and nothing Qt writes is missing.
    for (const QByteArray& format : QImageWriter::supportedImageFormats())
        QVERIFY(offered.contains(QStringLiteral("*.") + QString::fromLatin1(format).toLower()));
    QCOMPARE(offered.size(), platform::writableExtensions().size());
    QVERIFY(!offered.contains(QStringLiteral("*.tga")));
}

void TransparencyTest::clipboardRoundTrip() {
    TestApp app;
    platform::SystemClipboard system;
    frm_ov_main window(Services{app.dialogs, system, *app.drives, app.screen, *app.system});
    MainForm& f = window.form();
    const QImage picture = golden();
    const QString path = app.dir.filePath(QStringLiteral("golden.png"));
    QVERIFY(picture.save(path));
    app.dialogs.fileAnswers.push_back(path);
    window.b_open_Click();
    f.o_adjust->setValue(true);
    window.pics_MouseDown(platform::LeftButton, 0, 0, 0);
    window.pics_MouseMove(platform::LeftButton, 0, picture.width(), picture.height());
    window.pics_MouseUp(platform::LeftButton, 0, picture.width(), picture.height());
    f.c_file->setValue(0);
    window.Command2_Click();
    QVERIFY(app.dialogs.messages.isEmpty());

    // Offered as PNG with the alpha, and as a bitmap over the background colour.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QVERIFY(data->hasFormat(QStringLiteral("image/png")));
    VERIFY_ARGB(QImage::fromData(data->data(QStringLiteral("image/png")), "PNG"), picture, false);
    QVERIFY(data->hasImage());
    VERIFY_SAME(qvariant_cast<QImage>(data->imageData()), overBackground(picture));

    // Pasted back, the alpha stays.
    window.Command6_Click();
    QVERIFY(app.dialogs.messages.isEmpty());
    VERIFY_ARGB(f.state.sourcePicture->image(), picture, false);
    VERIFY_SAME(f.pics->shownImage(), overBackground(picture));
}

void TransparencyTest::pasteForeignPng() {
    // Another program that offers a PNG beside a bitmap without alpha.
    const QImage picture = golden();
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), encoded(picture, "png"));
    data->setImageData(backgroundImage(30, 20));
    QGuiApplication::clipboard()->setMimeData(data);
    platform::SystemClipboard system;
    VERIFY_ARGB(system.takePicture()(), picture, false);

    // Without a PNG, the bitmap.
    auto* bitmapOnly = new QMimeData;
    bitmapOnly->setImageData(patternImage(20, 20));
    QGuiApplication::clipboard()->setMimeData(bitmapOnly);
    VERIFY_PATTERN(system.takePicture()(), 0, 0);
}

void TransparencyTest::viewWindowLeavesTilesetAlone() {
    // The view shows the tileset's own pixels; drawing into the view's image must
    // never reach the tileset, with alpha or without.
    for (const QImage& tileset : {patternImage(600, 700), golden().scaled(600, 700)}) {
        const platform::Picture picture(tileset);
        const QImage before = picture.image().copy();
        platform::PictureBox box(nullptr, 448, 640);
        box.paintPicture(picture, 0, 0, 448, 640, 100, 50);
        const uchar* first = picture.image().constBits();
        const uchar* last = first + picture.image().sizeInBytes();
        QVERIFY(box.image().constBits() >= first && box.image().constBits() < last);
        box.setForeColor(qRgb(255, 255, 255));
        box.lineBox(0, 0, 447, 639);
        box.paintPicture(patternImage(20, 20), 5, 5, 20, 20, 0, 0);
        QCOMPARE(box.image().pixel(0, 0), qRgb(255, 255, 255));
        QVERIFY(picture.image() == before);
        box.paintPicture(picture, 0, 0, 448, 640, 100, 50);
        box.cls();
        QVERIFY(picture.image() == before);
        QCOMPARE(box.shownImage().pixel(10, 10), kBack);
    }
}

QTEST_MAIN(TransparencyTest)
#include "tst_transparency.moc"
