#pragma once

#include "cutwriter.h"
#include "grid.h"
#include "plan.h"
#include "result.h"
#include "skip.h"
#include "tileids.h"
#include "writer.h"

#include "detect/gridguess.h"
#include "detect/sprites.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

namespace cut {

// Everything one cut is asked to do, as the command line and the dialog both
// say it. Paths are as the user gave them.
struct CutJob {
    QString sheetPath;
    // The sheet's pixels when they are in memory already (the dialog's); else the
    // job reads sheetPath.
    QImage sheet;
    GridSpec grid;
    // Read the grid off the sheet instead (detect::guessGrid).
    bool autoGrid = false;
    // The part of the sheet to cut; null for the whole sheet.
    QRect region;
    Skip skip = Skip::None;
    Merge merge = Merge::None;
    Format format = Format::Png;
    int start = 0;
    // Where the numbered files go (not written when there is an atlas).
    QString folder;
    // One packed picture of every tile instead of numbered files; empty for none.
    QString atlasPath;
    int atlasColumns = 0; // 0: the smallest square-ish grid
    int extrude = 0;
    QString tmxPath;  // a Tiled map and its tileset beside it; empty for none
    QString jsonPath; // the manifest; empty for none
    // An earlier cut's manifest whose tiles keep their ids; empty for fresh ids.
    QString keepIdsPath;
    bool replace = false;
    // Loose sprites instead of a grid.
    bool sprites = false;
    detect::SpriteOptions spriteOptions;
    // Take the key from the sheet's corners (spriteOptions.key's tolerance kept).
    bool keyFromCorners = false;
    // Each sprite on a cell of this size; empty for none.
    QSize pad;
};

// Why a job stops before it writes, or where its writing failed.
enum class JobFailure {
    None,
    Unreadable,  // the sheet or the earlier manifest cannot be read
    BadRequest,  // a grid, region, key, pad or atlas that cannot be cut; no grid found
    BadTarget,   // a target that cannot be written (checkJob)
    FilesExist,  // targets exist and are not to be replaced
    Busy,        // another cut writes into one of the folders
    Appeared,    // a file appeared while the cut wrote; what was written stays
    WriteFailed, // a file could not be written; what was written before stays
    Cancelled,
};

// A job worked out up to its files, none of them written yet.
struct PreparedJob {
    CutJob job;
    Plan plan;
    IdAssignment ids;
    bool keptIds = false; // ids come from an earlier manifest
    CutResult result;
    // With autoGrid: the grid read off the sheet.
    std::optional<detect::GuessedGrid> detected;
    // A given grid the sheet plainly contradicts: the one it shows.
    std::optional<detect::GuessedGrid> suspicious;
    // Sprites: their boxes on the sheet, in id order of the plan.
    std::vector<QRect> spriteBoxes;

    int tileFileCount() const;
};

struct JobReport {
    JobFailure failure = JobFailure::None;
    // For the user: what is wrong (prepare, checkJob) or the system's reason.
    QString reason;
    // The file or folder at fault.
    QString failedFile;
    // For FilesExist: the targets that exist.
    QStringList existing;
    // The files written, in order.
    QStringList written;

    bool failed() const { return failure != JobFailure::None; }
};

// Every file of every writer, in the order they are written; they read the
// prepared job, which must outlive them. A tile that keeps an earlier cut's
// file is not written again.
QList<OutputFile> jobFiles(const PreparedJob& prepared);

using JobProgress = std::function<bool(int written, int total)>;

// Reads the sheet, finds the grid or the sprites, plans the cut, gives ids
// (keeping an earlier manifest's), and lists every file the writers make;
// writes nothing. Gives up soon after `cancel` turns true.
std::optional<PreparedJob> prepare(const CutJob& job, JobReport* failure,
                                   const std::atomic<bool>* cancel = nullptr);

// The same from a plan made already on `sheet` (the region's pixels when the
// job has a region), for a caller that counted the cells first.
std::optional<PreparedJob> preparePlanned(const CutJob& job, const QImage& sheet, Plan plan,
                                          JobReport* failure);

// Every target of the prepared job checked before a byte is written: folders
// missing or not writable, targets that are folders, two targets that are one
// file, and (unless replacing) files that exist, a link included.
JobReport checkJob(const PreparedJob& prepared);

// Checks again, takes the folders for this cut alone (FolderLock), and writes
// every file whole through platform::writeFileWhole, new only unless replacing.
// Stops at the first failure or when `progress` says so; what was written stays.
JobReport runJob(const PreparedJob& prepared, const JobProgress& progress = {});

// Texts both the command line and the dialog show.
// "1,344 cells: 0 blank, 66 merged, 1,278 tiles to write, 0000.png to 1277.png"
QString jobCountLine(const PreparedJob& prepared);
// After a cut: "1,344 cells: 0 blank, 66 merged, 1,278 tiles written, 0000.png to 1277.png"
// with ", kept K, new N, gone G" when ids were kept.
QString jobSummary(const PreparedJob& prepared, const JobReport& report);
// The first and last names of the numbered files, or empty.
QString numberedRange(const PreparedJob& prepared);

} // namespace cut
