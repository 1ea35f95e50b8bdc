#pragma once

#include <QByteArray>
#include <QImage>

namespace cut {

// The picture as PNG bytes holding each pixel exactly as it is, alpha and the
// colour of fully transparent pixels included, in the smallest of the forms
// Qt's writer offers: a palette when there are at most 256 distinct pixels,
// colour without alpha when every pixel is opaque, else colour with alpha; all
// at zlib's best compression. Empty when the picture is null.
QByteArray pngBytes(const QImage& image);

} // namespace cut
