#pragma once

#include "app/window/frm_ov_main.h"
#include "system/drives.h"
#include "support/doubles.h"
#include "controls/screen.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QTemporaryDir>

#include <functional>
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
    // "Import Tileset" with the dialog answering this path, whatever the file holds.
    void importFile(const QString& path);
    // "Paste from Clipboard" with the picture on the clipboard.
    void pasteImage(const QImage& image);

    // A left-button press and release at one point of the view, through its handlers.
    void clickView(int x, int y);
    // A left-button press at `from`, a move to `to` and the release there.
    void dragView(QPoint from, QPoint to);

    // Shows the main window; false if it never appears.
    bool showWindow();

    QTemporaryDir dir;
    doubles::ScriptedDialogs dialogs;
    doubles::ScriptedClipboard clipboard;
    std::unique_ptr<doubles::FixedDrives> drives;
    doubles::FixedScreen screen;
    std::unique_ptr<doubles::ScriptedSystem> system;
    std::unique_ptr<frm_ov_main> window;
};

// A picture whose every pixel differs from its neighbours: red from x, green
// from y, blue from both, so that any shift or mix-up shows.
QImage patternImage(int width, int height, QImage::Format format = QImage::Format_RGB32);
// The colour patternImage gives the pixel (x, y).
QRgb patternPixel(int x, int y);

// Makes the handler count its runs in `count`, still doing what it did.
template <typename... Args> void countCalls(std::function<void(Args...)>& handler, int& count) {
    handler = [previous = handler, &count](Args... args) {
        ++count;
        if (previous)
            previous(args...);
    };
}
