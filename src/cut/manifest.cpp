#include "manifest.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <climits>
#include <map>
#include <set>
#include <unordered_map>

namespace cut {

namespace {

const QString kFormat = QStringLiteral("orvane-cut");
constexpr int kVersion = 1;
constexpr std::uint32_t kFlipFlags = kTiledFlipH | kTiledFlipV | kTiledFlipD;

// A failed check of the manifest, with what is wrong.
struct Invalid {
    QString what;
};

// A whole number in [low, high] at `key` of the object, or Invalid.
qint64 wholeNumber(const QJsonObject& object, const QString& where, const QString& key, qint64 low,
                   qint64 high) {
    const QJsonValue value = object.value(key);
    const double d = value.toDouble(-1.0);
    if (!value.isDouble() || d != double(qint64(d)) || d < double(low) || d > double(high))
        throw Invalid{QStringLiteral("%1 \"%2\" is not a whole number from %3 to %4.")
                          .arg(where, key)
                          .arg(low)
                          .arg(high)};
    return qint64(d);
}

int count(const QJsonObject& object, const QString& where, const QString& key, int low) {
    return int(wholeNumber(object, where, key, low, INT_MAX));
}

QString text(const QJsonObject& object, const QString& where, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isString() || value.toString().isEmpty())
        throw Invalid{QStringLiteral("%1 \"%2\" is not a name.").arg(where, key)};
    return value.toString();
}

QJsonObject member(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isObject())
        throw Invalid{QStringLiteral("\"%1\" is missing.").arg(key)};
    return value.toObject();
}

QJsonArray list(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        throw Invalid{QStringLiteral("\"%1\" is not a list.").arg(key)};
    return value.toArray();
}

// The sprites of a cut of sprites, and the tiles they show.
void parseSprites(const QJsonObject& root, Manifest& m) {
    m.ofSprites = true;
    if (root.contains(QStringLiteral("pad"))) {
        const QJsonObject pad = member(root, QStringLiteral("pad"));
        const QString in = QStringLiteral("The pad's");
        m.pad = QSize(count(pad, in, QStringLiteral("width"), 1),
                      count(pad, in, QStringLiteral("height"), 1));
    }
    if (root.contains(QStringLiteral("atlas")))
        m.atlasFile = text(member(root, QStringLiteral("atlas")), QStringLiteral("The atlas's"),
                           QStringLiteral("file"));
    const QRect sheet(QPoint(0, 0), m.sheetSize);
    std::map<int, ManifestTile> tiles;
    const QJsonArray sprites = list(root, QStringLiteral("sprites"));
    for (qsizetype i = 0; i < sprites.size(); ++i) {
        if (!sprites[i].isObject())
            throw Invalid{QStringLiteral("Sprite %1 is not an object.").arg(i + 1)};
        const QJsonObject o = sprites[i].toObject();
        const QString in = QStringLiteral("Sprite %1's").arg(i + 1);
        ManifestSprite sprite;
        sprite.id = int(wholeNumber(o, in, QStringLiteral("id"), 0, 0x1FFFFFFE));
        sprite.rect = QRect(
            count(o, in, QStringLiteral("x"), 0), count(o, in, QStringLiteral("y"), 0),
            count(o, in, QStringLiteral("width"), 1), count(o, in, QStringLiteral("height"), 1));
        if (!sheet.contains(sprite.rect))
            throw Invalid{QStringLiteral("Sprite %1 does not lie inside the sheet.").arg(i + 1)};
        if (o.contains(QStringLiteral("flags"))) {
            sprite.flags = std::uint32_t(wholeNumber(o, in, QStringLiteral("flags"), 0, UINT_MAX));
            if (sprite.flags & ~kFlipFlags)
                throw Invalid{QStringLiteral("%1 \"flags\" are not Tiled's flip flags.").arg(in)};
        }
        if (m.pad.isValid() &&
            (sprite.rect.width() > m.pad.width() || sprite.rect.height() > m.pad.height()))
            throw Invalid{QStringLiteral("Sprite %1 is larger than the pad.").arg(i + 1)};
        if (m.hasAtlas())
            sprite.atlasOrigin = QPoint(count(o, in, QStringLiteral("ax"), 0),
                                        count(o, in, QStringLiteral("ay"), 0));
        else
            sprite.file = text(o, in, QStringLiteral("file"));
        const QSize stored = m.pad.isValid()
                                 ? m.pad
                                 : transformedSize(sprite.rect.size(), gidTransform(sprite.flags));
        const ManifestTile tile{sprite.id, sprite.file, sprite.atlasOrigin, stored};
        const auto [known, added] = tiles.emplace(sprite.id, tile);
        if (!added &&
            (known->second.file != tile.file || known->second.atlasOrigin != tile.atlasOrigin ||
             known->second.size != tile.size))
            throw Invalid{QStringLiteral("Sprite %1 shows tile %2 unlike an earlier sprite.")
                              .arg(i + 1)
                              .arg(sprite.id)};
        m.sprites.push_back(sprite);
    }
    for (const auto& [id, tile] : tiles)
        m.tiles.push_back(tile);
}

