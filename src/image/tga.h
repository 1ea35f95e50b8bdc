#pragma once

#include <QByteArray>
#include <QImage>

namespace platform {

// Whether the first bytes of a file make a sound Truevision TGA header (TGA has
// no signature, so every field must hold a value the format allows).
bool looksLikeTga(const QByteArray& head);

// Reads a TGA picture with or without the version-2 footer: colour-mapped (types
// 1, 9), true-colour (2, 10) and grey (3, 11), uncompressed or run-length encoded,
// stored from the bottom or the top row and from either side. True colour may
// have 15, 16, 24 or 32 bits a pixel, a colour map 15 to 32 bits an entry.
// Throws PlatformError for a file that is not such a picture or is cut short.
QImage readTga(const QByteArray& bytes);

} // namespace platform
