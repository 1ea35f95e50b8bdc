#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include <array>
#include <cstdint>

namespace cut {

// One of the eight ways to turn or flip a tile, in Tiled's terms: the diagonal
// flip (x and y swapped) first, then the horizontal flip, then the vertical one.
using Transform = std::uint8_t;

inline constexpr Transform kFlipH = 1;
inline constexpr Transform kFlipV = 2;
inline constexpr Transform kFlipD = 4;

inline constexpr Transform kIdentity = 0;
inline constexpr Transform kRotate90 = kFlipD | kFlipH; // clockwise
inline constexpr Transform kRotate180 = kFlipH | kFlipV;
inline constexpr Transform kRotate270 = kFlipD | kFlipV;

// Every transform, the identity first.
inline constexpr std::array<Transform, 8> kAllTransforms = {0, 1, 2, 3, 4, 5, 6, 7};

// Tiled's flags on a tile number in a map layer.
inline constexpr std::uint32_t kTiledFlipH = 0x80000000u;
inline constexpr std::uint32_t kTiledFlipV = 0x40000000u;
inline constexpr std::uint32_t kTiledFlipD = 0x20000000u;

std::uint32_t tiledFlags(Transform t);

// The size of a tile of `size` once transformed.
inline QSize transformedSize(QSize size, Transform t) {
    return (t & kFlipD) ? size.transposed() : size;
}

// The pixel of the source tile (of size `source`) that the transformed tile
// shows at (x, y).
inline QPoint sourcePixel(Transform t, QSize source, int x, int y) {
    const QSize result = transformedSize(source, t);
    if (t & kFlipV)
        y = result.height() - 1 - y;
    if (t & kFlipH)
        x = result.width() - 1 - x;
    return (t & kFlipD) ? QPoint(y, x) : QPoint(x, y);
}

// The tile as it shows under the transform.
QImage transformed(const QImage& tile, Transform t);

} // namespace cut
