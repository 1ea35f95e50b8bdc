#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>

namespace cut {

// The Tiled tileset of the result, as the file `tsxPath` beside the map
// `tmxPath` holds it: an image tileset on the atlas when the result has one,
// else a collection of images, one for each tile's file; paths relative to the
// tileset's folder.
QByteArray tilesetXml(const CutResult& result, const QString& tmxPath, const QString& tsxPath);

// The Tiled map `tmxPath`: one layer of the result's cells, on the tileset
// `tsxPath` from global id 1.
QByteArray mapXml(const CutResult& result, const QString& tmxPath, const QString& tsxPath);

} // namespace cut
