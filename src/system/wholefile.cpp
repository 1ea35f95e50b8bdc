#include "wholefile.h"

#include "nativefs.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<bool> namelessAllowed{true};

QString reasonFor(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failWith(int error) {
    throw PlatformError(reasonFor(error));
}

// Closes the descriptor however the write ends.
class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes it now, with the error a delayed write may report here.
    int close() {
        const int result = ::close(std::exchange(fd_, -1));
        return result;
    }

private:
    int fd_;
};

// Writes every byte; the errno of the failure otherwise (ENOSPC for a file that
// takes fewer bytes than given).
int writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += n;
    }
    return 0;
}

QByteArray temporaryName() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name(kTemporaryPrefix);
    for (int i = 0; i < 10; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name;
}

// The bytes, the settled mode and the sync, common to both ways of writing.
void fill(int fd, const QByteArray& bytes, std::optional<mode_t> mode, Durability durability) {
    if (mode && ::fchmod(fd, *mode) != 0)
        failWith(errno);
    if (const int error = writeAll(fd, bytes))
        failWith(error);
    if (durability == Durability::Synced && ::fsync(fd) != 0)
        failWith(errno);
}

// A temporary file in the folder under a fresh name, held (flock) so that
// removeStaleTemporaries leaves it alone while this run lives.
int openNamedTemporary(int dir, QByteArray& name) {
    for (int attempt = 0; attempt < 32; ++attempt) {
        name = temporaryName();
        const int fd = ::openat(dir, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            failWith(errno);
        }
        // A cleaner may have taken the file between its making and the lock: it
        // counts only when the name still holds it.
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 &&
            ::fstatat(dir, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    failWith(EEXIST);
}

// Gives the written temporary `from` the name `to`: for NewOnly only while the
// name is free, checked and taken in one step.
void nameFile(int dir, const QByteArray& from, const QByteArray& to, WriteMode mode) {
    if (mode == WriteMode::Replace) {
        if (::renameat(dir, from.constData(), dir, to.constData()) != 0)
            failWith(errno);
        return;
    }
    if (::renameat2(dir, from.constData(), dir, to.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno == EEXIST)
        throw FileExists();
    if (errno != EINVAL && errno != ENOSYS)
        failWith(errno);
    // A file system without the exclusive rename: a hard link fails as well when
    // the name is taken.
    if (::linkat(dir, from.constData(), dir, to.constData(), 0) != 0) {
        if (errno == EEXIST)
            throw FileExists();
        failWith(errno);
    }
    ::unlinkat(dir, from.constData(), 0);
}

// The file made without a name (O_TMPFILE) and linked in whole. False when this
// system or file system cannot make or link one, with nothing written.
bool writeNameless(int dir, const QByteArray& name, const QByteArray& bytes, WriteMode mode,
                   std::optional<mode_t> keptMode, Durability durability) {
    if (!namelessAllowed.load())
        return false;
    Descriptor file(::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT)
            return false;
        failWith(errno);
    }
    // Held before it has a name, so that a temporary name below is never taken
    // for one a killed run left.
    (void)::flock(file.get(), LOCK_EX);
    fill(file.get(), bytes, keptMode, durability);
    // Linking a file without a name needs its /proc entry (or a privilege).
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", file.get());
    const auto link = [&](const QByteArray& as) {
        return ::linkat(AT_FDCWD, procPath, dir, as.constData(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (mode == WriteMode::NewOnly) {
        if (link(name))
            return true;
        if (errno == EEXIST)
            throw FileExists();
        if (errno == ENOENT || errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV)
            return false;
        failWith(errno);
    }
    for (int attempt = 0; attempt < 32; ++attempt) {
        const QByteArray temp = temporaryName();
        if (!link(temp)) {
            if (errno == EEXIST)
                continue;
            if (errno == ENOENT || errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV)
                return false;
            failWith(errno);
        }
        if (::renameat(dir, temp.constData(), dir, name.constData()) != 0) {
            const int error = errno;
            ::unlinkat(dir, temp.constData(), 0);
            failWith(error);
        }
        return true;
    }
    failWith(EEXIST);
}

void writeNamed(int dir, const QByteArray& name, const QByteArray& bytes, WriteMode mode,
                std::optional<mode_t> keptMode, Durability durability) {
    QByteArray temp;
    Descriptor file(openNamedTemporary(dir, temp));
    try {
        fill(file.get(), bytes, keptMode, durability);
        if (file.close() != 0)
            failWith(errno);
        nameFile(dir, temp, name, mode);
    } catch (...) {
        ::unlinkat(dir, temp.constData(), 0);
        throw;
    }
}

// The common case of a cut, a new file, in the fewest steps: made without a name
// and linked in, which fails when the name is taken. False when this system
// cannot, with nothing written.
bool writeNewNameless(const QByteArray& folder, const QByteArray& target, const QByteArray& bytes,
                      Durability durability) {
    if (!namelessAllowed.load())
        return false;
    Descriptor file(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
            return false;
        failWith(errno);
    }
    fill(file.get(), bytes, std::nullopt, durability);
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", file.get());
    if (::linkat(AT_FDCWD, procPath, AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST)
        throw FileExists();
    if (errno == ENOENT || errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV)
        return false;
    failWith(errno);
}

} // namespace

FileExists::FileExists()
    : PlatformError(reasonFor(EEXIST)) {}

FolderBusy::FolderBusy()
    : PlatformError(QStringLiteral("Another cut is writing into this folder")) {}

void writeFileWhole(const QString& path, const QByteArray& bytes, WriteMode mode,
                    Durability durability) {
    const QByteArray target = encodePath(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : target.left(slash);
    const QByteArray name = target.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        throw PlatformError(QStringLiteral("No file name"));
    if (mode == WriteMode::NewOnly && writeNewNameless(folder, target, bytes, durability))
        return;
    const Descriptor dir(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        failWith(errno);

    std::optional<mode_t> keptMode;
    struct stat existing {};
    if (::fstatat(dir.get(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (mode == WriteMode::NewOnly)
            throw FileExists();
        if (S_ISDIR(existing.st_mode))
            failWith(EISDIR);
        if (S_ISREG(existing.st_mode)) {
            // A write-protected file stays as it is, although a rename could replace it.
            if (::faccessat(dir.get(), name.constData(), W_OK, 0) != 0)
                throw PlatformError(QStringLiteral("The file is write-protected"));
            keptMode = existing.st_mode & 07777;
        }
    }
    if (!writeNameless(dir.get(), name, bytes, mode, keptMode, durability))
        writeNamed(dir.get(), name, bytes, mode, keptMode, durability);
}

int removeStaleTemporaries(const QString& folder) {
    const QByteArray native = encodePath(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native.constData()), ::closedir);
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir.get());
    const QByteArray prefix(kTemporaryPrefix);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix))
            continue;
        const Descriptor file(
            ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {
        }, named{};
        // Held by its writer while it lives; one nobody holds was left by a killed run.
        if (file.get() < 0 || ::fstat(file.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::fstatat(dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == held.st_ino && named.st_dev == held.st_dev &&
            ::unlinkat(dirFd, name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

void setNamelessFiles(bool allowed) {
    namelessAllowed.store(allowed);
}

FolderLock::FolderLock(const QString& folder) {
    fd_ = ::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        failWith(errno);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            ::close(std::exchange(fd_, -1));
            throw FolderBusy();
        }
        // ENOLCK and the like: a file system without locks, not a second writer.
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

bool nameTaken(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::lstat(encodePath(path).constData(), &st) == 0;
}

bool nameIsFolder(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::lstat(encodePath(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

QString resolvedFolder(const QString& folder) {
    const std::unique_ptr<char, void (*)(void*)> resolved(
        ::realpath(encodePath(folder).constData(), nullptr), std::free);
    return resolved ? decodePath(QByteArray(resolved.get())) : QString();
}

QString folderWriteProblem(const QString& folder) {
    if (::access(encodePath(folder).constData(), W_OK | X_OK) != 0)
        return reasonFor(errno);
    return {};
}

} // namespace platform
