#include "tiled.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QXmlStreamWriter>

namespace cut {

namespace {

// Tiled's own layout: one space a level.
void startDocument(QXmlStreamWriter& xml) {
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
}

QString number(int n) {
    return QString::number(n);
}

} // namespace

QByteArray tilesetXml(const CutResult& result, const QString& tmxPath, const QString& tsxPath) {
    const GridSpec& shape = result.grid.shape;
    const QDir base = QFileInfo(tsxPath).absoluteDir();
    const auto relative = [&](const QString& path) {
        return base.relativeFilePath(QFileInfo(path).absoluteFilePath());
    };
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    startDocument(xml);
    xml.writeStartElement(QStringLiteral("tileset"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.8"));
    xml.writeAttribute(QStringLiteral("name"), QFileInfo(tmxPath).completeBaseName());
    xml.writeAttribute(QStringLiteral("tilewidth"), number(shape.tileWidth));
    xml.writeAttribute(QStringLiteral("tileheight"), number(shape.tileHeight));
    if (result.atlas) {
        const AtlasLayout& layout = result.atlas->layout;
        xml.writeAttribute(QStringLiteral("spacing"), number(layout.spacing()));
        xml.writeAttribute(QStringLiteral("margin"), number(layout.margin()));
        xml.writeAttribute(QStringLiteral("tilecount"), number(layout.columns * layout.rows));
        xml.writeAttribute(QStringLiteral("columns"), number(layout.columns));
        xml.writeStartElement(QStringLiteral("image"));
        xml.writeAttribute(QStringLiteral("source"), relative(result.atlas->path));
        xml.writeAttribute(QStringLiteral("width"), number(layout.imageSize().width()));
        xml.writeAttribute(QStringLiteral("height"), number(layout.imageSize().height()));
        xml.writeEndElement();
    } else {
        xml.writeAttribute(QStringLiteral("tilecount"), number(int(result.tiles.size())));
        xml.writeAttribute(QStringLiteral("columns"), QStringLiteral("0"));
        xml.writeStartElement(QStringLiteral("grid"));
        xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
        xml.writeAttribute(QStringLiteral("width"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("height"), QStringLiteral("1"));
        xml.writeEndElement();
        for (const StoredTile& tile : result.tiles) {
            xml.writeStartElement(QStringLiteral("tile"));
            xml.writeAttribute(QStringLiteral("id"), number(tile.id));
            xml.writeStartElement(QStringLiteral("image"));
            xml.writeAttribute(QStringLiteral("width"), number(shape.tileWidth));
            xml.writeAttribute(QStringLiteral("height"), number(shape.tileHeight));
            xml.writeAttribute(QStringLiteral("source"), relative(tile.file));
            xml.writeEndElement();
            xml.writeEndElement();
        }
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray mapXml(const CutResult& result, const QString& tmxPath, const QString& tsxPath) {
    const Grid& grid = result.grid;
    const GridSpec& shape = grid.shape;
    const QFileInfo tmxInfo(tmxPath);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    startDocument(xml);
    xml.writeStartElement(QStringLiteral("map"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.8"));
    xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
    xml.writeAttribute(QStringLiteral("renderorder"), QStringLiteral("right-down"));
    xml.writeAttribute(QStringLiteral("width"), number(grid.columns));
    xml.writeAttribute(QStringLiteral("height"), number(grid.rows));
    xml.writeAttribute(QStringLiteral("tilewidth"), number(shape.tileWidth));
    xml.writeAttribute(QStringLiteral("tileheight"), number(shape.tileHeight));
    xml.writeAttribute(QStringLiteral("infinite"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("nextlayerid"), QStringLiteral("2"));
    xml.writeAttribute(QStringLiteral("nextobjectid"), QStringLiteral("1"));
    xml.writeStartElement(QStringLiteral("tileset"));
    xml.writeAttribute(QStringLiteral("firstgid"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("source"), tmxInfo.absoluteDir().relativeFilePath(
                                                     QFileInfo(tsxPath).absoluteFilePath()));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("layer"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("name"), tmxInfo.completeBaseName());
    xml.writeAttribute(QStringLiteral("width"), number(grid.columns));
    xml.writeAttribute(QStringLiteral("height"), number(grid.rows));
    xml.writeStartElement(QStringLiteral("data"));
    xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("csv"));
    QString csv = QStringLiteral("\n");
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            csv += QString::number(result.cells[std::size_t(row * grid.columns + column)]);
            if (row + 1 < grid.rows || column + 1 < grid.columns)
                csv += u',';
        }
        csv += u'\n';
    }
    xml.writeCharacters(csv);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace cut
