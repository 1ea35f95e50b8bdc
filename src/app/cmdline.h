#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the command line asks for.
struct Invocation {
    enum class Action {
        Run,        // open the window, importing `file` when one is named
        Help,       // print usageText() and end
        Version,    // print versionText() and end
        Subcommand, // run `subcommand` with `arguments`, without a window
        Error,      // print `error` and a hint, and end with status 2
    };
    Action action = Action::Run;
    QString file;
    QString subcommand;
    QStringList arguments;
    QString error;
};

// Reads the arguments that follow the program's name. A first argument that is
// one of `subcommands` names a command; everything after it is that command's
// own. Otherwise: -h/--help, --version, "--" (what follows is a file name even
// when it starts with "-"), and at most one picture file.
Invocation parseCommandLine(const QStringList& arguments, const QStringList& subcommands = {});

QString usageText();
QString versionText();
// The two lines printed for Action::Error.
QString errorText(const Invocation& invocation);

// Why the program cannot show its window in this environment, or an empty text
// when it may try. A platform named in QT_QPA_PLATFORM is trusted as it is.
QString displayProblem(const QString& qpaPlatform, const QString& display,
                       const QString& waylandDisplay);
// What to say when the display is named but cannot be opened.
QString displayOpenFailure(const QString& display, const QString& waylandDisplay);

} // namespace app
