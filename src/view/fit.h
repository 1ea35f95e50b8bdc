#pragma once

#include "redraw.h"

#include "state/appstate.h"

#include <QSize>
#include <QString>

namespace platform {
class Form;
class Label;
class TextBox;
} // namespace platform

namespace view {

// What the fit makes of a picture of w x h pixels in a view of at most
// maxWidth x maxHeight: the view's size, which scroll bars show, and their
// ranges. The largest selection equals the view's size.
struct ViewFit {
    int width = 0;
    int height = 0;
    bool hScrollShown = false;
    bool vScrollShown = false;
    int hMax = 0;
    int vMax = 0;

    friend bool operator==(const ViewFit&, const ViewFit&) = default;
};

ViewFit fitView(QSize picture, double maxWidth, double maxHeight);

// The caption of maxSizeLabel: "Max: " width " X " height.
QString maxSizeCaption(double maxTileWidth, double maxTileHeight);

// The Selection view after a fit: 1680 x 1635 twips around an empty 32 x 32 box.
inline constexpr double kSelectionViewResetWidth = 1680;
inline constexpr double kSelectionViewResetHeight = 1635;
inline constexpr int kCaptureResetSize = 32;

// What the fit writes besides the view: the size boxes, the limits caption and
// the Selection view it resets.
struct FitControls {
    ViewControls view;
    platform::TextBox& widthBox;
    platform::TextBox& heightBox;
    platform::Label& maxSizeLabel;
    platform::Form& selectionWindow;
    platform::PictureBox& selectionPicture;
};

// Sizes the view and the scroll bars to the tileset, sets the selection limits
// and resets the Selection view. A lowered size is written into its size box,
// whose Change runs inside the write. Setting the scroll bars' Max and Value can
// raise their Change; the redraw that ends the fit is the caller's next step.
void fitViewToImage(AppState& s, const FitControls& c);

} // namespace view
