#include "system.h"

#include "errors.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

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
