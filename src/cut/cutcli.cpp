#include "cutcli.h"

#include "plan.h"
#include "writer.h"

#include "system/errors.h"
#include "image/picture.h"
#include "system/nativefs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace cut {

namespace {

struct Arguments {
    QString sheet;
    CutOptions options;
    bool tileGiven = false;
    Output output;
    bool overwrite = false;
    bool help = false;
};

class BadArguments {
public:
    explicit BadArguments(QString text)
        : message(std::move(text)) {}
    QString message;
};

int number(const QString& option, const QString& text, int least, int most) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < least || n > most)
        throw BadArguments(QStringLiteral("%1 needs a whole number from %2 to %3, not \"%4\".")
                               .arg(option)
                               .arg(least)
                               .arg(most)
                               .arg(text));
    return n;
}

Arguments parse(const QStringList& args) {
    QCommandLineParser parser;
    // "-tile" is a word of its own, not -t -i -l -e.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption tile(QStringLiteral("tile"), {}, QStringLiteral("WxH"));
    const QCommandLineOption margin(QStringLiteral("margin"), {}, QStringLiteral("N"));
    const QCommandLineOption spacing(QStringLiteral("spacing"), {}, QStringLiteral("N"));
    const QCommandLineOption skipBlank(QStringLiteral("skip-blank"));
    const QCommandLineOption merge(QStringLiteral("merge"), {}, QStringLiteral("MODE"));
    const QCommandLineOption format(QStringLiteral("format"), {}, QStringLiteral("FORMAT"));
    const QCommandLineOption start(QStringLiteral("start"), {}, QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("DIR"));
    const QCommandLineOption tmx(QStringLiteral("tmx"), {}, QStringLiteral("FILE"));
    const QCommandLineOption overwrite(QStringLiteral("overwrite"));
    parser.addOptions(
        {help, tile, margin, spacing, skipBlank, merge, format, start, out, tmx, overwrite});
    // The words as they came, names in any bytes included (see platform::decodePath).
    if (!parser.parse(QStringList{QStringLiteral("orvane cut")} + args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            throw BadArguments(
                QStringLiteral("Unknown option %1%2.")
                    .arg(unknown.front().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                         unknown.front()));
        throw BadArguments(parser.errorText());
    }
    Arguments a;
    a.output.folder = platform::workingFolderPath();
    if (parser.isSet(help)) {
        a.help = true;
        return a;
    }
    if (parser.isSet(tile)) {
        static const QRegularExpression size(QStringLiteral("^(\\d{1,9})[xX](\\d{1,9})$"));
        const QString text = parser.value(tile);
        const auto m = size.match(text);
        if (!m.hasMatch())
            throw BadArguments(
                QStringLiteral("--tile needs a size such as 16x16, not \"%1\".").arg(text));
        a.options.grid.tileWidth = m.captured(1).toInt();
        a.options.grid.tileHeight = m.captured(2).toInt();
        a.tileGiven = true;
    }
    if (parser.isSet(margin))
        a.options.grid.margin =
            number(QStringLiteral("--margin"), parser.value(margin), 0, 1 << 20);
    if (parser.isSet(spacing))
        a.options.grid.spacing =
            number(QStringLiteral("--spacing"), parser.value(spacing), 0, 1 << 20);
    a.options.skipBlank = parser.isSet(skipBlank);
    if (parser.isSet(merge)) {
        const QString text = parser.value(merge);
        if (text == QStringLiteral("none"))
            a.options.merge = Merge::None;
        else if (text == QStringLiteral("identical"))
            a.options.merge = Merge::Identical;
        else if (text == QStringLiteral("flips"))
            a.options.merge = Merge::Flips;
        else
            throw BadArguments(
                QStringLiteral("--merge needs none, identical or flips, not \"%1\".").arg(text));
    }
    if (parser.isSet(format)) {
        const QString text = parser.value(format);
        if (text == QStringLiteral("bmp"))
            a.output.format = Format::Bmp;
        else if (text == QStringLiteral("png"))
            a.output.format = Format::Png;
        else
            throw BadArguments(QStringLiteral("--format needs bmp or png, not \"%1\".").arg(text));
    }
    if (parser.isSet(start))
        a.output.start = number(QStringLiteral("--start"), parser.value(start), 0, kLastNumber);
    if (parser.isSet(out))
        a.output.folder = parser.value(out);
    if (parser.isSet(tmx)) {
        a.output.tmxPath = parser.value(tmx);
        if (a.output.tmxPath.isEmpty())
            throw BadArguments(QStringLiteral("--tmx needs a file name."));
    }
    a.output.replace = a.overwrite = parser.isSet(overwrite);
    const QStringList sheets = parser.positionalArguments();
    if (sheets.size() > 1)
        throw BadArguments(
            QStringLiteral("Only one sheet can be cut at a time (\"%1\" and \"%2\").")
                .arg(sheets[0], sheets[1]));
    if (sheets.isEmpty() || sheets.front().isEmpty())
        throw BadArguments(QStringLiteral("No sheet given."));
    a.sheet = sheets.front();
    if (!a.tileGiven)
        throw BadArguments(QStringLiteral("No tile size given (--tile WxH)."));
    return a;
}

// libpng says what is wrong with a damaged file on standard error itself, before
// the reader fails; the failure is said once, in the program's words, below.
// The command runs on one thread, so standard error is the decoder's alone
// meanwhile.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// "1 cell", "1024 cells".
QString counted(int n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

QString summary(const Plan& plan, const Outcome& outcome, const Output& output) {
    QString line = QStringLiteral("%1, %2 blank, %3 merged, %4 written")
                       .arg(counted(plan.grid.cellCount(), "cell", "cells"))
                       .arg(plan.blank)
                       .arg(plan.duplicates)
                       .arg(outcome.written);
    if (outcome.written > 0)
        line += QStringLiteral(": %1 to %2")
                    .arg(tileFileName(output.start, output.format),
                         tileFileName(output.start + outcome.written - 1, output.format));
    if (plan.grid.partialCells > 0)
        line += QStringLiteral(" (%1 at the edges left out)")
                    .arg(counted(plan.grid.partialCells, "cell", "cells"));
    return line;
}

} // namespace

QString cutHelp() {
    return QStringLiteral(
        "Usage: orvane cut SHEET --tile WxH [options]\n"
        "\n"
        "Cuts every whole cell of the grid on the picture SHEET into numbered tile files\n"
        "000.bmp to 999.bmp, as the window's SAVE numbers them, without a display.\n"
        "\n"
        "Options:\n"
        "  --tile WxH          tile width and height in pixels (required), e.g. 16x16\n"
        "  --margin N          pixels around the sheet before the first cell, from its\n"
        "                      top-left corner, as Tiled counts them (default 0)\n"
        "  --spacing N         pixels between neighbouring cells (default 0)\n"
        "                      Cells that would reach past the sheet's edge are left out\n"
        "                      and counted.\n"
        "  --skip-blank        leave out blank cells: a cell is blank when its every pixel\n"
        "                      has one and the same colour and alpha (a fully transparent\n"
        "                      cell among them)\n"
        "  --merge MODE        none: write every cell (default)\n"
        "                      identical: do not write a cell again that is equal pixel\n"
        "                        for pixel, alpha included, to an earlier one\n"
        "                      flips: nor one that equals an earlier one flipped\n"
        "                        horizontally or vertically, or rotated by 90, 180 or 270\n"
        "                        degrees (for cells that are not square, only the flips\n"
        "                        and the 180-degree turn, which keep the size)\n"
        "  --format FORMAT     bmp: 24-bit Windows bitmaps, as SAVE writes them; transparent\n"
        "                        pixels laid over the background colour (default)\n"
        "                      png: PNG files with their alpha channel\n"
        "  --start N           number of the first file, 0 to 999 (default 0)\n"
        "  --out DIR           folder to write the tiles into (default: the current folder)\n"
        "  --tmx FILE          also write a Tiled map FILE and, beside it, a tileset of the\n"
        "                      written tiles with the map's name and .tsx; each cell shows\n"
        "                      its tile, flipped or rotated as merged; a skipped blank cell\n"
        "                      shows no tile\n"
        "  --overwrite         replace files that exist already (without it nothing is\n"
        "                      written when any target file exists, a link included, and\n"
        "                      the cut stops if one appears while it writes); a link is\n"
        "                      replaced, never written through\n"
        "  -h, --help          show this text\n"
        "\n"
        "Prints one line, such as\n"
        "  1024 cells, 37 blank, 612 merged, 375 written: 000.bmp to 374.bmp\n"
        "\n"
        "Exit status: 0 done; 1 a file could not be written or appeared meanwhile (the\n"
        "files before it stay); 2 bad arguments, a grid with no whole cell, or a target\n"
        "that cannot be written (a missing or read-only folder, two targets that are\n"
        "one file); 3 the sheet cannot be read; 4 more tiles than numbers left up to\n"
        "999; 5 target files exist without --overwrite; 6 another cut is writing into\n"
        "the same folder. Nothing is written in cases 2 to 6.\n"
        "\n"
        "Put -- before a sheet whose name starts with -.\n");
}

int runCutCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString prefix = QStringLiteral("orvane cut: ");
    Arguments a;
    try {
        a = parse(args);
    } catch (const BadArguments& bad) {
        err << prefix << bad.message << "\nTry 'orvane cut --help'.\n";
        err.flush();
        return kExitBadArguments;
    }
    if (a.help) {
        out << cutHelp();
        out.flush();
        return kExitOk;
    }
    const auto shown = [](const QString& path) { return QDir::toNativeSeparators(path); };
    const auto fail = [&](const QString& message, int code) {
        err << prefix << message << '\n';
        err.flush();
        return code;
    };

    if (const QString problem = folderProblem(a.output.folder, QStringLiteral("output folder"));
        !problem.isEmpty())
        return fail(problem, kExitBadArguments);
    if (platform::entryType(a.sheet) == platform::EntryType::Missing &&
        !platform::nameTaken(a.sheet))
        return fail(QStringLiteral("The sheet %1 does not exist.").arg(shown(a.sheet)),
                    kExitUnreadable);
    QImage sheet;
    try {
        const QuietStandardError quiet;
        sheet = platform::loadImageWithAlpha(a.sheet);
    } catch (const platform::PlatformError& error) {
        return fail(QStringLiteral("Cannot read the sheet %1: %2")
                        .arg(shown(a.sheet), QString::fromStdString(error.what())),
                    kExitUnreadable);
    }
    const QString problem = gridProblem(sheet.size(), a.options.grid);
    if (!problem.isEmpty())
        return fail(problem, kExitBadArguments);

    const Plan plan = planCut(sheet, a.options);
    const QString tooFew = tooFewNumbersMessage(plan.tileCount(), a.output.start);
    if (!tooFew.isEmpty())
        return fail(tooFew, kExitNoNumbers);

    // Every target is checked, and the existing files looked for, inside the
    // cut, before its first byte.
    const Outcome outcome = writeCut(sheet, plan, a.output);
    switch (outcome.failure) {
    case Outcome::Failure::None:
        break;
    case Outcome::Failure::BadTarget:
        return fail(outcome.reason, kExitBadArguments);
    case Outcome::Failure::Busy:
        return fail(QStringLiteral("Another cut is writing into %1; nothing written.")
                        .arg(shown(outcome.failedFile)),
                    kExitBusy);
    case Outcome::Failure::FilesExist:
        if (outcome.existing.size() == 1)
            return fail(QStringLiteral("%1 already exists; nothing written. Use --overwrite to "
                                       "replace it.")
                            .arg(shown(outcome.existing.front())),
                        kExitFilesExist);
        return fail(QStringLiteral("%1 of the files to write already exist (%2 among them); "
                                   "nothing written. Use --overwrite to replace them.")
                        .arg(outcome.existing.size())
                        .arg(shown(outcome.existing.front())),
                    kExitFilesExist);
    case Outcome::Failure::Appeared:
    case Outcome::Failure::WriteFailed:
        err << prefix << "File error! " << shown(outcome.failedFile) << ": " << outcome.reason
            << '\n';
        err.flush();
        out << summary(plan, outcome, a.output) << '\n';
        out.flush();
        return kExitFailed;
    }
    out << summary(plan, outcome, a.output) << '\n';
    out.flush();
    return kExitOk;
}

int cutMain(const QStringList& arguments) {
    int argc = 1;
    char name[] = "orvane";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    platform::initPictureLimits();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runCutCommand(arguments, out, err);
}

} // namespace cut
