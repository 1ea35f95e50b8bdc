#include "cutcli.h"

#include "job.h"
#include "plan.h"
#include "skip.h"
#include "writer.h"

#include "detect/gridguess.h"
#include "detect/sprites.h"

#include "system/errors.h"
#include "image/picture.h"
#include "system/nativefs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cstdio>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace cut {

namespace {

struct Arguments {
    CutJob job;
    bool tileGiven = false;
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

// "16x16" as a size, or nothing.
std::optional<QSize> sizeOf(const QString& text) {
    static const QRegularExpression size(QStringLiteral("^(\\d{1,9})[xX](\\d{1,9})$"));
    const auto m = size.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return QSize(m.captured(1).toInt(), m.captured(2).toInt());
}

// The file an option names, which must not be empty.
QString fileOf(const QCommandLineParser& parser, const QCommandLineOption& option,
               const QString& name) {
    const QString path = parser.value(option);
    if (path.isEmpty())
        throw BadArguments(QStringLiteral("%1 needs a file name.").arg(name));
    return path;
}

Arguments parse(const QStringList& args) {
    QCommandLineParser parser;
    // "-tile" is a word of its own, not -t -i -l -e.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const auto valued = [](const char* name, const char* value) {
        return QCommandLineOption(QLatin1String(name), {}, QLatin1String(value));
    };
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption tile = valued("tile", "WxH");
    const QCommandLineOption margin = valued("margin", "N");
    const QCommandLineOption spacing = valued("spacing", "N");
    const QCommandLineOption region = valued("region", "X,Y,W,H");
    const QCommandLineOption skip = valued("skip", "MODE");
    const QCommandLineOption skipBlank(QStringLiteral("skip-blank"));
    const QCommandLineOption merge = valued("merge", "MODE");
    const QCommandLineOption format = valued("format", "FORMAT");
    const QCommandLineOption start = valued("start", "N");
    const QCommandLineOption out = valued("out", "DIR");
    const QCommandLineOption atlas = valued("atlas", "FILE");
    const QCommandLineOption columns = valued("columns", "N");
    const QCommandLineOption extrude = valued("extrude", "N");
    const QCommandLineOption tmx = valued("tmx", "FILE");
    const QCommandLineOption json = valued("json", "FILE");
    const QCommandLineOption keepIds = valued("keep-ids", "MANIFEST");
    const QCommandLineOption sprites(QStringLiteral("sprites"));
    const QCommandLineOption key = valued("key", "COLOUR");
    const QCommandLineOption join = valued("join", "N");
    const QCommandLineOption minSize = valued("min-size", "N");
    const QCommandLineOption pad = valued("pad", "WxH");
    const QCommandLineOption overwrite(QStringLiteral("overwrite"));
    parser.addOptions({help,    tile,    margin, spacing, region,  skip,    skipBlank, merge,
                       format,  start,   out,    atlas,   columns, extrude, tmx,       json,
                       keepIds, sprites, key,    join,    minSize, pad,     overwrite});
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
    CutJob& job = a.job;
    job.format = Format::Bmp;
    job.folder = platform::workingFolderPath();
    if (parser.isSet(help)) {
        a.help = true;
        return a;
    }
    job.sprites = parser.isSet(sprites);
    if (parser.isSet(tile)) {
        const QString text = parser.value(tile);
        if (text == QStringLiteral("auto")) {
            job.autoGrid = true;
        } else {
            const std::optional<QSize> size = sizeOf(text);
            if (!size)
                throw BadArguments(
                    QStringLiteral("--tile needs a size such as 16x16, or auto, not \"%1\".")
                        .arg(text));
            job.grid.tileWidth = size->width();
            job.grid.tileHeight = size->height();
        }
        a.tileGiven = true;
    }
    if (parser.isSet(margin))
        job.grid.margin = number(QStringLiteral("--margin"), parser.value(margin), 0, 1 << 20);
    if (parser.isSet(spacing))
        job.grid.spacing = number(QStringLiteral("--spacing"), parser.value(spacing), 0, 1 << 20);
    if (parser.isSet(region)) {
        const std::optional<QRect> r = parseRegion(parser.value(region));
        if (!r)
            throw BadArguments(
                QStringLiteral("--region needs X,Y,W,H such as 0,0,256,128, not \"%1\".")
                    .arg(parser.value(region)));
        job.region = *r;
    }
    if (parser.isSet(skip)) {
        const std::optional<Skip> mode = parseSkip(parser.value(skip));
        if (!mode)
            throw BadArguments(
                QStringLiteral("--skip needs none, transparent or uniform, not \"%1\".")
                    .arg(parser.value(skip)));
        job.skip = *mode;
    }
    if (parser.isSet(skipBlank)) {
        if (parser.isSet(skip) && job.skip != Skip::Uniform)
            throw BadArguments(QStringLiteral("--skip-blank is --skip uniform; it cannot go "
                                              "with --skip %1.")
                                   .arg(skipName(job.skip)));
        job.skip = Skip::Uniform;
    }
    if (parser.isSet(merge)) {
        const QString text = parser.value(merge);
        if (text == QStringLiteral("none"))
            job.merge = Merge::None;
        else if (text == QStringLiteral("identical"))
            job.merge = Merge::Identical;
        else if (text == QStringLiteral("flips"))
            job.merge = Merge::Flips;
        else
            throw BadArguments(
                QStringLiteral("--merge needs none, identical or flips, not \"%1\".").arg(text));
    }
    if (parser.isSet(format)) {
        const QString text = parser.value(format);
        if (text == QStringLiteral("bmp"))
            job.format = Format::Bmp;
        else if (text == QStringLiteral("png"))
            job.format = Format::Png;
        else
            throw BadArguments(QStringLiteral("--format needs bmp or png, not \"%1\".").arg(text));
    }
    if (parser.isSet(start))
        job.start = number(QStringLiteral("--start"), parser.value(start), 0, kLastNumber);
    if (parser.isSet(out))
        job.folder = parser.value(out);
    if (parser.isSet(atlas))
        job.atlasPath = fileOf(parser, atlas, QStringLiteral("--atlas"));
    for (const auto& [option, name] : {std::pair{&columns, "--columns"}, {&extrude, "--extrude"}}) {
        if (parser.isSet(*option) && job.atlasPath.isEmpty())
            throw BadArguments(QStringLiteral("%1 goes with --atlas.").arg(QLatin1String(name)));
    }
    if (parser.isSet(columns))
        job.atlasColumns = number(QStringLiteral("--columns"), parser.value(columns), 1, 65535);
    if (parser.isSet(extrude))
        job.extrude = number(QStringLiteral("--extrude"), parser.value(extrude), 0, 64);
    if (parser.isSet(tmx))
        job.tmxPath = fileOf(parser, tmx, QStringLiteral("--tmx"));
    if (parser.isSet(json))
        job.jsonPath = fileOf(parser, json, QStringLiteral("--json"));
    if (parser.isSet(keepIds))
        job.keepIdsPath = fileOf(parser, keepIds, QStringLiteral("--keep-ids"));
    for (const auto& [option, name] :
         {std::pair{&key, "--key"}, {&join, "--join"}, {&minSize, "--min-size"}, {&pad, "--pad"}}) {
        if (parser.isSet(*option) && !job.sprites)
            throw BadArguments(QStringLiteral("%1 goes with --sprites.").arg(QLatin1String(name)));
    }
    if (parser.isSet(key)) {
        const std::optional<detect::KeyChoice> choice = detect::parseKey(parser.value(key));
        if (!choice)
            throw BadArguments(QStringLiteral("--key needs RRGGBB, RRGGBB,TOLERANCE, auto or "
                                              "auto,TOLERANCE, not \"%1\".")
                                   .arg(parser.value(key)));
        job.spriteOptions.key = choice->key;
        job.keyFromCorners = choice->fromCorners;
    }
    if (parser.isSet(join))
        job.spriteOptions.join = number(QStringLiteral("--join"), parser.value(join), 0, 1 << 20);
    if (parser.isSet(minSize))
        job.spriteOptions.minSize =
            number(QStringLiteral("--min-size"), parser.value(minSize), 1, 1 << 20);
    if (parser.isSet(pad)) {
        const std::optional<QSize> size = sizeOf(parser.value(pad));
        if (!size || size->isEmpty())
            throw BadArguments(QStringLiteral("--pad needs a size such as 32x32, not \"%1\".")
                                   .arg(parser.value(pad)));
        job.pad = *size;
    }
    job.replace = parser.isSet(overwrite);
    const QStringList sheets = parser.positionalArguments();
    if (sheets.size() > 1)
        throw BadArguments(
            QStringLiteral("Only one sheet can be cut at a time (\"%1\" and \"%2\").")
                .arg(sheets[0], sheets[1]));
    if (sheets.isEmpty() || sheets.front().isEmpty())
        throw BadArguments(QStringLiteral("No sheet given."));
    job.sheetPath = sheets.front();
    if (job.sprites && a.tileGiven)
        throw BadArguments(QStringLiteral("--sprites finds the sprites itself; leave out --tile."));
    if (!job.sprites && !a.tileGiven)
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

} // namespace

QString cutHelp() {
    return QStringLiteral(
        "Usage: orvane cut SHEET --tile WxH [options]\n"
        "       orvane cut SHEET --sprites [options]\n"
        "\n"
        "Cuts every whole cell of the grid on the picture SHEET into numbered tile files\n"
        "(000.bmp on, as the window's SAVE numbers them; past 999 every name has as many\n"
        "digits as the last: 0000.png to 1343.png) or into one atlas, without a display.\n"
        "\n"
        "Options:\n"
        "  --tile WxH          tile width and height in pixels, e.g. 16x16; or auto to read\n"
        "                      the grid (size, margin, spacing) off the sheet, which prints\n"
        "                      what it found and refuses a sheet without a plain grid\n"
        "  --margin N          pixels around the sheet before the first cell, from its\n"
        "                      top-left corner, as Tiled counts them (default 0)\n"
        "  --spacing N         pixels between neighbouring cells (default 0)\n"
        "                      Cells that would reach past the sheet's edge are left out\n"
        "                      and counted. A grid the sheet plainly contradicts is cut as\n"
        "                      asked, with a warning naming the grid the sheet shows.\n"
        "  --region X,Y,W,H    cut only this part of the sheet; the grid starts at its\n"
        "                      top-left corner\n"
        "  --skip MODE         none: cut every cell (default)\n"
        "                      transparent: leave out cells whose every pixel has alpha 0\n"
        "                      uniform: leave out blank cells, whose every pixel has one\n"
        "                        and the same colour and alpha (a fully transparent cell\n"
        "                        among them)\n"
        "  --skip-blank        the same as --skip uniform\n"
        "  --merge MODE        none: write every cell (default)\n"
        "                      identical: do not write a cell again that is equal pixel\n"
        "                        for pixel, alpha included, to an earlier one\n"
        "                      flips: nor one that equals an earlier one flipped\n"
        "                        horizontally or vertically, or rotated by 90, 180 or 270\n"
        "                        degrees (for cells that are not square, only the flips\n"
        "                        and the 180-degree turn, which keep the size)\n"
        "                      Pixels of alpha 0 count as one, whatever colour they hide.\n"
        "  --format FORMAT     bmp: 24-bit Windows bitmaps, as SAVE writes them; transparent\n"
        "                        pixels laid over the background colour (default)\n"
        "                      png: PNG files with their alpha channel\n"
        "  --start N           number of the first file, 0 to 999 (default 0)\n"
        "  --out DIR           folder to write the tiles into (default: the current folder)\n"
        "  --atlas FILE        write the tiles into the one PNG picture FILE instead of\n"
        "                      numbered files, in the order of their numbers, row by row\n"
        "  --columns N         the atlas's columns (default: the smallest square-ish grid\n"
        "                      that holds the tiles)\n"
        "  --extrude N         repeat each tile's edge N pixels around it in the atlas,\n"
        "                      against seams; the atlas is then a grid with margin N and\n"
        "                      spacing 2N (default 0)\n"
        "  --tmx FILE          also write a Tiled map FILE and, beside it, its tileset with\n"
        "                      the map's name and .tsx: an image tileset on the atlas, or a\n"
        "                      collection of the tile files; each cell shows its tile,\n"
        "                      flipped or rotated as merged; a skipped cell shows no tile\n"
        "  --json FILE         also write a manifest FILE (JSON): the sheet, the grid, each\n"
        "                      tile's file or place in the atlas, and each cell's tile with\n"
        "                      Tiled's flip flags\n"
        "  --keep-ids MANIFEST a tile equal (as merged) to a tile of this earlier manifest\n"
        "                      keeps its number and file; new tiles take the next free\n"
        "                      numbers; the numbers of tiles gone stay unused\n"
        "  --sprites           cut the loose sprites of the sheet instead of a grid: each\n"
        "                      8-connected region of pixels that are not background, in\n"
        "                      reading order\n"
        "  --key COLOUR        the background: RRGGBB[,TOLERANCE], or auto[,TOLERANCE] for\n"
        "                      the colour of the four corners (default: alpha 0)\n"
        "  --join N            join sprites whose boxes come within N pixels (default 0)\n"
        "  --min-size N        leave out specks narrower and lower than N (default 1)\n"
        "  --pad WxH           place each sprite on a WxH cell, centred, on its bottom edge\n"
        "  --overwrite         replace files that exist already (without it nothing is\n"
        "                      written when any target file exists, a link included, and\n"
        "                      the cut stops if one appears while it writes); a link is\n"
        "                      replaced, never written through\n"
        "  -h, --help          show this text\n"
        "\n"
        "Prints one line, such as\n"
        "  1,024 cells: 37 blank, 612 merged, 375 tiles written, 000.bmp to 374.bmp\n"
        "and, with --keep-ids, \", kept K, new N, gone G\" after it.\n"
        "\n"
        "Exit status: 0 done; 1 a file could not be written or appeared meanwhile (the\n"
        "files before it stay); 2 bad arguments, a grid with no whole cell, no grid\n"
        "found, or a target that cannot be written (a missing or read-only folder, two\n"
        "targets that are one file); 3 the sheet or the earlier manifest cannot be\n"
        "read; 5 target files exist without --overwrite; 6 another cut is writing into\n"
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
    // A missing output folder is said before the sheet is read, as it always was.
    if (a.job.atlasPath.isEmpty()) {
        if (const QString problem = folderProblem(a.job.folder, QStringLiteral("output folder"));
            !problem.isEmpty())
            return fail(problem, kExitBadArguments);
    }

    JobReport report;
    std::optional<PreparedJob> prepared;
    {
        const QuietStandardError quiet;
        prepared = prepare(a.job, &report);
    }
    if (!prepared)
        return fail(report.reason,
                    report.failure == JobFailure::Unreadable ? kExitUnreadable : kExitBadArguments);
    if (prepared->detected) {
        out << detect::describeGrid(*prepared->detected) << '\n';
        out.flush();
    }
    if (prepared->suspicious) {
        err << prefix
            << QStringLiteral("warning: the grid given does not look like this sheet's (%1); "
                              "cut as asked.")
                   .arg(detect::describeGrid(*prepared->suspicious))
            << '\n';
        err.flush();
    }

    // Every target is checked, and the existing files looked for, inside the
    // job, before its first byte.
    report = runJob(*prepared);
    switch (report.failure) {
    case JobFailure::None:
    case JobFailure::Cancelled:
        break;
    case JobFailure::Unreadable:
        return fail(report.reason, kExitUnreadable);
    case JobFailure::BadRequest:
    case JobFailure::BadTarget:
        return fail(report.reason, kExitBadArguments);
    case JobFailure::Busy:
        return fail(QStringLiteral("Another cut is writing into %1; nothing written.")
                        .arg(shown(report.failedFile)),
                    kExitBusy);
    case JobFailure::FilesExist:
        if (report.existing.size() == 1)
            return fail(QStringLiteral("%1 already exists; nothing written. Use --overwrite to "
                                       "replace it.")
                            .arg(shown(report.existing.front())),
                        kExitFilesExist);
        return fail(QStringLiteral("%1 of the files to write already exist (%2 among them); "
                                   "nothing written. Use --overwrite to replace them.")
                        .arg(report.existing.size())
                        .arg(shown(report.existing.front())),
                    kExitFilesExist);
    case JobFailure::Appeared:
    case JobFailure::WriteFailed:
        err << prefix << "File error! " << shown(report.failedFile) << ": " << report.reason
            << '\n';
        err.flush();
        out << jobSummary(*prepared, report) << '\n';
        out.flush();
        return kExitFailed;
    }
    out << jobSummary(*prepared, report) << '\n';
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
