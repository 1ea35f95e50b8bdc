#pragma once

#include <QByteArray>
#include <QImage>

namespace cut {

// The picture as PNG bytes holding each pixel exactly as it is, alpha and the
// colour of fully transparent pixels included, in the smallest of the forms
// PNG offers: a palette of 1, 2, 4 or 8 bits a pixel when there are at most 256
// distinct pixels, else colour without alpha when every pixel is opaque, else
// colour with alpha. Empty when the picture is null.
QByteArray pngBytes(const QImage& image);

} // namespace cut
