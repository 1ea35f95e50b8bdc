#include "launch.h"

#include "cmdline.h"
#include "startfile.h"

#include "app/window/frm_ov_main.h"
#include "cut/cutcli.h"
#include "image/clipboard.h"
#include "system/drives.h"
#include "system/errors.h"
#include "image/picture.h"
#include "controls/qtdialogs.h"
#include "controls/screen.h"
#include "system/session.h"
#include "system/system.h"
#include "system/nativefs.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace app {

namespace {

// Commands that run without a window: `orvane NAME ARGUMENTS...`.
struct Subcommand {
    QString name;
    std::function<int(const QStringList& arguments)> run;
};

const QList<Subcommand>& subcommands() {
    static const QList<Subcommand> commands{{QStringLiteral("cut"), &cut::cutMain}};
    return commands;
}

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int runWindow(char* programName, const QString& file) {
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString problem =
        displayProblem(qEnvironmentVariable("QT_QPA_PLATFORM"), display, wayland);
    if (!problem.isEmpty()) {
        print(stderr, problem);
        return 1;
    }
    // Qt sees no arguments: the command line is Orvane's alone.
    int qtArgc = 1;
    char* qtArgv[] = {programName, nullptr};
    const auto application =
        platform::openApplication(qtArgc, qtArgv, displayOpenFailure(display, wayland));
    QApplication::setOrganizationName(QStringLiteral("Harrow & Finch"));
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
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
    if (!file.isEmpty()) {
        // Once the window is up, so that a message about the file shows over it.
        QTimer::singleShot(0, &window, [&window, &dialogs, file] {
            platform::guarded([&] {
                // A failure of the fit ends silently, as the import's does.
                platform::endsSilently([&] { importAtStart(window, dialogs, file); });
            });
        });
    }
    return QApplication::exec();
}

} // namespace

int launch(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << platform::decodePath(QByteArray(argv[i])); // names in any bytes
    QStringList names;
    for (const Subcommand& command : subcommands())
        names << command.name;
    const Invocation invocation = parseCommandLine(arguments, names);
    switch (invocation.action) {
    case Invocation::Action::Help:
        print(stdout, usageText());
        return 0;
    case Invocation::Action::Version:
        print(stdout, versionText());
        return 0;
    case Invocation::Action::Error:
        print(stderr, errorText(invocation));
        return 2;
    case Invocation::Action::Subcommand:
        for (const Subcommand& command : subcommands()) {
            if (command.name == invocation.subcommand)
                return command.run(invocation.arguments);
        }
        return 2;
    case Invocation::Action::Run:
        break;
    }
    return runWindow(argv[0], invocation.file);
}

} // namespace app
