#include "app/window/frm_ov_main.h"
#include "cut/cutcli.h"
#include "platform/clipboard.h"
#include "platform/drives.h"
#include "platform/picture.h"
#include "platform/qtdialogs.h"
#include "platform/screen.h"
#include "platform/system.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstring>

int main(int argc, char* argv[]) {
    // The command line cuts without a window, so it needs no display.
    if (argc > 1 && std::strcmp(argv[1], "cut") == 0)
        return cut::cutMain(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    platform::initPictureLimits();

    platform::QtDialogs dialogs;
    platform::SystemClipboard clipboard;
    platform::SystemDrives drives;
    platform::SystemScreen screen;
    platform::QtSystem system;
    frm_ov_main window(Services{dialogs, clipboard, drives, screen, system});
    dialogs.setOwner(&window);
    window.show();
    return QApplication::exec();
}
