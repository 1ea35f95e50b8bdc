#include "writer.h"

#include "system/errors.h"
#include "system/numtext.h"
#include "image/picture.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <optional>

namespace cut {

namespace {

QString groups(int n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

QString tilePath(const Output& output, int index) {
    return QDir(output.folder).filePath(tileFileName(output.start + index, output.format));
}

// The same tile in every file: from the sheet's pixels, a copy of its own.
QImage tileImage(const QImage& sheet, const Plan& plan, int tile) {
    return sheet.copy(plan.grid.cell(plan.tileCells[std::size_t(tile)]));
}

void commitXml(QSaveFile& file) {
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw platform::PlatformError(reason);
    }
    if (!file.commit())
        throw platform::PlatformError(file.errorString());
}

} // namespace

QString tileFileName(int number, Format format) {
    return platform::format(number, QStringLiteral("000")) +
           (format == Format::Png ? QStringLiteral(".png") : QStringLiteral(".bmp"));
}

int numbersLeft(int start) {
    return start > kLastNumber ? 0 : kLastNumber + 1 - start;
}

QString tilesetPathFor(const QString& tmxPath) {
    const QFileInfo info(tmxPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".tsx"));
}

QStringList targetFiles(const Plan& plan, const Output& output) {
    QStringList files;
    for (int i = 0; i < plan.tileCount(); ++i)
        files << tilePath(output, i);
    if (!output.tmxPath.isEmpty())
        files << output.tmxPath << tilesetPathFor(output.tmxPath);
    return files;
}

QStringList existingFiles(const QStringList& files) {
    QStringList existing;
    for (const QString& file : files) {
        if (QFileInfo::exists(file))
            existing << file;
    }
    return existing;
}

QString tooFewNumbersMessage(int tiles, int start) {
    const int left = numbersLeft(start);
    if (tiles <= left)
        return {};
    return QStringLiteral("%1 tiles to write, but only %2 numbers are left up to 999.")
        .arg(groups(tiles), groups(left));
}

QString replaceQuestion(const QStringList& existing) {
    const QString first = QFileInfo(existing.value(0)).fileName();
    if (existing.size() == 1)
        return QStringLiteral("%1 already exists. Replace it?").arg(first);
    return QStringLiteral("%1 of the files to write already exist (%2 among them). Replace them?")
        .arg(groups(int(existing.size())), first);
}

QString countLine(const Plan& plan, int start, Format format) {
    QString line = QStringLiteral("%1 cells: %2 blank, %3 duplicates, %4 tiles to write")
                       .arg(groups(plan.grid.cellCount()), groups(plan.blank),
                            groups(plan.duplicates), groups(plan.tileCount()));
    if (plan.tileCount() > 0)
        line += QStringLiteral(", %1 to %2")
                    .arg(tileFileName(start, format),
                         tileFileName(start + plan.tileCount() - 1, format));
    if (plan.grid.partialCells > 0)
        line +=
            QStringLiteral(" (%1 cells at the edges left out)").arg(groups(plan.grid.partialCells));
    return line;
}

