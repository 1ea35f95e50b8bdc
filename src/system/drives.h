#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The drives the drive list offers. On Linux these are "/" and the mounted
// volumes under /media, /mnt and /run/media; on Windows the drive roots.
class Drives {
public:
    virtual ~Drives() = default;

    // Native paths of the drives' roots, in the order the list shows them.
    virtual QStringList roots() const = 0;
    // The folder the process works in, native.
    virtual QString workingFolder() const = 0;
    // The user's home folder, native; empty when there is none.
    virtual QString homeFolder() const { return {}; }

    virtual bool canOpen(const QString& root) const;

    // The listed drive with the longest root that contains the path; empty when none does.
    QString driveOf(const QString& path) const;
    // The drive's current folder: the working folder when it lies on the drive
    // and can be opened, else the home folder on the same terms, else the root.
    QString currentFolder(const QString& root) const;
};

class SystemDrives : public Drives {
public:
    QStringList roots() const override;
    QString workingFolder() const override;
    QString homeFolder() const override;
};

// Whether the folder contains the path (or is it), both in any separator form.
bool folderContains(const QString& folder, const QString& path);

} // namespace platform
