#pragma once

#include "result.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace cut {

// One file a writer makes: where it goes, and its bytes, made only when asked
// for, so that every target can be checked before the first picture is encoded.
struct OutputFile {
    QString path;
    std::function<QByteArray()> bytes;
};

// One kind of output of a cut. A writer only says which files it makes and what
// they hold; it never opens a file nor speaks to the user: the files of every
// writer of a cut are checked and written together by the one file writer.
class CutWriter {
public:
    virtual ~CutWriter() = default;
    // A short name for the kind of output: "tiles", "atlas", "tiled", "manifest".
    virtual QString name() const = 0;
    // The files in the order they are best written; the result must outlive them.
    virtual QList<OutputFile> files(const CutResult& result) const = 0;
};

using TileEncoder = std::function<QByteArray(const QImage& tile)>;

// Each tile that has a file of its own (nameTileFiles) and does not keep an
// earlier cut's, in id order, encoded as
// `encode` says (pngBytes unless told).
class NumberedFilesWriter : public CutWriter {
public:
    explicit NumberedFilesWriter(TileEncoder encode = {});
    QString name() const override;
    QList<OutputFile> files(const CutResult& result) const override;

private:
    TileEncoder encode_;
};

// The atlas (placeInAtlas) as one PNG; nothing when the result has none.
class AtlasWriter : public CutWriter {
public:
    QString name() const override;
    QList<OutputFile> files(const CutResult& result) const override;
};

// A Tiled map of the cells and its tileset beside it (the map's name with
// ".tsx"): the tileset first, since a map is of no use without it.
class TiledWriter : public CutWriter {
public:
    explicit TiledWriter(QString tmxPath);
    QString name() const override;
    QList<OutputFile> files(const CutResult& result) const override;

    // The tileset written beside a map.
    static QString tilesetPath(const QString& tmxPath);

private:
    QString tmxPath_;
};

// The manifest as JSON.
class ManifestWriter : public CutWriter {
public:
    explicit ManifestWriter(QString path);
    QString name() const override;
    QList<OutputFile> files(const CutResult& result) const override;

private:
    QString path_;
};

} // namespace cut
