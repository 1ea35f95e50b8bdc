#pragma once

#include "plan.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace cut {

enum class Format { Bmp, Png };

// Where and how the tiles are written: the numbered files from `start` on in
// `folder`, as "SAVE" numbers them.
struct Output {
    QString folder;
    int start = 0;
    Format format = Format::Bmp;
    // The Tiled map to write as well, or empty; its tileset goes beside it.
    QString tmxPath;
    // Whether files that exist are replaced. Without it every file must be new:
    // the cut writes nothing when one exists, and stops when one appears while
    // it writes.
    bool replace = false;
};

// The highest number a file can have.
inline constexpr int kLastNumber = 999;

// "012.bmp", "012.png".
QString tileFileName(int number, Format format);
// The tileset file written beside a map: the map's name with ".tsx".
QString tilesetPathFor(const QString& tmxPath);

// Why files cannot be written into the folder, for the user: it is missing, is
// not a folder, or cannot be written to. `role` names it: "output folder",
// "map's folder".
QString folderProblem(const QString& folder, const QString& role);

// The one question asked when files would be replaced.
QString replaceQuestion(const QStringList& existing);
// "1,024 cells: 37 blank, 612 merged, 375 tiles to write, 012.bmp to 386.bmp"
QString countLine(const Plan& plan, int start, Format format);
// The same line for any cut: `what` counts what was found ("16 cells"),
// `where` says where the tiles go ("012.bmp to 027.bmp"), or is empty.
QString countLineOf(const Plan& plan, const QString& what, const QString& where);

struct Outcome {
    enum class Failure {
        None,
        BadTarget,   // a target cannot be written; nothing written
        Busy,        // another cut writes into one of the folders; nothing written
        FilesExist,  // files exist and were not to be replaced; nothing written
        Appeared,    // a file appeared while the cut wrote; what was written stays
        WriteFailed, // a file could not be written; what was written before stays
    };

    int written = 0;
    int nextCounter = 0; // the number after the last file written
    bool cancelled = false;
    Failure failure = Failure::None;
    // The file or folder at fault and why, for the user; empty when none failed.
    QString failedFile;
    QString reason;
    // For FilesExist: the files that exist.
    QStringList existing;

    bool failed() const { return failure != Failure::None; }
};

// Asked after each file with the files written so far and the total; false stops
// the cut there.
using Progress = std::function<bool(int written, int total)>;

// Writes the plan's tiles (through the cut job: runJob), each file whole or not at all, and then
// the map when one is asked for and every tile was written. Every check comes first: the targets
// (the job's checks), the folders taken for this cut alone (FolderLock), the files that exist. Each
// file goes through platform::writeFileWhole, so no file is written through a link. Stops at the
// first failure and when `progress` says so; what was written stays.
Outcome writeCut(const QImage& sheet, const Plan& plan, const Output& output,
                 const Progress& progress = {});

} // namespace cut