Manifest parse(const QJsonObject& root) {
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        throw Invalid{QStringLiteral("It is not an orvane-cut manifest.")};
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (version.toDouble() != kVersion)
        throw Invalid{QStringLiteral("Its version is not 1.")};

    Manifest m;
    const QJsonObject sheet = member(root, QStringLiteral("sheet"));
    const QString inSheet = QStringLiteral("The sheet's");
    // A pasted sheet has no file: "file" is left out (null, or the empty name
    // earlier versions wrote, mean the same).
    const QJsonValue sheetFile = sheet.value(QStringLiteral("file"));
    const bool noFile = sheetFile.isUndefined() || sheetFile.isNull() ||
                        (sheetFile.isString() && sheetFile.toString().isEmpty());
    if (!noFile)
        m.sheetFile = text(sheet, inSheet, QStringLiteral("file"));
    m.sheetSize = QSize(count(sheet, inSheet, QStringLiteral("width"), 1),
                        count(sheet, inSheet, QStringLiteral("height"), 1));
    if (root.contains(QStringLiteral("region"))) {
        const QJsonObject region = member(root, QStringLiteral("region"));
        const QString in = QStringLiteral("The region's");
        m.region = QRect(count(region, in, QStringLiteral("x"), 0),
                         count(region, in, QStringLiteral("y"), 0),
                         count(region, in, QStringLiteral("width"), 1),
                         count(region, in, QStringLiteral("height"), 1));
        if (!QRect(QPoint(0, 0), m.sheetSize).contains(m.region))
            throw Invalid{QStringLiteral("The region does not lie inside the sheet.")};
    }
    if (root.contains(QStringLiteral("sprites"))) {
        parseSprites(root, m);
        return m;
    }

    const QJsonObject grid = member(root, QStringLiteral("grid"));
    const QString inGrid = QStringLiteral("The grid's");
    m.shape.tileWidth = count(grid, inGrid, QStringLiteral("tileWidth"), 1);
    m.shape.tileHeight = count(grid, inGrid, QStringLiteral("tileHeight"), 1);
    m.shape.margin = count(grid, inGrid, QStringLiteral("margin"), 0);
    m.shape.spacing = count(grid, inGrid, QStringLiteral("spacing"), 0);
    m.columns = count(grid, inGrid, QStringLiteral("columns"), 0);
    m.rows = count(grid, inGrid, QStringLiteral("rows"), 0);
    const QSize cutSize = m.region.isNull() ? m.sheetSize : m.region.size();
    const Grid laid = layoutGrid(cutSize, m.shape);
    if (!gridProblem(cutSize, m.shape).isEmpty() || laid.columns != m.columns ||
        laid.rows != m.rows)
        throw Invalid{QStringLiteral("The grid does not fit the sheet.")};

    if (root.contains(QStringLiteral("atlas"))) {
        const QJsonObject atlas = member(root, QStringLiteral("atlas"));
        const QString in = QStringLiteral("The atlas's");
        m.atlasFile = text(atlas, in, QStringLiteral("file"));
        m.atlasColumns = count(atlas, in, QStringLiteral("columns"), 1);
        m.extrude = count(atlas, in, QStringLiteral("extrude"), 0);
    }

    std::set<int> ids;
    const QJsonArray tiles = list(root, QStringLiteral("tiles"));
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        if (!tiles[i].isObject())
            throw Invalid{QStringLiteral("Tile %1 is not an object.").arg(i + 1)};
        const QJsonObject t = tiles[i].toObject();
        const QString in = QStringLiteral("Tile %1's").arg(i + 1);
        ManifestTile tile;
        tile.id = int(wholeNumber(t, in, QStringLiteral("id"), 0, 0x1FFFFFFE));
        if (!ids.insert(tile.id).second)
            throw Invalid{QStringLiteral("The id %1 is listed twice.").arg(tile.id)};
        if (m.hasAtlas())
            tile.atlasOrigin =
                QPoint(count(t, in, QStringLiteral("x"), 0), count(t, in, QStringLiteral("y"), 0));
        else
            tile.file = text(t, in, QStringLiteral("file"));
        m.tiles.push_back(tile);
    }

    const QJsonArray cells = list(root, QStringLiteral("cells"));
    if (cells.size() != qsizetype(m.columns) * m.rows)
        throw Invalid{QStringLiteral("There are %1 cells for a grid of %2.")
                          .arg(cells.size())
                          .arg(qint64(m.columns) * m.rows)};
    m.cells.reserve(std::size_t(cells.size()));
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const double d = cells[i].toDouble(-1.0);
        if (!cells[i].isDouble() || d < 0 || d > 4294967295.0 || d != double(qint64(d)))
            throw Invalid{QStringLiteral("Cell %1 is not a tile number.").arg(i + 1)};
        const auto gid = std::uint32_t(qint64(d));
        if (gid != 0 && !ids.count(gidTile(gid)))
            throw Invalid{QStringLiteral("Cell %1 shows a tile that is not listed.").arg(i + 1)};
        m.cells.push_back(gid);
    }
    return m;
}

} // namespace

