#include "cutcli.h"

#include "plan.h"
#include "writer.h"

#include "system/errors.h"
#include "image/picture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

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
    Arguments a;
    a.output.folder = QDir::currentPath();
    for (int i = 0; i < args.size(); ++i) {
        QString word = args[i];
        std::optional<QString> attached;
        if (word.startsWith(QStringLiteral("--")) && word.contains(u'=')) {
            attached = word.mid(word.indexOf(u'=') + 1);
            word = word.left(word.indexOf(u'='));
        }
        const auto value = [&]() -> QString {
            if (attached)
                return *attached;
            if (i + 1 >= args.size())
                throw BadArguments(QStringLiteral("%1 needs a value.").arg(word));
            return args[++i];
        };
        const auto flag = [&] {
            if (attached)
                throw BadArguments(QStringLiteral("%1 takes no value.").arg(word));
        };
        if (word == QStringLiteral("--help") || word == QStringLiteral("-h")) {
            a.help = true;
        } else if (word == QStringLiteral("--tile")) {
            static const QRegularExpression size(QStringLiteral("^(\\d{1,9})[xX](\\d{1,9})$"));
            const QString text = value();
            const auto m = size.match(text);
            if (!m.hasMatch())
                throw BadArguments(
                    QStringLiteral("--tile needs a size such as 16x16, not \"%1\".").arg(text));
            a.options.grid.tileWidth = m.captured(1).toInt();
            a.options.grid.tileHeight = m.captured(2).toInt();
            a.tileGiven = true;
        } else if (word == QStringLiteral("--margin")) {
            a.options.grid.margin = number(word, value(), 0, 1 << 20);
        } else if (word == QStringLiteral("--spacing")) {
            a.options.grid.spacing = number(word, value(), 0, 1 << 20);
        } else if (word == QStringLiteral("--skip-blank")) {
            flag();
            a.options.skipBlank = true;
        } else if (word == QStringLiteral("--merge")) {
            const QString text = value();
            if (text == QStringLiteral("none"))
                a.options.merge = Merge::None;
            else if (text == QStringLiteral("identical"))
                a.options.merge = Merge::Identical;
            else if (text == QStringLiteral("flips"))
                a.options.merge = Merge::Flips;
            else
                throw BadArguments(
                    QStringLiteral("--merge needs none, identical or flips, not \"%1\".")
                        .arg(text));
        } else if (word == QStringLiteral("--format")) {
            const QString text = value();
            if (text == QStringLiteral("bmp"))
                a.output.format = Format::Bmp;
            else if (text == QStringLiteral("png"))
                a.output.format = Format::Png;
            else
                throw BadArguments(
                    QStringLiteral("--format needs bmp or png, not \"%1\".").arg(text));
        } else if (word == QStringLiteral("--start")) {
            a.output.start = number(word, value(), 0, kLastNumber);
        } else if (word == QStringLiteral("--out")) {
            a.output.folder = value();
        } else if (word == QStringLiteral("--tmx")) {
            a.output.tmxPath = value();
            if (a.output.tmxPath.isEmpty())
                throw BadArguments(QStringLiteral("--tmx needs a file name."));
        } else if (word == QStringLiteral("--overwrite")) {
            flag();
            a.overwrite = true;
        } else if (word.startsWith(u'-') && word.size() > 1) {
            throw BadArguments(QStringLiteral("Unknown option %1.").arg(word));
        } else if (a.sheet.isEmpty()) {
            a.sheet = word;
        } else {
            throw BadArguments(
                QStringLiteral("Only one sheet can be cut at a time (\"%1\" and \"%2\").")
                    .arg(a.sheet, word));
        }
    }
    if (a.help)
        return a;
    if (a.sheet.isEmpty())
        throw BadArguments(QStringLiteral("No sheet given."));
    if (!a.tileGiven)
        throw BadArguments(QStringLiteral("No tile size given (--tile WxH)."));
    return a;
}

QString summary(const Plan& plan, const Outcome& outcome, const Output& output) {
    QString line = QStringLiteral("%1 cells, %2 blank, %3 merged, %4 written")
                       .arg(plan.grid.cellCount())
                       .arg(plan.blank)
                       .arg(plan.duplicates)
                       .arg(outcome.written);
    if (outcome.written > 0)
        line += QStringLiteral(": %1 to %2")
                    .arg(tileFileName(output.start, output.format),
                         tileFileName(output.start + outcome.written - 1, output.format));
    if (plan.grid.partialCells > 0)
        line += QStringLiteral(" (%1 cells at the edges left out)").arg(plan.grid.partialCells);
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
        "                      written when any target file exists)\n"
        "  -h, --help          show this text\n"
        "\n"
        "Prints one line, such as\n"
        "  1024 cells, 37 blank, 612 merged, 375 written: 000.bmp to 374.bmp\n"
        "\n"
        "Exit status: 0 done; 1 a file could not be written (the files before it stay);\n"
        "2 bad arguments or a grid with no whole cell; 3 the sheet cannot be read;\n"
        "4 more tiles than numbers left up to 999; 5 target files exist without\n"
        "--overwrite. Nothing is written in cases 2 to 5.\n");
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
    const auto fail = [&](const QString& message, int code) {
        err << prefix << message << '\n';
        err.flush();
        return code;
    };

    if (!QFileInfo(a.output.folder).isDir())
        return fail(QStringLiteral("The output folder %1 does not exist.").arg(a.output.folder),
                    kExitBadArguments);
    QImage sheet;
    try {
        sheet = platform::loadImageWithAlpha(a.sheet);
    } catch (const platform::PlatformError& error) {
        return fail(QStringLiteral("Cannot read the sheet %1: %2")
                        .arg(a.sheet, QString::fromStdString(error.what())),
                    kExitUnreadable);
    }
    const QString problem = gridProblem(sheet.size(), a.options.grid);
    if (!problem.isEmpty())
        return fail(problem, kExitBadArguments);

    const Plan plan = planCut(sheet, a.options);
    const QString tooFew = tooFewNumbersMessage(plan.tileCount(), a.output.start);
    if (!tooFew.isEmpty())
        return fail(tooFew, kExitNoNumbers);
    const QStringList existing = existingFiles(targetFiles(plan, a.output));
    if (!existing.isEmpty() && !a.overwrite)
        return fail(QStringLiteral("%1 of the files to write already exist (%2 among them); "
                                   "nothing written. Use --overwrite to replace them.")
                        .arg(existing.size())
                        .arg(QDir::toNativeSeparators(existing.front())),
                    kExitFilesExist);

    const Outcome outcome = writeCut(sheet, plan, a.output);
    if (outcome.failed()) {
        err << prefix << "File error! " << QDir::toNativeSeparators(outcome.failedFile) << ": "
            << outcome.reason << '\n';
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
