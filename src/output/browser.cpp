#include "browser.h"

#include "numbering.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/dialogs.h"
#include "controls/dirlist.h"
#include "controls/drivelist.h"
#include "system/drives.h"
#include "system/errors.h"
#include "controls/filelist.h"
#include "controls/label.h"
#include "system/system.h"
#include "controls/textbox.h"

#include <initializer_list>

namespace output {

QString driveFolder(const platform::Drives& drives, const platform::DriveList& driveList) {
    const QString drive = driveList.drive();
    if (!drives.canOpen(drive))
        throw platform::PlatformError(QStringLiteral("Device unavailable"));
    return drives.currentFolder(drive);
}

void openDriveFolder(const AppState& s, const BrowserControls& c, const platform::Drives& drives) {
    c.folderList.setPath(
        driveFolder(drives, c.driveList)); // the folder list's change follows, nested
    updateNextFileLabel(s, c.nextFileLabel);
}

void folderChanged(AppState& s, const BrowserControls& c) {
    c.fileList.setPath(c.folderList.path());
    s.setOutputFolder(platform::withSeparator(c.folderList.path()));
    updateNextFileLabel(s, c.nextFileLabel);
}

void createFolder(platform::Dialogs& dialogs, platform::DirList& folderList) {
    const QString parent = platform::withSeparator(folderList.path());
    const QString answer =
        dialogs
            .inputBox(QStringLiteral("Create folder under ") + parent + QStringLiteral(" :"),
                      QStringLiteral("Create new folder"))
            .value_or(QString());
    platform::makeFolder(parent + answer);
    folderList.refresh();
}

void saveToFileClicked(const platform::CheckBox& toFileBox, const SaveToFileControls& c) {
    const bool on = toFileBox.value() != 0;
    for (QWidget* control :
         std::initializer_list<QWidget*>{&c.startNumberBox, &c.newFolderButton, &c.resetButton,
                                         &c.driveList, &c.folderList, &c.fileList})
        control->setEnabled(on);
    c.nextFileLabel.setVisible(on);
}

} // namespace output
