#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QListWidget;

// What lies on disk and in the list controls, as the tests look at it. Hidden
// and system entries count too, so that a temporary file left behind by a
// failed write shows.

// Calls `visit` for every file and folder below `folder`, at any depth.
void visitEntries(const QString& folder, const std::function<void(const QFileInfo&)>& visit);

// The names directly in the folder, sorted.
QStringList entries(const QString& folder);

// Every file and folder below the folder by absolute path, with a file's bytes
// ("<folder>" for a folder or a file that cannot be read).
QMap<QString, QByteArray> contents(const QString& folder);

// The file's bytes; empty when it cannot be read.
QByteArray bytesOf(const QString& path);

// Whether the file now holds exactly these bytes.
bool writeFile(const QString& path, const QByteArray& bytes);

// The items of a list control as it shows them, blanks trimmed.
QStringList listed(const QListWidget* list);

// Undoes a change a test made to the machine (permissions, a mount, a limit)
// however the test ends; run() undoes it at once, and only once.
class Restore {
public:
    Restore() = default;
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;
    ~Restore() { run(); }

    void set(std::function<void()> undo) { undo_ = std::move(undo); }
    void run() {
        if (auto undo = std::exchange(undo_, nullptr))
            undo();
    }

private:
    std::function<void()> undo_;
};

// The CRC-32 of PNG chunks and zip files, for writing such files by hand.
quint32 crc32(const QByteArray& data);
