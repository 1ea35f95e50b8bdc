#include "system.h"

#include "errors.h"
#include "nativefs.h"
#include "trash.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

QString QtSystem::appPath() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void QtSystem::end() {
    // Every window goes at once, also those that refuse a close (the Selection
    // view); nothing is asked and nothing is saved.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

void makeFolder(const QString& path) {
    // mkdir itself refuses a name in use and a missing parent.
    if (path.isEmpty() || ::mkdir(encodePath(path).constData(), 0777) != 0)
        throw PlatformError(QStringLiteral("Path/File access error"));
}

void removeFile(const QString& path) {
    if (entryType(path) != EntryType::File)
        throw PlatformError(QStringLiteral("File not found"));
    if (moveToTrash(path))
        return;
    if (::unlink(encodePath(path).constData()) != 0)
        throw PlatformError(QStringLiteral("Path/File access error"));
}

QString withSeparator(const QString& folder) {
    const QChar separator = QDir::separator();
    return folder.endsWith(separator) ? folder : folder + separator;
}

} // namespace platform
