#pragma once

#include "errors.h"

#include <QByteArray>
#include <QString>

namespace platform {

// How a file is written over the name it gets.
enum class WriteMode {
    // The name must be free: anything that has it, a dangling symbolic link or a
    // folder included, makes the write fail with FileExists and leaves it as it is.
    NewOnly,
    // Whatever has the name is replaced: a file, or a symbolic link itself, never
    // the file a link points to. A replaced file keeps its permissions; in place
    // of a link the file gets the program's own (0666 less the umask).
    Replace,
};

// Whether the write waits until the disk holds the bytes. A run of many files
// may leave the disk to write them in its own time: each is still whole or
// absent, but not proof against a power cut.
enum class Durability { Synced, Unsynced };

// A NewOnly write found its name taken.
class FileExists : public PlatformError {
public:
    FileExists();
};

// Writes the bytes as the whole content of the file at `path`, or fails with
// PlatformError whose text is the system's reason. Every file of the program
// goes through here. The file is made without a name and named only when every
// byte is in, so a failed or killed run leaves the whole file or nothing under
// its name. Where the file system cannot make a file without a name, it is
// written under a temporary name beginning with kTemporaryPrefix beside it;
// removeStaleTemporaries clears those that a killed run left.
void writeFileWhole(const QString& path, const QByteArray& bytes, WriteMode mode,
                    Durability durability = Durability::Synced);

inline constexpr char kTemporaryPrefix[] = ".orvane-tmp-";

// Removes the temporary files in the folder that no running writer holds: those
// a killed run left. Returns how many it removed.
int removeStaleTemporaries(const QString& folder);

// Whether writes may make a file without a name first (the default); turned off,
// every write goes the way of file systems that cannot, so that tests reach it.
void setNamelessFiles(bool allowed);

// Another writer holds the folder.
class FolderBusy : public PlatformError {
public:
    FolderBusy();
};

// A folder held by one writer for as long as this lives, so that two runs that
// write many files into one folder cannot mix them. Held through the folder
// itself, not a file in it: nothing is left behind, and a killed run lets go at
// once. Throws FolderBusy when another process (or another FolderLock of this
// one) holds it, PlatformError when the folder cannot be opened. On a file
// system without locks the folder is not held.
class FolderLock {
public:
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&&) = delete;
    FolderLock(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Whether anything has the name itself, links not followed: a dangling link
// counts.
bool nameTaken(const QString& path);

// Whether the name itself is a folder (not a link to one).
bool nameIsFolder(const QString& path);

// The folder's path with every link and "." or ".." resolved, as on disk; empty
// when it cannot be resolved.
QString resolvedFolder(const QString& folder);

// Why files cannot be made in the folder (the system's reason), or empty when
// they can.
QString folderWriteProblem(const QString& folder);

} // namespace platform
