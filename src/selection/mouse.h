#pragma once

#include "state/appstate.h"

namespace platform {
class Button;
class CheckBox;
class CommonDialog;
class Label;
class OptionButton;
class PictureBox;
} // namespace platform

namespace selection {

// The view the rectangle is drawn on, the mode and snap that place it, and the
// label that shows its size while dragging.
struct MouseControls {
    platform::PictureBox& tilesetView;
    platform::OptionButton& adjustableOption;
    platform::CheckBox& snapBox;
    platform::Label& sizeReadout;
};

// A press of the left button on the freshly redrawn view places the rectangle:
// its top-left corner in Adjustable mode, the whole rectangle in Fixed mode,
// whose outline is drawn when it lies in the view.
void placeOnPress(AppState& s, const MouseControls& c, double x, double y);
// A move with the left button alone held stretches or moves the rectangle and
// shows its outline and size while it lies within the bounds.
void dragTo(AppState& s, const MouseControls& c, double x, double y);

// The outline colour, chosen in the colour dialog; a cancel passes to the caller.
void chooseColor(platform::CommonDialog& colorDialog, platform::Button& colourButton,
                 platform::PictureBox& tilesetView);

} // namespace selection
