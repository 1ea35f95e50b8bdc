#include "writer.h"

#include "job.h"
#include "numbers.h"
#include "wording.h"

#include "system/errors.h"
#include "system/numtext.h"
#include "image/picture.h"
#include "system/nativefs.h"
#include "system/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <optional>
#include <vector>

namespace cut {

using namespace wording;

namespace {

// The numbered file of the plan's tile `index`: past 999 every name of the cut
// widens to its last number's digits.
QString tilePath(const Plan& plan, const Output& output, int index) {
    const int digits = numberDigits(output.start + std::max(plan.tileCount() - 1, 0));
    return QDir(output.folder)
        .filePath(numberedName(output.start + index, digits,
                               output.format == Format::Png ? QStringLiteral("png")
                                                            : QStringLiteral("bmp")));
}

} // namespace

QString tileFileName(int number, Format format) {
    return platform::format(number, QStringLiteral("000")) +
           (format == Format::Png ? QStringLiteral(".png") : QStringLiteral(".bmp"));
}

QString tilesetPathFor(const QString& tmxPath) {
    const QFileInfo info(tmxPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".tsx"));
}

QString replaceQuestion(const QStringList& existing) {
    const QString first = QFileInfo(existing.value(0)).fileName();
    if (existing.size() == 1)
        return QStringLiteral("%1 already exists. Replace it?").arg(first);
    return QStringLiteral("%1 of the files to write already exist (%2 among them). Replace them?")
        .arg(groups(int(existing.size())), first);
}

QString countLine(const Plan& plan, int start, Format format) {
    QString where;
    if (plan.tileCount() > 0)
        where = QFileInfo(tilePath(plan, Output{{}, start, format, {}}, 0)).fileName() +
                QStringLiteral(" to ") +
                QFileInfo(tilePath(plan, Output{{}, start, format, {}}, plan.tileCount() - 1))
                    .fileName();
    return countLineOf(
        plan, counted(plan.grid.cellCount(), QStringLiteral("cell"), QStringLiteral("cells")),
        where);
}

QString countLineOf(const Plan& plan, const QString& what, const QString& where) {
    QString line =
        QStringLiteral("%1: %2 blank, %3 merged, %4 to write")
            .arg(what, groups(plan.blank), groups(plan.duplicates),
                 counted(plan.tileCount(), QStringLiteral("tile"), QStringLiteral("tiles")));
    if (!where.isEmpty())
        line += QStringLiteral(", ") + where;
    if (plan.grid.partialCells > 0)
        line += QStringLiteral(" (%1 at the edges left out)")
                    .arg(counted(plan.grid.partialCells, QStringLiteral("cell"),
                                 QStringLiteral("cells")));
    return line;
}

QString folderProblem(const QString& folder, const QString& role) {
    const QString shown = printable(folder);
    switch (platform::entryType(folder)) {
    case platform::EntryType::Missing:
        return QStringLiteral("The %1 %2 does not exist.").arg(role, shown);
    case platform::EntryType::File:
    case platform::EntryType::Other:
        return QStringLiteral("The %1 %2 is not a folder.").arg(role, shown);
    case platform::EntryType::Folder:
        break;
    }
    const QString reason = platform::folderWriteProblem(folder);
    if (!reason.isEmpty())
        return QStringLiteral("The %1 %2 cannot be written to: %3.").arg(role, shown, reason);
    return {};
}

Outcome writeCut(const QImage& sheet, const Plan& plan, const Output& output,
                 const Progress& progress) {
    CutJob job;
    job.format = output.format;
    job.start = output.start;
    job.folder = output.folder;
    job.tmxPath = output.tmxPath;
    job.replace = output.replace;
    Outcome outcome;
    outcome.nextCounter = output.start;
    JobReport report;
    const std::optional<PreparedJob> prepared = preparePlanned(job, sheet, plan, &report);
    if (prepared) {
        const int tiles = prepared->tileFileCount();
        report = runJob(*prepared, [&](int written, int) {
            return !progress || written > tiles || progress(written, tiles);
        });
        outcome.written = int(std::min<qsizetype>(report.written.size(), tiles));
        outcome.nextCounter += outcome.written;
    }
    outcome.failedFile = report.failedFile;
    outcome.reason = report.reason;
    outcome.existing = report.existing;
    switch (report.failure) {
    case JobFailure::None:
        break;
    case JobFailure::Cancelled:
        outcome.cancelled = true;
        break;
    case JobFailure::Unreadable:
    case JobFailure::BadRequest:
    case JobFailure::BadTarget:
        outcome.failure = Outcome::Failure::BadTarget;
        break;
    case JobFailure::FilesExist:
        outcome.failure = Outcome::Failure::FilesExist;
        break;
    case JobFailure::Busy:
        outcome.failure = Outcome::Failure::Busy;
        break;
    case JobFailure::Appeared:
        outcome.failure = Outcome::Failure::Appeared;
        break;
    case JobFailure::WriteFailed:
        outcome.failure = Outcome::Failure::WriteFailed;
        break;
    }
    return outcome;
}

} // namespace cut
