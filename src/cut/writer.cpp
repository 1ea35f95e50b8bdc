#include "writer.h"

#include "system/errors.h"
#include "system/numtext.h"
#include "image/picture.h"
#include "system/nativefs.h"
#include "system/wholefile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QXmlStreamWriter>

#include <optional>
#include <vector>

namespace cut {

namespace {

QString groups(int n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// "1 cell", "1,024 cells".
QString counted(int n, const QString& one, const QString& many) {
    return groups(n) + u' ' + (n == 1 ? one : many);
}

QString tilePath(const Output& output, int index) {
    return QDir(output.folder).filePath(tileFileName(output.start + index, output.format));
}

// The same tile in every file: from the sheet's pixels, a copy of its own.
QImage tileImage(const QImage& sheet, const Plan& plan, int tile) {
    return sheet.copy(plan.grid.cell(plan.tileCells[std::size_t(tile)]));
}

// The folder part and the name of a path, by its text alone: "." for a bare name.
QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// A name as a message shows it: control characters would act on the terminal.
QString printable(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return QDir::toNativeSeparators(text);
}

QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString errorText(const platform::PlatformError& error) {
    return QString::fromStdString(error.what());
}

void startXml(QXmlStreamWriter& xml) {
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
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
        if (platform::nameTaken(file))
            existing << file;
    }
    return existing;
}

QString tooFewNumbersMessage(int tiles, int start) {
    const int left = numbersLeft(start);
    if (tiles <= left)
        return {};
    return QStringLiteral("%1 to write, but only %2 left up to 999.")
        .arg(counted(tiles, QStringLiteral("tile"), QStringLiteral("tiles")),
             left == 1 ? QStringLiteral("1 number is")
                       : groups(left) + QStringLiteral(" numbers are"));
}

QString replaceQuestion(const QStringList& existing) {
    const QString first = QFileInfo(existing.value(0)).fileName();
    if (existing.size() == 1)
        return QStringLiteral("%1 already exists. Replace it?").arg(first);
    return QStringLiteral("%1 of the files to write already exist (%2 among them). Replace them?")
        .arg(groups(int(existing.size())), first);
}

QString countLine(const Plan& plan, int start, Format format) {
    QString line =
        QStringLiteral("%1: %2 blank, %3, %4 to write")
            .arg(
                counted(plan.grid.cellCount(), QStringLiteral("cell"), QStringLiteral("cells")),
                groups(plan.blank),
                counted(plan.duplicates, QStringLiteral("duplicate"), QStringLiteral("duplicates")),
                counted(plan.tileCount(), QStringLiteral("tile"), QStringLiteral("tiles")));
    if (plan.tileCount() > 0)
        line += QStringLiteral(", %1 to %2")
                    .arg(tileFileName(start, format),
                         tileFileName(start + plan.tileCount() - 1, format));
    if (plan.grid.partialCells > 0)
        line += QStringLiteral(" (%1 at the edges left out)")
                    .arg(counted(plan.grid.partialCells, QStringLiteral("cell"),
                                 QStringLiteral("cells")));
    return line;
}

QString folderProblem(const QString& folder, const QString& role) {
    const QString shown = printable(folder);
    switch (platform::entryType(folder)) {
    case platform::EntryType::Missing:
        return QStringLiteral("The %1 %2 does not exist.").arg(role, shown);
    case platform::EntryType::File:
    case platform::EntryType::Other:
        return QStringLiteral("The %1 %2 is not a folder.").arg(role, shown);
    case platform::EntryType::Folder:
        break;
    }
    const QString reason = platform::folderWriteProblem(folder);
    if (!reason.isEmpty())
        return QStringLiteral("The %1 %2 cannot be written to: %3.").arg(role, shown, reason);
    return {};
}

TargetProblem checkTargets(const Plan& plan, const Output& output) {
    if (const QString problem = folderProblem(output.folder, QStringLiteral("output folder"));
        !problem.isEmpty())
        return {output.folder, problem};
    struct Target {
        QString path;
        QString what; // for the user
    };
    std::vector<Target> targets;
    if (!output.tmxPath.isEmpty()) {
        const QString& tmx = output.tmxPath;
        for (const QChar c : tmx) {
            if (c.category() == QChar::Other_Control)
                return {tmx, QStringLiteral("The map's name %1 holds a control character.")
                                 .arg(printable(tmx))};
        }
        if (const QString problem = folderProblem(folderOf(tmx), QStringLiteral("map's folder"));
            !problem.isEmpty())
            return {folderOf(tmx), problem};
        targets.push_back({tmx, QStringLiteral("the map ") + printable(tmx)});
        const QString tsx = tilesetPathFor(tmx);
        targets.push_back({tsx, QStringLiteral("the map's tileset ") + printable(tsx)});
    }
    for (int i = 0; i < plan.tileCount(); ++i) {
        const QString path = tilePath(output, i);
        targets.push_back({path, QStringLiteral("the tile ") + nameOf(path)});
    }
    // Two targets are one file when their folders, links resolved, and names are.
    QHash<QString, QString> folders;
    QHash<QString, QString> seen;
    for (const Target& target : targets) {
        if (platform::nameIsFolder(target.path))
            return {target.path, capitalised(target.what) + QStringLiteral(" is a folder.")};
        const QString folder = folderOf(target.path);
        auto resolved = folders.find(folder);
        if (resolved == folders.end())
            resolved = folders.insert(folder, platform::resolvedFolder(folder));
        const QString key = *resolved + u'/' + nameOf(target.path);
        const auto earlier = seen.constFind(key);
        if (earlier != seen.constEnd())
            return {target.path, capitalised(target.what) + QStringLiteral(" and ") + *earlier +
                                     QStringLiteral(" name the same file.")};
        seen.insert(key, target.what);
    }
    return {};
}

Outcome writeCut(const QImage& sheet, const Plan& plan, const Output& output,
                 const Progress& progress) {
    Outcome outcome;
    outcome.nextCounter = output.start;
    const auto stop = [&outcome](Outcome::Failure failure, const QString& file,
                                 const QString& reason) {
        outcome.failure = failure;
        outcome.failedFile = file;
        outcome.reason = reason;
        return outcome;
    };
    if (const TargetProblem problem = checkTargets(plan, output); !problem.isEmpty())
        return stop(Outcome::Failure::BadTarget, problem.path, problem.message);

    // Each folder is this cut's alone while it writes, so that two cuts cannot
    // leave a mix of their tiles; a second one is refused, not made to wait.
    QStringList folders{platform::resolvedFolder(output.folder)};
    if (!output.tmxPath.isEmpty())
        folders << platform::resolvedFolder(folderOf(output.tmxPath));
    folders.removeDuplicates();
    folders.sort();
    std::vector<platform::FolderLock> held;
    for (const QString& folder : folders) {
        try {
            held.emplace_back(folder);
        } catch (const platform::FolderBusy&) {
            return stop(Outcome::Failure::Busy, folder,
                        QStringLiteral("another cut is writing into this folder"));
        } catch (const platform::PlatformError& error) {
            return stop(Outcome::Failure::WriteFailed, folder, errorText(error));
        }
    }
    for (const QString& folder : folders)
        platform::removeStaleTemporaries(folder);

    const QStringList targets = targetFiles(plan, output);
    if (!output.replace) {
        outcome.existing = existingFiles(targets);
        if (!outcome.existing.isEmpty())
            return stop(Outcome::Failure::FilesExist, outcome.existing.front(),
                        QStringLiteral("the file exists already"));
    }
    const platform::WriteMode mode =
        output.replace ? platform::WriteMode::Replace : platform::WriteMode::NewOnly;
    // Writes one file; false after a failure, which it records.
    const auto write = [&](const QString& path, platform::Durability durability,
                           const std::function<QByteArray()>& bytes) {
        try {
            platform::writeFileWhole(path, bytes(), mode, durability);
            return true;
        } catch (const platform::FileExists&) {
            stop(Outcome::Failure::Appeared, path,
                 QStringLiteral("the file appeared while the cut was writing; stopped "
                                "without replacing it"));
        } catch (const platform::PlatformError& error) {
            stop(Outcome::Failure::WriteFailed, path, errorText(error));
        }
        return false;
    };

    const int total = plan.tileCount();
    std::optional<platform::BitmapCutter> bitmaps;
    for (int i = 0; i < total; ++i) {
        // A run of many small files leaves the disk to write them in its own time.
        const bool written =
            write(tilePath(output, i), platform::Durability::Unsynced, [&]() -> QByteArray {
                if (output.format == Format::Png)
                    return platform::pngWithAlpha(tileImage(sheet, plan, i));
                if (!bitmaps)
                    bitmaps.emplace(sheet);
                return bitmaps->encode(plan.grid.cell(plan.tileCells[std::size_t(i)]));
            });
        if (!written)
            return outcome;
        ++outcome.written;
        ++outcome.nextCounter;
        if (progress && !progress(outcome.written, total) && outcome.written < total) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    // The tileset first: a map is of no use without it.
    if (!output.tmxPath.isEmpty() &&
        write(tilesetPathFor(output.tmxPath), platform::Durability::Synced,
              [&] { return tilesetXml(plan, output); }))
        write(output.tmxPath, platform::Durability::Synced, [&] { return mapXml(plan, output); });
    return outcome;
}

QByteArray tilesetXml(const Plan& plan, const Output& output) {
    const GridSpec& shape = plan.grid.shape;
    const QString tsxPath = tilesetPathFor(output.tmxPath);
    const QString name = QFileInfo(output.tmxPath).completeBaseName();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    startXml(xml);
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
    // Absolute paths as on disk, so that a working folder of any bytes gives them.
    const QDir base(platform::absolutePath(folderOf(tsxPath)));
    for (int i = 0; i < plan.tileCount(); ++i) {
        xml.writeStartElement(QStringLiteral("tile"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(i));
        xml.writeStartElement(QStringLiteral("image"));
        xml.writeAttribute(QStringLiteral("width"), QString::number(shape.tileWidth));
        xml.writeAttribute(QStringLiteral("height"), QString::number(shape.tileHeight));
        xml.writeAttribute(QStringLiteral("source"),
                           base.relativeFilePath(platform::absolutePath(tilePath(output, i))));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray mapXml(const Plan& plan, const Output& output) {
    const GridSpec& shape = plan.grid.shape;
    const QString name = QFileInfo(output.tmxPath).completeBaseName();
    const Grid& grid = plan.grid;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    startXml(xml);
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
        QDir(platform::absolutePath(folderOf(output.tmxPath)))
            .relativeFilePath(platform::absolutePath(tilesetPathFor(output.tmxPath))));
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
    return bytes;
}

} // namespace cut
