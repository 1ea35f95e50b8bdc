// Presses "Paste from Clipboard" once in the program's main window on the
// system clipboard, and prints the messages it showed and how long it took.
#include "app/window/frm_ov_main.h"
#include "image/clipboard.h"
#include "system/drives.h"
#include "image/picture.h"
#include "support/doubles.h"
#include "controls/screen.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::initPictureLimits();
    doubles::ScriptedDialogs dialogs;
    platform::SystemClipboard clipboard;
    platform::SystemDrives drives;
    platform::SystemScreen screen;
    doubles::ScriptedSystem system(drives.workingFolder());
    frm_ov_main window(Services{dialogs, clipboard, drives, screen, system});
    QElapsedTimer timer;
    timer.start();
    window.Command6_Click();
    const qint64 elapsed = timer.elapsed();
    for (const QString& message : dialogs.messages)
        std::printf("message %s\n", qPrintable(message));
    std::printf("elapsed_ms %lld\n", elapsed);
    return 0;
}
