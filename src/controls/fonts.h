#pragma once

#include <QFont>
#include <QString>

namespace platform {

// The face every caption is drawn in. Its package is a dependency of the program,
// so the face is there wherever Orvane is installed.
inline constexpr char kCaptionFamily[] = "Liberation Sans";

// The font for a caption that the layout gives in points of its original face.
// That face is narrower than the one used here, so the size is taken a tenth
// smaller, which lets every caption fit the box the layout gives it. The size is
// set in pixels: the layout is in pixels too, and the captions must keep fitting
// when the desktop is set to another number of dots per inch.
QFont captionFont(double layoutPoints, bool bold = false, bool italic = false);

// The pixel size captionFont gives a caption of this many points in the layout.
int captionPixelSize(double layoutPoints);

} // namespace platform
