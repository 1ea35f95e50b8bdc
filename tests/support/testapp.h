#pragma once

#include "app/window/frm_ov_main.h"
#include "platform/drives.h"
#include "platform/scripted.h"
#include "platform/screen.h"

#include <QImage>
#include <QTemporaryDir>

#include <memory>

// A main window on scripted dialogs, clipboard and process, with one fake drive:
// a fresh temporary folder holding the program's folder "app" and the working
// folder "work", which is the output folder after start-up.
class TestApp {
public:
    // Extra drive roots (relative to the temporary folder) may be listed; one that
    // does not exist stands for a drive without a medium.
    explicit TestApp(const QStringList& extraDrives = {});
    ~TestApp();

    MainForm& f() { return window->form(); }
    QString root() const { return dir.path(); }
    QString appFolder() const { return dir.filePath(QStringLiteral("app")); }
    QString workFolder() const { return dir.filePath(QStringLiteral("work")); }

    // Imports the picture through "Import Tileset" with the dialog answering its path.
    void importImage(const QImage& image, const QString& name = QStringLiteral("tileset.png"));

    QTemporaryDir dir;
    platform::ScriptedDialogs dialogs;
    platform::ScriptedClipboard clipboard;
    std::unique_ptr<platform::FixedDrives> drives;
    platform::FixedScreen screen;
    std::unique_ptr<platform::ScriptedSystem> system;
    std::unique_ptr<frm_ov_main> window;
};

// A picture whose every pixel differs from its neighbours: red from x, green
// from y, blue from both, so that any shift or mix-up shows.
QImage patternImage(int width, int height, QImage::Format format = QImage::Format_RGB32);
// The colour patternImage gives the pixel (x, y).
QRgb patternPixel(int x, int y);

// Whether the image holds patternImage's pixels of the rectangle (sx, sy, w, h);
// on failure says where in `where`.
bool holdsPattern(const QImage& image, int sx, int sy, QString* where = nullptr);
