#pragma once

#include "state/appstate.h"

namespace platform {
class Form;
class PictureBox;
} // namespace platform

namespace selection {

// Where the capture comes from and where it goes.
struct CaptureControls {
    platform::PictureBox& tilesetView;
    platform::Form& selectionWindow;
    platform::PictureBox& selectionPicture;
};

// On the release of the left button: copies the rectangle the gesture left, when
// it passes the release test, from the view's image into the Selection view,
// which takes its size.
void captureSelection(const AppState& s, const CaptureControls& c);

} // namespace selection
