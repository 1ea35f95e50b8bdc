#include "support/testapp.h"

#include <QDir>

TestApp::TestApp(const QStringList& extraDrives) {
    QDir(dir.path()).mkpath(QStringLiteral("app"));
    QDir(dir.path()).mkpath(QStringLiteral("work"));
    QStringList roots{QDir::toNativeSeparators(dir.path())};
    for (const QString& extra : extraDrives)
        roots << QDir::toNativeSeparators(dir.filePath(extra));
    drives = std::make_unique<platform::FixedDrives>(roots, QDir::toNativeSeparators(workFolder()));
    system = std::make_unique<platform::ScriptedSystem>(QDir::toNativeSeparators(appFolder()));
    window = std::make_unique<frm_ov_main>(Services{dialogs, clipboard, *drives, screen, *system});
}

TestApp::~TestApp() = default;

void TestApp::importImage(const QImage& image, const QString& name) {
    const QString path = dir.filePath(name);
    image.save(path);
    dialogs.fileAnswers.push_back(path);
    window->b_open_Click();
}

QRgb patternPixel(int x, int y) {
    return qRgb((x * 7 + 3) & 0xFF, (y * 5 + 11) & 0xFF, ((x >> 5) * 37 + (y >> 5) * 71) & 0xFF);
}

QImage patternImage(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = patternPixel(x, y);
    }
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

bool holdsPattern(const QImage& image, int sx, int sy, QString* where) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = patternPixel(sx + x, sy + y);
            if ((image.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF)) {
                if (where)
                    *where = QStringLiteral("pixel (%1, %2): %3 instead of %4")
                                 .arg(x)
                                 .arg(y)
                                 .arg(image.pixel(x, y), 8, 16)
                                 .arg(want, 8, 16);
                return false;
            }
        }
    }
    return true;
}