Outcome writeCut(const QImage& sheet, const Plan& plan, const Output& output,
                 const Progress& progress) {
    Outcome outcome;
    outcome.nextCounter = output.start;
    const int total = plan.tileCount();
    std::optional<platform::BitmapCutter> bitmaps;
    for (int i = 0; i < total; ++i) {
        const QString path = tilePath(output, i);
        try {
            if (output.format == Format::Png) {
                platform::savePictureWithAlpha(tileImage(sheet, plan, i), path);
            } else {
                if (!bitmaps)
                    bitmaps.emplace(sheet);
                const QRect cell = plan.grid.cell(plan.tileCells[std::size_t(i)]);
                platform::writeFileWhole(path, bitmaps->encode(cell), false);
            }
        } catch (const platform::PlatformError& error) {
            outcome.failedFile = path;
            outcome.reason = QString::fromStdString(error.what());
            return outcome;
        }
        ++outcome.written;
        ++outcome.nextCounter;
        if (progress && !progress(outcome.written, total) && outcome.written < total) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    if (!output.tmxPath.isEmpty()) {
        // The tileset first: a map is of no use without it.
        QString path = tilesetPathFor(output.tmxPath);
        try {
            writeTileset(plan, output);
            path = output.tmxPath;
            writeMap(plan, output);
        } catch (const platform::PlatformError& error) {
            outcome.failedFile = path;
            outcome.reason = QString::fromStdString(error.what());
        }
    }
    return outcome;
}

void writeTileset(const Plan& plan, const Output& output) {
    const GridSpec& shape = plan.grid.shape;
    const QString tsxPath = tilesetPathFor(output.tmxPath);
    const QFileInfo tsxInfo(tsxPath);
    const QString name = QFileInfo(output.tmxPath).completeBaseName();

    QSaveFile tsx(tsxPath);
    if (!tsx.open(QIODevice::WriteOnly))
        throw platform::PlatformError(tsx.errorString());
    {
        QXmlStreamWriter xml(&tsx);
        xml.setAutoFormatting(true);
        xml.setAutoFormattingIndent(1);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("tileset"));
        xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.8"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("tilewidth"), QString::number(shape.tileWidth));
        xml.writeAttribute(QStringLiteral("tileheight"), QString::number(shape.tileHeight));
        xml.writeAttribute(QStringLiteral("tilecount"), QString::number(plan.tileCount()));
        xml.writeAttribute(QStringLiteral("columns"), QStringLiteral("0"));
        xml.writeStartElement(QStringLiteral("grid"));
        xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
        xml.writeAttribute(QStringLiteral("width"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("height"), QStringLiteral("1"));
        xml.writeEndElement();
        const QDir base = tsxInfo.absoluteDir();
        for (int i = 0; i < plan.tileCount(); ++i) {
            xml.writeStartElement(QStringLiteral("tile"));
            xml.writeAttribute(QStringLiteral("id"), QString::number(i));
            xml.writeStartElement(QStringLiteral("image"));
            xml.writeAttribute(QStringLiteral("width"), QString::number(shape.tileWidth));
            xml.writeAttribute(QStringLiteral("height"), QString::number(shape.tileHeight));
            xml.writeAttribute(
                QStringLiteral("source"),
                base.relativeFilePath(QFileInfo(tilePath(output, i)).absoluteFilePath()));
            xml.writeEndElement();
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndDocument();
    }
    commitXml(tsx);
}

void writeMap(const Plan& plan, const Output& output) {
    const GridSpec& shape = plan.grid.shape;
    const QFileInfo tsxInfo(tilesetPathFor(output.tmxPath));
    const QString name = QFileInfo(output.tmxPath).completeBaseName();
    QSaveFile tmx(output.tmxPath);
    if (!tmx.open(QIODevice::WriteOnly))
        throw platform::PlatformError(tmx.errorString());
    {
        const Grid& grid = plan.grid;
        QXmlStreamWriter xml(&tmx);
        xml.setAutoFormatting(true);
        xml.setAutoFormattingIndent(1);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("map"));
        xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.8"));
        xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
        xml.writeAttribute(QStringLiteral("renderorder"), QStringLiteral("right-down"));
        xml.writeAttribute(QStringLiteral("width"), QString::number(grid.columns));
        xml.writeAttribute(QStringLiteral("height"), QString::number(grid.rows));
        xml.writeAttribute(QStringLiteral("tilewidth"), QString::number(shape.tileWidth));
        xml.writeAttribute(QStringLiteral("tileheight"), QString::number(shape.tileHeight));
        xml.writeAttribute(QStringLiteral("infinite"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("nextlayerid"), QStringLiteral("2"));
        xml.writeAttribute(QStringLiteral("nextobjectid"), QStringLiteral("1"));
        xml.writeStartElement(QStringLiteral("tileset"));
        xml.writeAttribute(QStringLiteral("firstgid"), QStringLiteral("1"));
        xml.writeAttribute(
            QStringLiteral("source"),
            QFileInfo(output.tmxPath).absoluteDir().relativeFilePath(tsxInfo.absoluteFilePath()));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("layer"));
        xml.writeAttribute(QStringLiteral("id"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("width"), QString::number(grid.columns));
        xml.writeAttribute(QStringLiteral("height"), QString::number(grid.rows));
        xml.writeStartElement(QStringLiteral("data"));
        xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("csv"));
        QString csv = QStringLiteral("\n");
        for (int row = 0; row < grid.rows; ++row) {
            for (int column = 0; column < grid.columns; ++column) {
                const Placement& p = plan.placements[std::size_t(row * grid.columns + column)];
                // Tile numbers in a layer start at the tileset's first one, 1; 0 is no tile.
                const std::uint32_t gid =
                    p.tile < 0 ? 0u : (std::uint32_t(p.tile) + 1u) | tiledFlags(p.transform);
                csv += QString::number(gid);
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
    }
    commitXml(tmx);
}

} // namespace cut
