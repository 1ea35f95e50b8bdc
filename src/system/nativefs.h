#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// A file name on disk is bytes. Qt decodes them as UTF-8 and turns every byte
// that is not UTF-8 into U+FFFD, after which the name no longer names the file.
// These two map any bytes to a text and back unchanged: valid UTF-8 reads as Qt
// reads it, and each stray byte b becomes the lone surrogate U+DC00 + b.
QString decodePath(const QByteArray& bytes);
QByteArray encodePath(const QString& path);

enum class EntryType { Missing, File, Folder, Other };

// What the path names, through symbolic links.
EntryType entryType(const QString& path);

// A folder whose entries can be read and entered.
bool canOpenFolder(const QString& path);

// The names of the folder's entries of one type (links followed), hidden ones
// left out, sorted by name without regard to case. Throws when the folder
// cannot be read.
QStringList folderEntries(const QString& folder, EntryType type);

// The absolute, clean form of a path, relative ones taken from the working folder.
QString absolutePath(const QString& path);

// The process's working folder and the user's home folder, exactly as on disk.
QString workingFolderPath();
QString homeFolderPath();

} // namespace platform
