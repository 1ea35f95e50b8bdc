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

QString driveFolder(const platform::Drives& drives, const platform::DriveList& Drive1) {
    const QString drive = Drive1.drive();
    if (!drives.canOpen(drive))
        throw platform::PlatformError(QStringLiteral("Device unavailable"));
    return drives.currentFolder(drive);
}

void openDriveFolder(const AppState& s, const BrowserControls& c, const platform::Drives& drives) {
    c.Dir1.setPath(driveFolder(drives, c.Drive1)); // Dir1_Change, nested
    updateNextFileLabel(s, c.Label7);
}

void folderChanged(AppState& s, const BrowserControls& c) {
    c.File1.setPath(c.Dir1.path());
    s.outputFolder = platform::withSeparator(c.Dir1.path());
    updateNextFileLabel(s, c.Label7);
}

void createFolder(platform::Dialogs& dialogs, platform::DirList& Dir1) {
    const QString parent = platform::withSeparator(Dir1.path());
    const QString answer =
        dialogs
            .inputBox(QStringLiteral("Create folder under ") + parent + QStringLiteral(" :"),
                      QStringLiteral("Create new folder"))
            .value_or(QString());
    platform::makeFolder(parent + answer);
    Dir1.refresh();
}

void saveToFileClicked(const platform::CheckBox& c_file, const SaveToFileControls& c) {
    const bool on = c_file.value() != 0;
    for (QWidget* control : std::initializer_list<QWidget*>{&c.Text1, &c.Command1, &c.Command3,
                                                            &c.Drive1, &c.Dir1, &c.File1})
        control->setEnabled(on);
    c.Label7.setVisible(on);
}

} // namespace output
