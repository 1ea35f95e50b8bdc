#include "support/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>

namespace {

constexpr QDir::Filters kEveryEntry =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

} // namespace

void visitEntries(const QString& folder, const std::function<void(const QFileInfo&)>& visit) {
    QDirIterator it(folder, kEveryEntry, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        visit(it.fileInfo());
    }
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(kEveryEntry, QDir::Name);
}

QMap<QString, QByteArray> contents(const QString& folder) {
    QMap<QString, QByteArray> result;
    visitEntries(folder, [&](const QFileInfo& info) {
        QFile file(info.filePath());
        result.insert(info.filePath(), info.isDir() || !file.open(QIODevice::ReadOnly)
                                           ? QByteArray("<folder>")
                                           : file.readAll());
    });
    return result;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList listed(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text().trimmed();
    return names;
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}
