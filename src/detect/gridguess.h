#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace detect {

// A grid read off a sheet, in Tiled's terms: cells of tileWidth x tileHeight,
// the first `margin` pixels from the top-left corner, `spacing` pixels apart.
struct GuessedGrid {
    enum class Evidence {
        // Lines of pixels of one colour (or all of alpha 0) between the cells.
        Gutters,
        // No gutters: the rows and columns of pixels repeat with the cells'
        // period; margin and spacing are then 0.
        Period,
    };
    int tileWidth = 0;
    int tileHeight = 0;
    int margin = 0;
    int spacing = 0;
    Evidence evidence = Evidence::Period;
    // From 0 to 1: how plainly the sheet shows it (1 for gutters that fit exactly).
    double confidence = 0;

    bool sameGrid(int width, int height, int margin, int spacing) const;
};

// The grid the sheet shows, or none when no grid is trusted; then `whyNot`
// says why, for the user. Reads every pixel once.
std::optional<GuessedGrid> guessGrid(const QImage& sheet, QString* whyNot = nullptr);

// "detected 96x48, margin 1, spacing 1"
QString describeGrid(const GuessedGrid& grid);

// The grid to suggest when the one given disagrees with a grid the sheet shows
// plainly: gutters that the given cells would cut through or take in, or, on a
// transparent sheet, sprites that the given cells cut while the guessed ones cut
// none. None when the evidence is weaker than that.
std::optional<GuessedGrid> gridLooksWrong(const QImage& sheet, int tileWidth, int tileHeight,
                                          int margin, int spacing);

} // namespace detect
