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

    virtual bool canOpen(const QString& root) const;

    // The listed drive with the longest root that contains the path; empty when none does.
    QString driveOf(const QString& path) const;
    // The working folder when it lies on the drive, else the drive's root.
    QString currentFolder(const QString& root) const;
};

class SystemDrives : public Drives {
public:
    QStringList roots() const override;
    QString workingFolder() const override;
};

// Whether the folder contains the path (or is it), both in any separator form.
bool folderContains(const QString& folder, const QString& path);

} // namespace platform
