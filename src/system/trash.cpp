#include "trash.h"

#include "nativefs.h"

#include <QDateTime>
#include <QDir>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Makes each missing folder of the path, the last one with `mode`, the ones
// above it with the usual 0700 the data folders get.
bool makeFolders(const QByteArray& path, mode_t mode) {
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (path == "/" || !makeFolders(parentOf(path), 0700))
        return false;
    return ::mkdir(path.constData(), mode) == 0 || errno == EEXIST;
}

// A trash folder the user may put files into: a real folder, not a link, owned
// by the user and closed to others.
bool usableTrash(const QByteArray& trash) {
    for (const char* part : {"", "/files", "/info"}) {
        struct stat st {};
        const QByteArray folder = trash + part;
        if (::lstat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::getuid() || ::access(folder.constData(), W_OK | X_OK) != 0)
            return false;
    }
    return true;
}

bool makeTrash(const QByteArray& trash) {
    return makeFolders(trash, 0700) && makeFolders(trash + "/files", 0700) &&
           makeFolders(trash + "/info", 0700) && usableTrash(trash);
}

// The path as the Path key of a .trashinfo file holds it: percent-encoded bytes.
QByteArray trashInfoPath(const QByteArray& path) {
    return path.toPercentEncoding("/");
}

// Reserves a name in the trash by creating its .trashinfo file, then moves the
// file under that name. False with everything as it was when the move fails.
bool moveInto(const QByteArray& trash, const QByteArray& file, const QByteArray& infoPath) {
    const QByteArray base = file.mid(file.lastIndexOf('/') + 1);
    const QByteArray info =
        "[Trash Info]\nPath=" + trashInfoPath(infoPath) + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
        "\n";
    for (int n = 1; n < 10000; ++n) {
        const QByteArray name = n == 1 ? base : base + '.' + QByteArray::number(n);
        const QByteArray infoFile = trash + "/info/" + name + ".trashinfo";
        const QByteArray target = trash + "/files/" + name;
        struct stat st {};
        if (::lstat(target.constData(), &st) == 0)
            continue;
        const int fd = ::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == info.size();
        if (::close(fd) != 0 || !written || ::rename(file.constData(), target.constData()) != 0) {
            ::unlink(infoFile.constData());
            return false;
        }
        return true;
    }
    return false;
}

// The top folder of the file system that holds the path.
QByteArray topOf(const QByteArray& path, dev_t device) {
    QByteArray top = path;
    while (top != "/") {
        const QByteArray up = parentOf(top);
        struct stat st {};
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

} // namespace

QString homeTrashPath() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const QString base =
        dataHome && *dataHome && QDir::isAbsolutePath(QString::fromLocal8Bit(dataHome))
            ? decodePath(QByteArray(dataHome))
            : homeFolderPath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/Trash"));
}

bool moveToTrash(const QString& path) {
    const QByteArray file = encodePath(absolutePath(path));
    struct stat st {};
    if (::lstat(file.constData(), &st) != 0)
        return false;

    // The home trash, when it lies on the file's file system (a rename cannot
    // cross file systems). Its nearest existing folder tells where it would lie.
    const QByteArray home = encodePath(homeTrashPath());
    QByteArray existing = home;
    struct stat there {};
    while (::stat(existing.constData(), &there) != 0 && existing != "/")
        existing = parentOf(existing);
    if (there.st_dev == st.st_dev)
        return makeTrash(home) && moveInto(home, file, file);

    // The trash at the top of the file's file system, as $topdir/.Trash-$uid.
    // It is made only where that is neither the file's folder nor the working
    // folder.
    const QByteArray top = topOf(parentOf(file), st.st_dev);
    const QByteArray trash =
        (top == "/" ? QByteArray() : top) + "/.Trash-" + QByteArray::number(qulonglong(::getuid()));
    const QByteArray working = encodePath(workingFolderPath());
    if (!usableTrash(trash) && (top == parentOf(file) || top == working || !makeTrash(trash)))
        return false;
    const QByteArray relative = file.mid(top == "/" ? 1 : top.size() + 1);
    return moveInto(trash, file, relative);
}

} // namespace platform