Manifest manifestOf(const CutResult& result, const QString& manifestPath) {
    const QDir base = QFileInfo(manifestPath).absoluteDir();
    const auto relative = [&](const QString& path) {
        return base.relativeFilePath(QFileInfo(path).absoluteFilePath());
    };
    Manifest m;
    if (!result.sheetPath.isEmpty())
        m.sheetFile = relative(result.sheetPath);
    m.sheetSize = result.sheetSize;
    m.region = result.region;
    if (result.ofSprites) {
        m.ofSprites = true;
        m.pad = result.pad;
        if (result.atlas)
            m.atlasFile = relative(result.atlas->path);
        std::unordered_map<int, const StoredTile*> byId;
        for (const StoredTile& tile : result.tiles) {
            byId.emplace(tile.id, &tile);
            m.tiles.push_back(ManifestTile{tile.id, result.atlas ? QString() : relative(tile.file),
                                           tile.atlasOrigin, tile.pixels.size()});
        }
        for (std::size_t i = 0; i < result.sprites.size(); ++i) {
            const std::uint32_t gid = result.cells[i];
            const StoredTile& tile = *byId.at(gidTile(gid));
            m.sprites.push_back(ManifestSprite{tile.id, result.sprites[i], gid & kFlipFlags,
                                               result.atlas ? QString() : relative(tile.file),
                                               tile.atlasOrigin});
        }
        return m;
    }
    m.shape = result.grid.shape;
    m.columns = result.grid.columns;
    m.rows = result.grid.rows;
    if (result.atlas) {
        m.atlasFile = relative(result.atlas->path);
        m.atlasColumns = result.atlas->layout.columns;
        m.extrude = result.atlas->layout.extrude;
    }
    for (const StoredTile& tile : result.tiles) {
        ManifestTile t;
        t.id = tile.id;
        if (result.atlas)
            t.atlasOrigin = result.atlas->layout.origin(tile.id);
        else
            t.file = relative(tile.file);
        m.tiles.push_back(t);
    }
    m.cells = result.cells;
    return m;
}

