#include "system/errors.h"
#include "image/picture.h"
#include "image/tga.h"
#include "view/tileset.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

namespace {

QByteArray readData(const QString& name) {
    QFile file(QStringLiteral(ORVANE_TEST_DATA "/tga/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Colours compared premultiplied: where a pixel is wholly transparent its colour
// channels mean nothing.
QImage comparable(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QString firstDifference(const QImage& got, const QImage& want) {
    if (got.size() != want.size())
        return QStringLiteral("size %1 x %2 instead of %3 x %4")
            .arg(got.width())
            .arg(got.height())
            .arg(want.width())
            .arg(want.height());
    const QImage a = comparable(got), b = comparable(want);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("pixel (%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
    return {};
}

QByteArray header(int type, int width, int height, int bits, int descriptor, int mapLength = 0,
                  int mapBits = 0) {
    QByteArray h(18, '\0');
    h[1] = char(mapLength ? 1 : 0);
    h[2] = char(type);
    h[5] = char(mapLength & 0xFF);
    h[6] = char(mapLength >> 8);
    h[7] = char(mapBits);
    h[12] = char(width & 0xFF);
    h[13] = char(width >> 8);
    h[14] = char(height & 0xFF);
    h[15] = char(height >> 8);
    h[16] = char(bits);
    h[17] = char(descriptor);
    return h;
}

QByteArray le16(int v) {
    return QByteArray(1, char(v & 0xFF)) + char(v >> 8);
}

} // namespace

class TgaTest : public QObject {
    Q_OBJECT
private slots:
    void readsWhatImageMagickWrote_data();
    void readsWhatImageMagickWrote();
    void sixteenBitsAndRightToLeft_data();
    void sixteenBitsAndRightToLeft();
    void refuses_data();
    void refuses();
    void otherFormatsAreNotTakenForTga();
    void importFilterOffersOtherPictures();
};

void TgaTest::readsWhatImageMagickWrote_data() {
    QTest::addColumn<QString>("tga");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("sameAs");
    // Each file against ImageMagick's own reading of it, and the top-down files,
    // written from a flipped picture, against the bottom-up ones.
    QTest::newRow("type 2, 24 bits") << "true24" << 2 << "true24";
    QTest::newRow("type 10, 24 bits, RLE") << "true24-rle" << 10 << "true24";
    QTest::newRow("type 2, 24 bits, top-down") << "true24-top" << 2 << "true24";
    QTest::newRow("type 10, RLE, top-down") << "true24-rle-top" << 10 << "true24";
    QTest::newRow("type 2, 32 bits with alpha") << "true32-alpha" << 2 << "true32-alpha";
    QTest::newRow("type 10, 32 bits with alpha, RLE") << "true32-alpha-rle" << 10 << "true32-alpha";
    QTest::newRow("type 3, grey") << "grey" << 3 << "grey";
    QTest::newRow("type 11, grey, RLE") << "grey-rle" << 11 << "grey";
    QTest::newRow("type 11, grey, RLE, top-down") << "grey-rle-top" << 11 << "grey";
    QTest::newRow("type 1, colour map") << "mapped" << 1 << "mapped";
    QTest::newRow("type 9, colour map, RLE") << "mapped-rle" << 9 << "mapped";
}

void TgaTest::readsWhatImageMagickWrote() {
    QFETCH(QString, tga);
    QFETCH(int, type);
    QFETCH(QString, sameAs);
    const QByteArray bytes = readData(tga + QStringLiteral(".tga"));
    QVERIFY(bytes.size() > 18);
    QCOMPARE(int(uchar(bytes[2])), type);
    QVERIFY2(!bytes.endsWith(QByteArray("TRUEVISION-XFILE.\0", 18)), "the file has a footer");
    QImage expected;
    QVERIFY(expected.load(QStringLiteral(ORVANE_TEST_DATA "/tga/") + sameAs + ".png"));
    QCOMPARE(expected.size(), QSize(21, 17));

    QVERIFY(platform::looksLikeTga(bytes));
    const QImage direct = platform::readTga(bytes);
    const QString differs = firstDifference(direct, expected);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));

    // Through the loader the import uses: Qt refuses the file, this reader takes it,
    // and transparency ends up over the window's background like any picture's.
    const platform::PicturePtr picture = platform::loadPictureData(bytes);
    const QString loaded = firstDifference(picture->shown(), platform::Picture::toOpaque(expected));
    QVERIFY2(loaded.isEmpty(), qPrintable(loaded));
}

void TgaTest::sixteenBitsAndRightToLeft_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    // Two rows of two pixels, 5-5-5 with the attribute bit: white, red / green, blue.
    const QByteArray white = le16(0x7FFF), red = le16(0x7C00), green = le16(0x03E0),
                     blue = le16(0x001F);
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, 0xFFFFFFFF);
    image.setPixel(1, 0, 0xFFFF0000);
    image.setPixel(0, 1, 0xFF00FF00);
    image.setPixel(1, 1, 0xFF0000FF);
    // Bottom-up: the bottom row is stored first.
    QTest::newRow("16 bits, bottom-up")
        << header(2, 2, 2, 16, 0) + green + blue + white + red << image;
    QTest::newRow("15 bits, top-down")
        << header(2, 2, 2, 15, 0x20) + white + red + green + blue << image;
    QTest::newRow("16 bits, top-down, right to left")
        << header(2, 2, 2, 16, 0x30) + red + white + blue + green << image;
    // One run of two and one literal packet of two, crossing no row.
    QTest::newRow("16 bits, RLE, top-down")
        << header(10, 2, 2, 16, 0x20) + char(0x01) + white + red + char(0x01) + green + blue
        << image;
    QImage runs(2, 2, QImage::Format_RGB32);
    runs.fill(0xFFFF0000);
    runs.setPixel(1, 1, 0xFF0000FF);
    // A run of three that goes on from the first row into the second.
    QTest::newRow("RLE run across rows")
        << header(10, 2, 2, 16, 0x20) + char(0x82) + red + char(0x00) + blue << runs;
    // With one attribute bit the top bit is alpha: a clear pixel over the background.
    QImage clear = image;
    clear.setPixel(1, 1, platform::kBackColor);
    QTest::newRow("16 bits, alpha bit")
        << header(2, 2, 2, 16, 0x21) + le16(0xFFFF) + le16(0xFC00) + le16(0x83E0) + le16(0x001F)
        << clear;
}

void TgaTest::sixteenBitsAndRightToLeft() {
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    const platform::PicturePtr picture = platform::loadPictureData(bytes);
    const QString differs = firstDifference(picture->shown(), expected);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
}

void TgaTest::refuses_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray full = readData(QStringLiteral("true24.tga"));
    const QByteArray rle = readData(QStringLiteral("true24-rle.tga"));
    const QByteArray mapped = readData(QStringLiteral("mapped.tga"));
    QTest::newRow("uncompressed, last row cut short") << full.left(full.size() - 10);
    QTest::newRow("RLE, cut mid-packet") << rle.left(rle.size() / 2);
    QTest::newRow("colour map cut short") << mapped.left(18 + 20);
    QByteArray index = mapped;
    index[3] = char(200); // the map now starts at 200, below which no index may point
    QTest::newRow("index outside the map") << index;
    QTest::newRow("zero width") << header(2, 0, 2, 24, 0) + QByteArray(12, 'x');
    QTest::newRow("unknown type 4") << header(4, 2, 2, 24, 0) + QByteArray(12, 'x');
    QTest::newRow("grey with 24 bits") << header(3, 2, 2, 24, 0) + QByteArray(12, 'x');
    QTest::newRow("interleaved rows") << header(2, 2, 2, 24, 0x40) + QByteArray(12, 'x');
    QTest::newRow("only a header") << header(2, 1, 1, 24, 0);
    QTest::newRow("text") << QByteArray("This is not a picture at all, only some words.");
}

