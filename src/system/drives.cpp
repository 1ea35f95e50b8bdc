#include "drives.h"

#include "nativefs.h"

#include <QDir>
#include <QStorageInfo>

namespace platform {

namespace {

QString canonicalForm(const QString& path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

} // namespace

bool folderContains(const QString& folder, const QString& path) {
    const QString f = canonicalForm(folder);
    const QString p = canonicalForm(path);
    if (p == f)
        return true;
    const QString prefix = f.endsWith(u'/') ? f : f + u'/';
    return p.startsWith(prefix);
}

bool Drives::canOpen(const QString& root) const {
    return canOpenFolder(QDir::fromNativeSeparators(root));
}

QString Drives::driveOf(const QString& path) const {
    QString best;
    for (const QString& root : roots()) {
        if (folderContains(root, path) && canonicalForm(root).size() > canonicalForm(best).size())
            best = root;
    }
    return best;
}

QString Drives::currentFolder(const QString& root) const {
    for (const QString& folder : {workingFolder(), homeFolder()}) {
        if (!folder.isEmpty() && driveOf(folder) == root && canOpen(folder))
            return folder;
    }
    return root;
}

QStringList SystemDrives::roots() const {
    QStringList result;
    result << QStringLiteral("/");
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || result.contains(root))
            continue;
        for (const char* place : {"/media/", "/mnt/", "/run/media/"}) {
            if (root.startsWith(QLatin1String(place)) || root == QLatin1String(place).chopped(1)) {
                result << root;
                break;
            }
        }
    }
    return result;
}

QString SystemDrives::workingFolder() const {
    return QDir::toNativeSeparators(workingFolderPath());
}

QString SystemDrives::homeFolder() const {
    return QDir::toNativeSeparators(homeFolderPath());
}

} // namespace platform
