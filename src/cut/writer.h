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
};

// The highest number a file can have.
inline constexpr int kLastNumber = 999;

// "012.bmp", "012.png".
QString tileFileName(int number, Format format);
// How many numbers are left from `start` up to 999.
int numbersLeft(int start);
// The tileset file written beside a map: the map's name with ".tsx".
QString tilesetPathFor(const QString& tmxPath);

// Every file the cut would write: the tiles in order, then the map and its tileset.
QStringList targetFiles(const Plan& plan, const Output& output);
// Those of them that exist already.
QStringList existingFiles(const QStringList& files);

// Why the plan cannot be written from `start`, for the user; empty when it can.
QString tooFewNumbersMessage(int tiles, int start);
// The one question asked when files would be replaced.
QString replaceQuestion(const QStringList& existing);
// "1,024 cells: 37 blank, 612 duplicates, 375 tiles to write, 012.bmp to 386.bmp"
QString countLine(const Plan& plan, int start, Format format);

struct Outcome {
    int written = 0;
    int nextCounter = 0; // the number after the last file written
    bool cancelled = false;
    // The file that could not be written and why; empty when none failed.
    QString failedFile;
    QString reason;

    bool failed() const { return !failedFile.isEmpty(); }
};

// Asked after each file with the files written so far and the total; false stops
// the cut there.
using Progress = std::function<bool(int written, int total)>;

// Writes the plan's tiles, each file whole or not at all, and then the map when
// one is asked for and every tile was written. Stops at the first failure and
// when `progress` says so; what was written stays.
Outcome writeCut(const QImage& sheet, const Plan& plan, const Output& output,
                 const Progress& progress = {});

// The Tiled tileset (a collection of images, one for each tile written from
// `start`, by paths relative to it) and the map that places them. Each throws
// platform::PlatformError when its file cannot be written, leaving no part of it.
void writeTileset(const Plan& plan, const Output& output);
void writeMap(const Plan& plan, const Output& output);

} // namespace cut
