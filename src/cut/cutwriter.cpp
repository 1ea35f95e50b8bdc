#include "cutwriter.h"

#include "manifest.h"
#include "png.h"
#include "tiled.h"

#include <QDir>
#include <QFileInfo>

namespace cut {

NumberedFilesWriter::NumberedFilesWriter(TileEncoder encode)
    : encode_(encode ? std::move(encode) : TileEncoder(pngBytes)) {}

QString NumberedFilesWriter::name() const {
    return QStringLiteral("tiles");
}

QList<OutputFile> NumberedFilesWriter::files(const CutResult& result) const {
    QList<OutputFile> files;
    for (const StoredTile& tile : result.tiles) {
        // A kept tile's file is the earlier cut's, left as it is.
        if (tile.file.isEmpty() || tile.kept)
            continue;
        files.append(OutputFile{tile.file, [&result, tile, encode = encode_] {
                                    return encode(storedImage(result, tile));
                                }});
    }
    return files;
}

QString AtlasWriter::name() const {
    return QStringLiteral("atlas");
}

QList<OutputFile> AtlasWriter::files(const CutResult& result) const {
    if (!result.atlas)
        return {};
    return {OutputFile{result.atlas->path, [&result] { return pngBytes(composeAtlas(result)); }}};
}

TiledWriter::TiledWriter(QString tmxPath)
    : tmxPath_(std::move(tmxPath)) {}

QString TiledWriter::name() const {
    return QStringLiteral("tiled");
}

QString TiledWriter::tilesetPath(const QString& tmxPath) {
    const QFileInfo info(tmxPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".tsx"));
}

QList<OutputFile> TiledWriter::files(const CutResult& result) const {
    const QString tmx = tmxPath_;
    const QString tsx = tilesetPath(tmx);
    return {OutputFile{tsx, [&result, tmx, tsx] { return tilesetXml(result, tmx, tsx); }},
            OutputFile{tmx, [&result, tmx, tsx] { return mapXml(result, tmx, tsx); }}};
}

ManifestWriter::ManifestWriter(QString path)
    : path_(std::move(path)) {}

QString ManifestWriter::name() const {
    return QStringLiteral("manifest");
}

QList<OutputFile> ManifestWriter::files(const CutResult& result) const {
    const QString path = path_;
    return {OutputFile{path, [&result, path] { return manifestJson(manifestOf(result, path)); }}};
}

} // namespace cut