void TgaTest::refuses() {
    QFETCH(QByteArray, bytes);
    QVERIFY_THROWS_EXCEPTION(platform::PlatformError, platform::loadPictureData(bytes));
}

void TgaTest::otherFormatsAreNotTakenForTga() {
    // The first bytes of the formats Qt reads must not pass for a TGA header, or a
    // damaged file of theirs would be shown as noise.
    for (const char* format : {"png", "bmp", "jpg", "ppm", "xpm"}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(0xFF336699);
        QVERIFY2(image.save(&buffer, format), format);
        QVERIFY2(!platform::looksLikeTga(bytes), format);
    }
}

void TgaTest::importFilterOffersOtherPictures() {
    // The three bitmap formats first, then what the image-format plug-ins and
    // the TGA reader add.
    const QString filter = view::importFilter();
    const QString bitmaps =
        QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)|*.bmp;*.gif;*.jpg|");
    QVERIFY2(filter.startsWith(bitmaps), qPrintable(filter));
    const QString others = filter.mid(bitmaps.size());
    QVERIFY2(others.startsWith(u"Other pictures|"), qPrintable(filter));
    const QStringList patterns = others.section(u'|', 1).split(u';');
    for (const char* pattern : {"*.png", "*.webp", "*.tga", "*.tiff", "*.tif"})
        QVERIFY2(patterns.contains(QString::fromLatin1(pattern)), pattern);
    QVERIFY(!patterns.contains(QStringLiteral("*.bmp")));
}

QTEST_MAIN(TgaTest)
#include "tst_tga.moc"
