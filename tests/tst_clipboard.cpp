#include "image/clipboard.h"
#include "system/errors.h"

#include <QBuffer>
#include <QMimeData>
#include <QTest>

#include <optional>

// How a paste reads what another program put on the clipboard. Each request
// can wait for that program (5 s each under X11): a paste asks once for the
// list of formats and at most once for one picture format's data.

namespace {

// Clipboard contents that count what is asked of them and can make the list
// of formats seem to take a while.
class CountingMime : public QMimeData {
public:
    QStringList listed;
    QHash<QString, QVariant> payload;
    qint64 listTakesMs = 0;
    qint64* clock = nullptr;

    mutable int formatRequests = 0;
    mutable QStringList dataRequests;

    QStringList formats() const override {
        ++formatRequests;
        *clock += listTakesMs;
        return listed;
    }
    bool hasFormat(const QString& format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        dataRequests << format;
        return payload.value(format);
    }
};

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage sample() {
    QImage image(20, 16, QImage::Format_RGB32);
    image.fill(qRgb(10, 120, 230));
    image.setPixel(3, 4, qRgb(255, 0, 0));
    return image;
}

} // namespace

class ClipboardTest : public QObject {
    Q_OBJECT
private slots:
    void foreignRead_data();
    void foreignRead();
};

void ClipboardTest::foreignRead_data() {
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("sent"); // the format whose data the owner sends
    QTest::addColumn<QVariant>("data");
    QTest::addColumn<qint64>("listTakesMs");
    QTest::addColumn<QString>("outcome"); // picture, none or failure
    QTest::addColumn<QStringList>("asked");

    const QByteArray png = encoded(sample(), "PNG");
    const QByteArray bmp = encoded(sample(), "BMP");
    const QByteArray jpeg = encoded(sample(), "JPEG");
    const QString qtImage = QStringLiteral("application/x-qt-image");
    const QStringList many{"text/plain", "image/bmp", "image/png", "image/jpeg", qtImage};

    QTest::newRow("text only") << QStringList{"text/plain"} << QString() << QVariant() << 0ll
                               << "none" << QStringList();
    QTest::newRow("empty clipboard")
        << QStringList() << QString() << QVariant() << 0ll << "none" << QStringList();
    QTest::newRow("PNG first of many")
        << many << "image/png" << QVariant(png) << 0ll << "picture" << QStringList{"image/png"};
    QTest::newRow("BMP without PNG")
        << QStringList{"image/jpeg", "image/bmp", qtImage} << "image/bmp" << QVariant(bmp) << 0ll
        << "picture" << QStringList{"image/bmp"};
    QTest::newRow("JPEG alone") << QStringList{"image/jpeg"} << "image/jpeg" << QVariant(jpeg)
                                << 0ll << "picture" << QStringList{"image/jpeg"};
    QTest::newRow("Qt image alone") << QStringList{qtImage} << qtImage << QVariant(sample()) << 0ll
                                    << "picture" << QStringList{qtImage};
    QTest::newRow("owner lists PNG and sends nothing")
        << many << QString() << QVariant() << 0ll << "failure" << QStringList{"image/png"};
    QTest::newRow("owner never answers")
        << QStringList() << QString() << QVariant() << 5000ll << "failure" << QStringList();
    QTest::newRow("list of formats answered slowly")
        << many << "image/png" << QVariant(png) << 1500ll << "failure" << QStringList();
    QTest::newRow("PNG that holds a damaged bitmap")
        << QStringList{"image/png"} << "image/png"
        << QVariant(QByteArray::fromBase64("Qk06AB4AAQAAAAAAAAA2AAAAFADs/wEAGAAAIAIAAwAAAA=="))
        << 0ll << "failure" << QStringList{"image/png"};
}

void ClipboardTest::foreignRead() {
    QFETCH(QStringList, listed);
    QFETCH(QString, sent);
    QFETCH(QVariant, data);
    QFETCH(qint64, listTakesMs);
    QFETCH(QString, outcome);
    QFETCH(QStringList, asked);

    qint64 clock = 0;
    CountingMime mime;
    mime.listed = listed;
    mime.listTakesMs = listTakesMs;
    mime.clock = &clock;
    if (!sent.isEmpty())
        mime.payload.insert(sent, data);

    std::optional<QImage> image;
    try {
        const platform::PictureReading reading =
            platform::takeForeignPicture(mime, [&clock] { return clock; });
        // Everything is asked of the owner before the reading.
        QCOMPARE(mime.dataRequests, asked);
        image = reading();
    } catch (const platform::PlatformError&) {
    }
    QCOMPARE(mime.formatRequests, 1);
    QCOMPARE(mime.dataRequests, asked);
    if (outcome == u"failure") {
        QVERIFY(!image);
    } else if (outcome == u"none") {
        QVERIFY(image && image->isNull());
    } else {
        QVERIFY(image && !image->isNull());
        QCOMPARE(image->size(), QSize(20, 16));
        if (sent == u"image/jpeg")
            return; // lossy
        QCOMPARE(image->pixel(3, 4) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(image->pixel(0, 0) & 0xFFFFFF, qRgb(10, 120, 230) & 0xFFFFFFu);
    }
}

QTEST_MAIN(ClipboardTest)
#include "tst_clipboard.moc"