QByteArray manifestJson(const Manifest& m) {
    QJsonObject root;
    root.insert(QStringLiteral("format"), kFormat);
    root.insert(QStringLiteral("version"), kVersion);
    QJsonObject sheet{{QStringLiteral("width"), m.sheetSize.width()},
                      {QStringLiteral("height"), m.sheetSize.height()}};
    if (!m.sheetFile.isEmpty())
        sheet.insert(QStringLiteral("file"), m.sheetFile);
    root.insert(QStringLiteral("sheet"), sheet);
    if (!m.region.isNull())
        root.insert(QStringLiteral("region"),
                    QJsonObject{{QStringLiteral("x"), m.region.x()},
                                {QStringLiteral("y"), m.region.y()},
                                {QStringLiteral("width"), m.region.width()},
                                {QStringLiteral("height"), m.region.height()}});
    if (m.ofSprites) {
        if (m.pad.isValid())
            root.insert(QStringLiteral("pad"),
                        QJsonObject{{QStringLiteral("width"), m.pad.width()},
                                    {QStringLiteral("height"), m.pad.height()}});
        if (m.hasAtlas())
            root.insert(QStringLiteral("atlas"),
                        QJsonObject{{QStringLiteral("file"), m.atlasFile}});
        QJsonArray sprites;
        for (const ManifestSprite& sprite : m.sprites) {
            QJsonObject o{{QStringLiteral("id"), sprite.id},
                          {QStringLiteral("x"), sprite.rect.x()},
                          {QStringLiteral("y"), sprite.rect.y()},
                          {QStringLiteral("width"), sprite.rect.width()},
                          {QStringLiteral("height"), sprite.rect.height()}};
            if (m.hasAtlas()) {
                o.insert(QStringLiteral("ax"), sprite.atlasOrigin.x());
                o.insert(QStringLiteral("ay"), sprite.atlasOrigin.y());
            } else {
                o.insert(QStringLiteral("file"), sprite.file);
            }
            if (sprite.flags)
                o.insert(QStringLiteral("flags"), double(sprite.flags));
            sprites.append(o);
        }
        root.insert(QStringLiteral("sprites"), sprites);
        return QJsonDocument(root).toJson(QJsonDocument::Indented);
    }
    root.insert(QStringLiteral("grid"),
                QJsonObject{{QStringLiteral("tileWidth"), m.shape.tileWidth},
                            {QStringLiteral("tileHeight"), m.shape.tileHeight},
                            {QStringLiteral("margin"), m.shape.margin},
                            {QStringLiteral("spacing"), m.shape.spacing},
                            {QStringLiteral("columns"), m.columns},
                            {QStringLiteral("rows"), m.rows}});
    QJsonArray tiles;
    for (const ManifestTile& tile : m.tiles) {
        if (m.hasAtlas())
            tiles.append(QJsonObject{{QStringLiteral("id"), tile.id},
                                     {QStringLiteral("x"), tile.atlasOrigin.x()},
                                     {QStringLiteral("y"), tile.atlasOrigin.y()}});
        else
            tiles.append(
                QJsonObject{{QStringLiteral("id"), tile.id}, {QStringLiteral("file"), tile.file}});
    }
    root.insert(QStringLiteral("tiles"), tiles);
    if (m.hasAtlas())
        root.insert(QStringLiteral("atlas"),
                    QJsonObject{{QStringLiteral("file"), m.atlasFile},
                                {QStringLiteral("columns"), m.atlasColumns},
                                {QStringLiteral("extrude"), m.extrude}});
    QJsonArray cells;
    for (std::uint32_t gid : m.cells)
        cells.append(double(gid));
    root.insert(QStringLiteral("cells"), cells);
    // One value a line, so that the cells of two cuts compare line by line.
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Manifest> parseManifest(const QByteArray& bytes, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    try {
        if (document.isNull())
            throw Invalid{QStringLiteral("It is not JSON: %1 at byte %2.")
                              .arg(parseError.errorString())
                              .arg(parseError.offset)};
        if (!document.isObject())
            throw Invalid{QStringLiteral("It is not an orvane-cut manifest.")};
        return parse(document.object());
    } catch (const Invalid& invalid) {
        if (error)
            *error = invalid.what;
        return std::nullopt;
    }
}

std::vector<EarlierTile> earlierTiles(const Manifest& manifest, const QString& folder,
                                      const std::function<QImage(const QString& path)>& load) {
    const QSize gridSize(manifest.shape.tileWidth, manifest.shape.tileHeight);
    const QDir base(folder);
    std::vector<EarlierTile> tiles;
    QImage atlas;
    if (manifest.hasAtlas())
        atlas = load(base.filePath(manifest.atlasFile)).convertToFormat(QImage::Format_ARGB32);
    for (const ManifestTile& tile : manifest.tiles) {
        const QSize size = tile.size.isValid() ? tile.size : gridSize;
        EarlierTile earlier{tile.id, QString(), QImage()};
        if (manifest.hasAtlas()) {
            const QRect place(tile.atlasOrigin, size);
            if (!atlas.isNull() && atlas.rect().contains(place))
                earlier.pixels = atlas.copy(place);
        } else {
            earlier.file = base.filePath(tile.file);
            earlier.pixels = load(earlier.file).convertToFormat(QImage::Format_ARGB32);
        }
        if (earlier.pixels.size() != size)
            earlier.pixels = QImage();
        tiles.push_back(earlier);
    }
    return tiles;
}

} // namespace cut
