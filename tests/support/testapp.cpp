#include "support/testapp.h"

#include "image/picture.h"
#include "controls/picturebox.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
// Every test process starts with the picture limits the program sets at start-up.
void startUp() {
    platform::initPictureLimits();
}
} // namespace
Q_COREAPP_STARTUP_FUNCTION(startUp)

TestApp::TestApp(const QStringList& extraDrives) {
    QDir(dir.path()).mkpath(QStringLiteral("app"));
    QDir(dir.path()).mkpath(QStringLiteral("work"));
    QStringList roots{QDir::toNativeSeparators(dir.path())};
    for (const QString& extra : extraDrives)
        roots << QDir::toNativeSeparators(dir.filePath(extra));
    drives = std::make_unique<doubles::FixedDrives>(roots, QDir::toNativeSeparators(workFolder()));
    system = std::make_unique<doubles::ScriptedSystem>(QDir::toNativeSeparators(appFolder()));
    window = std::make_unique<frm_ov_main>(Services{dialogs, clipboard, *drives, screen, *system});
}

TestApp::~TestApp() = default;

void TestApp::importImage(const QImage& image, const QString& name) {
    const QString path = dir.filePath(name);
    image.save(path);
    importFile(path);
}

void TestApp::importFile(const QString& path) {
    dialogs.fileAnswers.push_back(path);
    window->b_open_Click();
}

void TestApp::pasteImage(const QImage& image) {
    clipboard.content = image;
    window->Command6_Click();
}

void TestApp::clickView(int x, int y) {
    window->pics_MouseDown(platform::LeftButton, 0, x, y);
    window->pics_MouseUp(platform::LeftButton, 0, x, y);
}

void TestApp::dragView(QPoint from, QPoint to) {
    window->pics_MouseDown(platform::LeftButton, 0, from.x(), from.y());
    window->pics_MouseMove(platform::LeftButton, 0, to.x(), to.y());
    window->pics_MouseUp(platform::LeftButton, 0, to.x(), to.y());
}

bool TestApp::showWindow() {
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
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
