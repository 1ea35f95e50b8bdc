#include "nativefs.h"

#include "errors.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at p (0 when there is none) and its code point.
int utf8Sequence(const uchar* p, qsizetype left, char32_t* code) {
    const uchar b = p[0];
    int length = 0;
    char32_t c = 0;
    if (b < 0x80) {
        *code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, encoded surrogates (which would collide with the escapes)
    // and code points past Unicode count as stray bytes.
    if ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) || c > 0x10FFFF ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *code = c;
    return length;
}

QString fromErrno(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString decodePath(const QByteArray& bytes) {
    QString result;
    result.reserve(bytes.size());
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t code = 0;
        const int length = utf8Sequence(p + i, n - i, &code);
        if (length == 0) {
            result += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            result += QChar(QChar::highSurrogate(code));
            result += QChar(QChar::lowSurrogate(code));
        } else {
            result += QChar(char16_t(code));
        }
        i += length;
    }
    return result;
}

QByteArray encodePath(const QString& path) {
    QByteArray result;
    result.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path.at(i).unicode();
        if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            result += char(u - kEscapeBase);
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && path.at(i + 1).isLowSurrogate()) {
            result += QString(path.constData() + i, 2).toUtf8();
            ++i;
        } else {
            result += QString(QChar(u)).toUtf8();
        }
    }
    return result;
}

EntryType entryType(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(encodePath(path).constData(), &st) != 0)
        return EntryType::Missing;
    if (S_ISREG(st.st_mode))
        return EntryType::File;
    if (S_ISDIR(st.st_mode))
        return EntryType::Folder;
    return EntryType::Other;
}

bool canOpenFolder(const QString& path) {
    const QByteArray native = encodePath(path);
    return entryType(path) == EntryType::Folder && ::access(native.constData(), R_OK | X_OK) == 0;
}

QStringList folderEntries(const QString& folder, EntryType type) {
    const QByteArray native = encodePath(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native.constData()), ::closedir);
    if (!dir)
        throw PlatformError(fromErrno(QStringLiteral("Cannot read ") + folder));
    const QByteArray prefix = native.endsWith('/') ? native : native + '/';
    QStringList names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue; // hidden, and the . and .. entries
        struct stat st {};
        if (::stat((prefix + name).constData(), &st) != 0)
            continue; // a dangling link
        const bool match = type == EntryType::File ? S_ISREG(st.st_mode)
                           : type == EntryType::Folder
                               ? S_ISDIR(st.st_mode)
                               : !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
        if (match)
            names << decodePath(name);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString absolutePath(const QString& path) {
    const QString full = QDir::isAbsolutePath(path) ? path : workingFolderPath() + u'/' + path;
    return QDir::cleanPath(full);
}

QString workingFolderPath() {
    // getcwd with a null buffer allocates a buffer as long as the path needs.
    const std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), std::free);
    return cwd ? decodePath(QByteArray(cwd.get())) : QString();
}

QString homeFolderPath() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return QDir::cleanPath(decodePath(QByteArray(home)));
    return QDir::homePath();
}

} // namespace platform
