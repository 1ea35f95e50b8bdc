#include "drivelist.h"

#include "system/drives.h"
#include "system/errors.h"

namespace platform {

DriveList::DriveList(QWidget* parent, const Drives& drives)
    : QComboBox(parent)
    , drives_(drives) {
    setAccessibleName(QStringLiteral("Drive"));
    {
        const QSignalBlocker blocker(this);
        addItems(drives_.roots());
        setCurrentIndex(-1);
    }
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index != lastIndex_) {
            lastIndex_ = index;
            guarded([this] { raiseChange(); });
        }
    });
}

void DriveList::setDrive(const QString& path) {
    const int index = findText(drives_.driveOf(path));
    if (index < 0)
        throw PlatformError(QStringLiteral("Device unavailable"));
    if (index == currentIndex())
        return;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    lastIndex_ = index;
    raiseChange();
}

void DriveList::raiseChange() {
    if (onChange)
        onChange();
}

} // namespace platform
