#include "cmdline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace app {

Invocation parseCommandLine(const QStringList& arguments, const QStringList& subcommands) {
    Invocation result;
    if (!arguments.isEmpty() && subcommands.contains(arguments.first())) {
        result.action = Invocation::Action::Subcommand;
        result.subcommand = arguments.first();
        result.arguments = arguments.mid(1);
        return result;
    }
    const auto fail = [&result](const QString& error) {
        result = Invocation{};
        result.action = Invocation::Action::Error;
        result.error = error;
        return result;
    };
    QCommandLineParser parser;
    // A word after one dash is one option, so that an unknown "-xyz" is named
    // whole; "--" ends the options and a lone "-" is a file name.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("file"), QString());
    const bool parsed = parser.parse(QStringList(QStringLiteral("orvane")) + arguments);
    // The first of --help and --version wins, as with most programs.
    if (const QStringList named = parser.optionNames(); !named.isEmpty()) {
        Invocation answer;
        answer.action = version.names().contains(named.first()) ? Invocation::Action::Version
                                                                : Invocation::Action::Help;
        return answer;
    }
    if (!parsed) {
        // Named as the user typed it, dashes included.
        const QString unknown = parser.unknownOptionNames().value(0);
        QString typed = unknown;
        for (const QString& argument : arguments)
            if (argument == QStringLiteral("-") + unknown ||
                argument == QStringLiteral("--") + unknown) {
                typed = argument;
                break;
            }
        return fail(QStringLiteral("unknown option %1").arg(typed));
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return fail(QStringLiteral("one picture at a time: \"%1\" and \"%2\"")
                        .arg(files.at(0), files.at(1)));
    if (!files.isEmpty() && files.first().isEmpty())
        return fail(QStringLiteral("the picture's file name is empty"));
    result.file = files.value(0);
    return result;
}

QString usageText() {
    return QStringLiteral(
        "Usage: orvane [FILE]\n"
        "       orvane cut SHEET [options]\n"
        "Cuts tiles out of a tileset picture and saves them as numbered bitmaps.\n"
        "\n"
        "  FILE           a picture to import at start-up, as \"Import Tileset\" does\n"
        "                 (BMP, GIF, JPG, PNG, WebP, TGA, TIFF and the other formats\n"
        "                 listed under \"Other pictures\" in the import dialog)\n"
        "  -h, --help     print this help and exit\n"
        "      --version  print the version and exit\n"
        "  --             treat what follows as a file name, even if it starts with -\n"
        "\n"
        "  orvane cut SHEET [options]   cut a whole sheet without a window; see orvane cut --help\n"
        "\n"
        "Orvane needs a graphical session (DISPLAY or WAYLAND_DISPLAY).\n");
}

QString versionText() {
    return QStringLiteral("Orvane %1\n").arg(QStringLiteral(ORVANE_VERSION));
}

QString errorText(const Invocation& invocation) {
    return QStringLiteral("orvane: %1\nTry 'orvane --help' for more information.\n")
        .arg(invocation.error);
}

QString displayProblem(const QString& qpaPlatform, const QString& display,
                       const QString& waylandDisplay) {
    if (!qpaPlatform.isEmpty() || !display.isEmpty() || !waylandDisplay.isEmpty())
        return {};
    return QStringLiteral(
        "Orvane needs a graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
        "Start it from a desktop session, or over ssh with X forwarding (ssh -X).\n");
}

QString displayOpenFailure(const QString& display, const QString& waylandDisplay) {
    QStringList names;
    if (!waylandDisplay.isEmpty())
        names << QStringLiteral("WAYLAND_DISPLAY=%1").arg(waylandDisplay);
    if (!display.isEmpty())
        names << QStringLiteral("DISPLAY=%1").arg(display);
    const QString which =
        names.isEmpty() ? QStringLiteral("the display")
                        : QStringLiteral("the display (%1)").arg(names.join(QStringLiteral(", ")));
    return QStringLiteral("Orvane needs a graphical session: %1 cannot be opened.\n").arg(which);
}

} // namespace app
