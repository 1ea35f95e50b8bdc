#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

// Writes a small seed corpus: each readable format at a few sizes, and bitmaps
// cut short, into the folder given.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("corpus");
    QDir().mkpath(folder);
    int n = 0;
    for (const QSize size : {QSize(1, 1), QSize(16, 16), QSize(17, 5), QSize(40, 30)}) {
        QImage image(size, QImage::Format_ARGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgba(x * 7, y * 5, x ^ y, 255 - x));
        for (const char* format : {"bmp", "png", "gif", "jpg", "ppm"}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImage source = qstrcmp(format, "gif") == 0
                                ? image.convertToFormat(QImage::Format_Indexed8)
                                : image;
            if (!QImageWriter(&buffer, format).write(source))
                continue;
            QFile out(QStringLiteral("%1/seed%2.%3").arg(folder).arg(n++).arg(format));
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            if (qstrcmp(format, "bmp") == 0) {
                QFile cut(QStringLiteral("%1/seed%2-cut.bmp").arg(folder).arg(n++));
                cut.open(QIODevice::WriteOnly);
                cut.write(bytes.left(bytes.size() - 3));
            }
        }
    }
    return 0;
}
