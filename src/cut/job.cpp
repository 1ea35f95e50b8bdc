#include "job.h"

#include "manifest.h"
#include "numbers.h"
#include "wording.h"
#include "sprites.h"

#include "image/picture.h"
#include "system/errors.h"
#include "system/nativefs.h"
#include "system/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <memory>
#include <vector>

namespace cut {

using namespace wording;

namespace {

QString errorText(const platform::PlatformError& error) {
    return QString::fromStdString(error.what());
}

bool stop(JobReport* report, JobFailure failure, const QString& reason, const QString& file = {}) {
    if (report) {
        report->failure = failure;
        report->reason = reason;
        report->failedFile = file;
    }
    return false;
}

QByteArray bitmapBytes(const QImage& tile) {
    platform::BitmapCutter cutter(tile);
    return cutter.encode(tile.rect());
}

// What a target is, for the user and for the folder it needs.
struct Target {
    QString path;
    QString what; // "the tile 012.png", "the map a.tmx"
    QString role; // "output folder", "map's folder"...
    bool tile = false;
};

std::vector<Target> targetsOf(const PreparedJob& prepared) {
    const CutJob& job = prepared.job;
    std::vector<Target> targets;
    for (const OutputFile& file : jobFiles(prepared)) {
        Target t{file.path, {}, {}, false};
        if (!job.atlasPath.isEmpty() && file.path == job.atlasPath) {
            t.what = QStringLiteral("the atlas ") + printable(file.path);
            t.role = QStringLiteral("atlas's folder");
        } else if (!job.jsonPath.isEmpty() && file.path == job.jsonPath) {
            t.what = QStringLiteral("the manifest ") + printable(file.path);
            t.role = QStringLiteral("manifest's folder");
        } else if (!job.tmxPath.isEmpty() && file.path == job.tmxPath) {
            t.what = QStringLiteral("the map ") + printable(file.path);
            t.role = QStringLiteral("map's folder");
        } else if (!job.tmxPath.isEmpty() && file.path == TiledWriter::tilesetPath(job.tmxPath)) {
            t.what = QStringLiteral("the map's tileset ") + printable(file.path);
            t.role = QStringLiteral("map's folder");
        } else {
            t.what = QStringLiteral("the tile ") + printable(nameOf(file.path));
            t.role = QStringLiteral("output folder");
            t.tile = true;
        }
        targets.push_back(std::move(t));
    }
    return targets;
}

// Every check but the files that exist.
JobReport checkTargetsOf(const PreparedJob& prepared) {
    JobReport report;
    const CutJob& job = prepared.job;
    const std::vector<Target> targets = targetsOf(prepared);
    QStringList folders;
    const bool tiles =
        std::any_of(targets.begin(), targets.end(), [](const Target& t) { return t.tile; });
    if (tiles || (job.atlasPath.isEmpty() && job.tmxPath.isEmpty() && job.jsonPath.isEmpty())) {
        if (const QString problem = folderProblem(job.folder, QStringLiteral("output folder"));
            !problem.isEmpty()) {
            stop(&report, JobFailure::BadTarget, problem, job.folder);
            return report;
        }
        folders << job.folder;
    }
    for (const Target& t : targets) {
        if (t.tile)
            continue;
        for (const QChar c : t.path) {
            if (c.category() == QChar::Other_Control) {
                stop(&report, JobFailure::BadTarget,
                     capitalised(t.what.section(u' ', 0, 1)) + QStringLiteral("'s name ") +
                         printable(t.path) + QStringLiteral(" holds a control character."),
                     t.path);
                return report;
            }
        }
        const QString folder = folderOf(t.path);
        if (folders.contains(folder))
            continue;
        if (const QString problem = folderProblem(folder, t.role); !problem.isEmpty()) {
            stop(&report, JobFailure::BadTarget, problem, folder);
            return report;
        }
        folders << folder;
    }
    // Two targets are one file when their folders, links resolved, and names are.
    QHash<QString, QString> resolved;
    QHash<QString, QString> seen;
    for (const Target& t : targets) {
        if (platform::nameIsFolder(t.path)) {
            stop(&report, JobFailure::BadTarget,
                 capitalised(t.what) + QStringLiteral(" is a folder."), t.path);
            return report;
        }
        const QString folder = folderOf(t.path);
        auto r = resolved.find(folder);
        if (r == resolved.end())
            r = resolved.insert(folder, platform::resolvedFolder(folder));
        const QString key = *r + u'/' + nameOf(t.path);
        const auto earlier = seen.constFind(key);
        if (earlier != seen.constEnd()) {
            stop(&report, JobFailure::BadTarget,
                 capitalised(t.what) + QStringLiteral(" and ") + *earlier +
                     QStringLiteral(" name the same file."),
                 t.path);
            return report;
        }
        seen.insert(key, t.what);
    }
    return report;
}

void findExisting(const PreparedJob& prepared, JobReport& report) {
    if (prepared.job.replace)
        return;
    for (const OutputFile& file : jobFiles(prepared)) {
        if (platform::nameTaken(file.path))
            report.existing << file.path;
    }
    if (!report.existing.isEmpty())
        stop(&report, JobFailure::FilesExist, QStringLiteral("the file exists already"),
             report.existing.front());
}

std::optional<std::vector<EarlierTile>> readEarlier(const QString& path, JobReport* report) {
    QByteArray bytes;
    try {
        QFile file;
        platform::openRegularFile(path, file);
        bytes = file.readAll();
    } catch (const platform::PlatformError& error) {
        stop(report, JobFailure::Unreadable,
             QStringLiteral("Cannot read the manifest %1: %2")
                 .arg(printable(path), errorText(error)),
             path);
        return std::nullopt;
    }
    QString why;
    const std::optional<Manifest> manifest = parseManifest(bytes, &why);
    if (!manifest) {
        stop(report, JobFailure::Unreadable,
             QStringLiteral("Cannot read the manifest %1: %2").arg(printable(path), why), path);
        return std::nullopt;
    }
    return earlierTiles(*manifest, folderOf(path), [](const QString& file) {
        try {
            return platform::loadImageWithAlpha(file);
        } catch (const platform::PlatformError&) {
            return QImage();
        }
    });
}

// From the plan on: ids, the result, and where each tile goes.
std::optional<PreparedJob> finishPrepared(PreparedJob prepared, const QImage& sheet,
                                          QSize wholeSize, JobReport* failure) {
    const CutJob& job = prepared.job;
    if (!job.keepIdsPath.isEmpty()) {
        const auto earlier = readEarlier(job.keepIdsPath, failure);
        if (!earlier)
            return std::nullopt;
        prepared.ids = keepIds(*earlier, sheet, prepared.plan, job.merge);
        prepared.keptIds = true;
    } else {
        prepared.ids = freshIds(prepared.plan);
    }
    prepared.result = makeResult(sheet, prepared.plan, prepared.ids);
    prepared.result.sheetPath = job.sheetPath;
    prepared.result.sheetSize = wholeSize;
    prepared.result.region = job.region;
    if (!job.atlasPath.isEmpty()) {
        // Every tile lives in the atlas, an earlier cut's own files included.
        for (StoredTile& tile : prepared.result.tiles) {
            tile.file.clear();
            tile.kept = false;
        }
        placeInAtlas(prepared.result, job.atlasPath, job.atlasColumns, job.extrude);
        if (const QString problem = atlasProblem(prepared.result.atlas->layout);
            !problem.isEmpty()) {
            stop(failure, JobFailure::BadRequest, problem, job.atlasPath);
            return std::nullopt;
        }
    } else {
        nameTileFiles(prepared.result, job.folder, job.start,
                      job.format == Format::Png ? QStringLiteral("png") : QStringLiteral("bmp"));
    }
    return prepared;
}

// Loose sprites in place of a grid's cells: the same writers, the atlas packed
// by rows; a Tiled map and kept ids need a grid.
std::optional<PreparedJob> prepareSprites(PreparedJob prepared, const QImage& sheet,
                                          QSize wholeSize, JobReport* failure) {
    const CutJob& job = prepared.job;
    if (!job.tmxPath.isEmpty() || !job.keepIdsPath.isEmpty()) {
        stop(failure, JobFailure::BadRequest,
             QStringLiteral("Sprites have no grid for a Tiled map or kept numbers; leave out "
                            "--tmx and --keep-ids."));
        return std::nullopt;
    }
    detect::SpriteOptions options = job.spriteOptions;
    if (job.keyFromCorners) {
        const std::optional<QRgb> corner = detect::cornerColour(sheet);
        if (!corner) {
            stop(failure, JobFailure::BadRequest,
                 QStringLiteral("The four corners of the sheet are not of one colour; give "
                                "the key as RRGGBB."));
            return std::nullopt;
        }
        detect::KeyColour key = options.key.value_or(detect::KeyColour{});
        key.colour = *corner;
        options.key = key;
    }
    prepared.spriteBoxes = detect::findSprites(sheet, options);
    std::optional<QSize> pad;
    if (!job.pad.isEmpty()) {
        if (const QString problem = padProblem(prepared.spriteBoxes, job.pad); !problem.isEmpty()) {
            stop(failure, JobFailure::BadRequest, problem);
            return std::nullopt;
        }
        pad = job.pad;
    }
    prepared.result = spriteResult(sheet, prepared.spriteBoxes, job.merge, pad, options);
    prepared.result.sheetPath = job.sheetPath;
    prepared.result.sheetSize = wholeSize;
    prepared.result.region = job.region;
    // The counts a grid's plan would give: one "cell" for each sprite.
    const int sprites = int(prepared.spriteBoxes.size());
    const int tiles = int(prepared.result.tiles.size());
    prepared.plan.grid.columns = sprites;
    prepared.plan.grid.rows = sprites > 0 ? 1 : 0;
    prepared.plan.duplicates = sprites - tiles;
    prepared.plan.tileCells.assign(std::size_t(tiles), 0);
    prepared.ids.ids.resize(std::size_t(tiles));
    if (!job.atlasPath.isEmpty()) {
        packSpritesInAtlas(prepared.result, job.atlasPath, 0, 2 * job.extrude);
        const QSize size = spriteAtlasSize(prepared.result);
        if (qint64(size.width()) * size.height() > qint64(16384) * 16384) {
            stop(failure, JobFailure::BadRequest,
                 QStringLiteral("The atlas of the sprites would be %1 x %2 pixels, past what "
                                "a picture can hold.")
                     .arg(size.width())
                     .arg(size.height()),
                 job.atlasPath);
            return std::nullopt;
        }
    } else {
        nameTileFiles(prepared.result, job.folder, job.start,
                      job.format == Format::Png ? QStringLiteral("png") : QStringLiteral("bmp"));
    }
    return prepared;
}

} // namespace

int PreparedJob::tileFileCount() const {
    int n = 0;
    for (const StoredTile& tile : result.tiles) {
        if (!tile.file.isEmpty() && !tile.kept)
            ++n;
    }
    return n;
}

QList<OutputFile> jobFiles(const PreparedJob& prepared) {
    const CutJob& job = prepared.job;
    std::vector<std::unique_ptr<CutWriter>> writers;
    writers.push_back(std::make_unique<NumberedFilesWriter>(
        job.format == Format::Bmp ? TileEncoder(bitmapBytes) : TileEncoder()));
    writers.push_back(std::make_unique<AtlasWriter>());
    if (!job.tmxPath.isEmpty())
        writers.push_back(std::make_unique<TiledWriter>(job.tmxPath));
    if (!job.jsonPath.isEmpty())
        writers.push_back(std::make_unique<ManifestWriter>(job.jsonPath));
    QList<OutputFile> files;
    for (const auto& writer : writers)
        files += writer->files(prepared.result);
    return files;
}

std::optional<PreparedJob> prepare(const CutJob& job, JobReport* failure,
                                   const std::atomic<bool>* cancel) {
    PreparedJob prepared;
    prepared.job = job;
    QImage whole = job.sheet;
    if (whole.isNull()) {
        if (platform::entryType(job.sheetPath) == platform::EntryType::Missing &&
            !platform::nameTaken(job.sheetPath)) {
            stop(failure, JobFailure::Unreadable,
                 QStringLiteral("The sheet %1 does not exist.").arg(printable(job.sheetPath)),
                 job.sheetPath);
            return std::nullopt;
        }
        try {
            whole = platform::loadImageWithAlpha(job.sheetPath);
        } catch (const platform::PlatformError& error) {
            stop(failure, JobFailure::Unreadable,
                 QStringLiteral("Cannot read the sheet %1: %2")
                     .arg(printable(job.sheetPath), errorText(error)),
                 job.sheetPath);
            return std::nullopt;
        }
    }
    if (whole.format() != QImage::Format_ARGB32)
        whole = whole.convertToFormat(QImage::Format_ARGB32);
    QImage sheet = whole;
    if (!job.region.isNull()) {
        if (const QString problem = regionProblem(whole.size(), job.region); !problem.isEmpty()) {
            stop(failure, JobFailure::BadRequest, problem);
            return std::nullopt;
        }
        sheet = applyRegion(whole, job.region);
    }

    if (job.sprites)
        return prepareSprites(std::move(prepared), sheet, whole.size(), failure);

    CutOptions options;
    options.grid = job.grid;
    options.skip = job.skip;
    options.merge = job.merge;
    if (job.autoGrid) {
        QString why;
        prepared.detected = detect::guessGrid(sheet, &why);
        if (!prepared.detected) {
            stop(failure, JobFailure::BadRequest,
                 QStringLiteral("No grid could be read off the sheet: %1").arg(why));
            return std::nullopt;
        }
        options.grid = GridSpec{prepared.detected->tileWidth, prepared.detected->tileHeight,
                                prepared.detected->margin, prepared.detected->spacing};
        prepared.job.grid = options.grid;
    }
    if (const QString problem = gridProblem(sheet.size(), options.grid); !problem.isEmpty()) {
        stop(failure, JobFailure::BadRequest, problem);
        return std::nullopt;
    }
    if (!job.autoGrid)
        prepared.suspicious =
            detect::gridLooksWrong(sheet, options.grid.tileWidth, options.grid.tileHeight,
                                   options.grid.margin, options.grid.spacing);
    std::optional<Plan> plan = planCut(sheet, options, cancel);
    if (!plan) {
        stop(failure, JobFailure::Cancelled, QStringLiteral("cancelled"));
        return std::nullopt;
    }
    prepared.plan = std::move(*plan);

    return finishPrepared(std::move(prepared), sheet, whole.size(), failure);
}

std::optional<PreparedJob> preparePlanned(const CutJob& job, const QImage& sheet, Plan plan,
                                          JobReport* failure) {
    PreparedJob prepared;
    prepared.job = job;
    prepared.job.grid = plan.grid.shape;
    prepared.plan = std::move(plan);
    QImage pixels = sheet;
    if (pixels.format() != QImage::Format_ARGB32)
        pixels = pixels.convertToFormat(QImage::Format_ARGB32);
    return finishPrepared(std::move(prepared), pixels,
                          job.sheet.isNull() ? sheet.size() : job.sheet.size(), failure);
}

JobReport checkJob(const PreparedJob& prepared) {
    JobReport report = checkTargetsOf(prepared);
    if (!report.failed())
        findExisting(prepared, report);
    return report;
}

JobReport runJob(const PreparedJob& prepared, const JobProgress& progress) {
    JobReport report = checkTargetsOf(prepared);
    if (report.failed())
        return report;
    const QList<OutputFile> files = jobFiles(prepared);
    // Each folder is this cut's alone while it writes, so that two cuts cannot
    // leave a mix of their files; a second one is refused, not made to wait.
    QStringList folders;
    for (const OutputFile& file : files)
        folders << platform::resolvedFolder(folderOf(file.path));
    folders.removeDuplicates();
    folders.sort();
    std::vector<platform::FolderLock> held;
    for (const QString& folder : folders) {
        try {
            held.emplace_back(folder);
        } catch (const platform::FolderBusy&) {
            stop(&report, JobFailure::Busy,
                 QStringLiteral("another cut is writing into this folder"), folder);
            return report;
        } catch (const platform::PlatformError& error) {
            stop(&report, JobFailure::WriteFailed, errorText(error), folder);
            return report;
        }
    }
    for (const QString& folder : folders)
        platform::removeStaleTemporaries(folder);
    findExisting(prepared, report);
    if (report.failed())
        return report;

    const platform::WriteMode mode =
        prepared.job.replace ? platform::WriteMode::Replace : platform::WriteMode::NewOnly;
    const int total = int(files.size());
    const std::vector<Target> targets = targetsOf(prepared);
    for (int i = 0; i < total; ++i) {
        const OutputFile& file = files[i];
        // A run of many small files leaves the disk to write them in its own time.
        const platform::Durability durability = targets[std::size_t(i)].tile
                                                    ? platform::Durability::Unsynced
                                                    : platform::Durability::Synced;
        try {
            platform::writeFileWhole(file.path, file.bytes(), mode, durability);
        } catch (const platform::FileExists&) {
            stop(&report, JobFailure::Appeared,
                 QStringLiteral("the file appeared while the cut was writing; stopped without "
                                "replacing it"),
                 file.path);
            return report;
        } catch (const platform::PlatformError& error) {
            stop(&report, JobFailure::WriteFailed, errorText(error), file.path);
            return report;
        }
        report.written << file.path;
        if (progress && !progress(i + 1, total) && i + 1 < total) {
            report.failure = JobFailure::Cancelled;
            return report;
        }
    }
    return report;
}

QString numberedRange(const PreparedJob& prepared) {
    QString first, last;
    for (const StoredTile& tile : prepared.result.tiles) {
        if (tile.file.isEmpty() || tile.kept)
            continue;
        if (first.isEmpty())
            first = nameOf(tile.file);
        last = nameOf(tile.file);
    }
    if (first.isEmpty())
        return {};
    return first + QStringLiteral(" to ") + last;
}

QString jobCountLine(const PreparedJob& prepared) {
    const Plan& plan = prepared.plan;
    const QString what =
        prepared.result.ofSprites
            ? counted(plan.grid.cellCount(), QStringLiteral("sprite"), QStringLiteral("sprites"))
            : counted(plan.grid.cellCount(), QStringLiteral("cell"), QStringLiteral("cells"));
    const QString where = prepared.result.atlas
                              ? QStringLiteral("into ") + nameOf(prepared.result.atlas->path)
                              : numberedRange(prepared);
    return countLineOf(plan, what, where);
}

QString jobSummary(const PreparedJob& prepared, const JobReport& report) {
    const Plan& plan = prepared.plan;
    // The tiles whose own files were written, in id order.
    const QSet<QString> written(report.written.begin(), report.written.end());
    QStringList names;
    for (const StoredTile& tile : prepared.result.tiles) {
        if (!tile.file.isEmpty() && !tile.kept && written.contains(tile.file))
            names << nameOf(tile.file);
    }
    const bool atlasWritten =
        prepared.result.atlas && written.contains(prepared.result.atlas->path);
    const int tiles = atlasWritten ? int(prepared.result.tiles.size()) : int(names.size());
    const bool sprites = prepared.result.ofSprites;
    const int cells = plan.grid.cellCount();
    // Worded as the count line before the cut (countLineOf), "written" for "to write".
    QString line = sprites ? counted(cells, QStringLiteral("sprite"), QStringLiteral("sprites"))
                           : counted(cells, QStringLiteral("cell"), QStringLiteral("cells"));
    line += u':';
    if (!sprites)
        line += QStringLiteral(" %1 blank,").arg(groups(plan.blank));
    line += QStringLiteral(" %1 merged, %2 written")
                .arg(groups(plan.duplicates),
                     counted(tiles, QStringLiteral("tile"), QStringLiteral("tiles")));
    if (atlasWritten)
        line += QStringLiteral(", into ") + nameOf(prepared.result.atlas->path);
    else if (!names.isEmpty())
        line += QStringLiteral(", %1 to %2").arg(names.front(), names.back());
    if (prepared.keptIds)
        line += QStringLiteral(", ") + prepared.ids.summary();
    if (plan.grid.partialCells > 0)
        line += QStringLiteral(" (%1 at the edges left out)")
                    .arg(counted(plan.grid.partialCells, QStringLiteral("cell"),
                                 QStringLiteral("cells")));
    return line;
}

} // namespace cut
