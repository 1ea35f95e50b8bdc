#include "system.h"

#include "errors.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

QString QtSystem::appPath() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void QtSystem::end() {
    // Closing the main window ends the program too, and would come back here.
    static bool ending = false;
    if (ending)
        return;
    ending = true;
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void makeFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() || !QDir().mkdir(path))
        throw PlatformError(QStringLiteral("Path/File access error"));
}

void removeFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw PlatformError(QStringLiteral("File not found"));
    QFile file(path);
    if (file.moveToTrash())
        return;
    if (!file.remove())
        throw PlatformError(file.errorString());
}

QString withSeparator(const QString& folder) {
    const QChar separator = QDir::separator();
    return folder.endsWith(separator) ? folder : folder + separator;
}

} // namespace platform
