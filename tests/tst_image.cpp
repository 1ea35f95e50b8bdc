#include "support/files.h"
#include "support/imagecheck.h"

#include "image/picture.h"
#include "system/errors.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

// Pictures as the program reads and writes them: what is shown of a picture
// with alpha, the bitmaps it saves, and the files it refuses to read.
class ImageTest : public QObject {
    Q_OBJECT
private slots:
    void opaqueOverBackground();
    void savedColoursUnchanged();
    void saveFailsWithoutLeavingAFile();
    void loadRefuses_data();
    void loadRefuses();
    void loadKeepsExactSize();
};

void ImageTest::opaqueOverBackground() {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(10, 20, 30, 255));
    image.setPixel(2, 0, qRgba(255, 0, 0, 0));
    image.setPixel(3, 0, qRgba(0, 0, 0, 255));
    const Picture picture(image);
    QVERIFY(picture.hasAlpha());
    QCOMPARE(picture.image().format(), QImage::Format_ARGB32);
    QCOMPARE(picture.image().pixel(2, 0), qRgba(255, 0, 0, 0)); // colour behind the alpha kept
    QCOMPARE(picture.shown().format(), QImage::Format_RGB32);
    QCOMPARE(picture.shown().pixel(0, 0), kBackColor);
    QCOMPARE(picture.shown().pixel(1, 0), qRgb(10, 20, 30));
    QCOMPARE(picture.shown().pixel(2, 0), kBackColor);
    QCOMPARE(picture.shown().pixel(3, 0), qRgb(0, 0, 0));
}

void ImageTest::savedColoursUnchanged() {
    // Every value of every channel, in one 256 x 3 picture.
    QImage image(256, 3, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v) {
        image.setPixel(v, 0, qRgb(v, 255 - v, (v * 7) & 0xFF));
        image.setPixel(v, 1, qRgb((v * 3) & 0xFF, v, 255 - v));
        image.setPixel(v, 2, qRgb(255 - v, (v * 5) & 0xFF, v));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("000.bmp"));
    savePicture(image, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(30);
    QVERIFY(head.startsWith("BM"));
    QCOMPARE(int(uchar(head[28])), 24); // bits per pixel
    const QImage back(path);
    QCOMPARE(back.size(), image.size());
    VERIFY_SAME(back, image);
    QCOMPARE(entries(dir.path()), QStringList{"000.bmp"});
}

void ImageTest::saveFailsWithoutLeavingAFile() {
    QTemporaryDir dir;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    const QString missing = dir.filePath(QStringLiteral("gone/000.bmp"));
    QVERIFY_THROWS_EXCEPTION(PlatformError, savePicture(image, missing));
    QVERIFY_THROWS_EXCEPTION(PlatformError,
                             savePicture(QImage(), dir.filePath(QStringLiteral("001.bmp"))));
    QCOMPARE(entries(dir.path()), QStringList());
}

void ImageTest::loadRefuses_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text named .bmp") << QByteArray("this is not a picture\n");
    QTest::newRow("empty") << QByteArray();
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
    }
    QTest::newRow("bitmap cut short") << bmp.left(bmp.size() - 20);
    QTest::newRow("bitmap header only") << bmp.left(54);
}

void ImageTest::loadRefuses() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tileset.bmp"));
    QVERIFY(writeFile(path, bytes));
    QVERIFY_THROWS_EXCEPTION(PlatformError, loadPicture(path));
    QVERIFY_THROWS_EXCEPTION(PlatformError, loadPictureData(bytes));
}

void ImageTest::loadKeepsExactSize() {
    QTemporaryDir dir;
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    image.setDotsPerMeterX(2835 * 3); // a file's recorded resolution plays no part
    image.setDotsPerMeterY(1234);
    const QString path = dir.filePath(QStringLiteral("tiny.bmp"));
    QVERIFY(image.save(path, "BMP"));
    const PicturePtr picture = loadPicture(path);
    QCOMPARE(picture->width(), 16);
    QCOMPARE(picture->height(), 16);
    // Whatever the name says, the content decides.
    const QString png = dir.filePath(QStringLiteral("really-a-png.bmp"));
    QVERIFY(image.save(png, "PNG"));
    QCOMPARE(loadPicture(png)->width(), 16);
    QVERIFY_THROWS_EXCEPTION(PlatformError, loadPicture(dir.filePath(QStringLiteral("none.bmp"))));
}

QTEST_MAIN(ImageTest)
#include "tst_image.moc"
