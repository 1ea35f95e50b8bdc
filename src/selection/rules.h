#pragma once

#include "state/appstate.h"

#include <QString>

// The selection's arithmetic, free of controls. Positions are view pixels; the
// right and bottom edges are exclusive.
namespace selection {

struct Edges {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    friend bool operator==(const Edges&, const Edges&) = default;
};

// Where a fixed-size rectangle goes for the pointer at (x, y): its bottom-right
// corner at the pointer, or with Snap the grid cell before the one the pointer's
// whole-number quotient names. A size below 1 is never divided by.
Edges placeFixed(double x, double y, double tileWidth, double tileHeight, bool snap);

// A fixed size below 1 places nothing that can be drawn or captured.
bool fixedSizeUsable(double tileWidth, double tileHeight);

// The press draws a fixed rectangle's outline only when it lies in the view.
bool outlineShownOnPress(const AppState& s);
// A drag to (x, y) shows the outline and the size while the rectangle is in the
// view and the pointer lies right of and below its top-left corner.
bool inDragBounds(const AppState& s, double x, double y);
// The release captures a rectangle that lies in the view and is not empty.
bool capturable(const AppState& s);

// sizeReadout while dragging: "Width:" w "   Height:" h, numbers as Str writes them.
QString dragSizeCaption(double width, double height);

// A size box's text is refused unless it is a whole number no larger than the limit.
bool sizeTextRefused(const QString& text, double maximum);
// A preset of n x n is refused when it exceeds the limits in either direction.
bool presetFits(int n, double maxTileWidth, double maxTileHeight);

} // namespace selection
