#include "browser.h"

#include "numbering.h"

#include "app/mainform.h"
#include "platform/button.h"
#include "platform/checkbox.h"
#include "platform/dialogs.h"
#include "platform/dirlist.h"
#include "platform/drivelist.h"
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/filelist.h"
#include "platform/label.h"
#include "platform/system.h"
#include "platform/textbox.h"

namespace output {

QString driveFolder(const MainForm& f) {
    const QString drive = f.Drive1->drive();
    if (!f.svc.drives.canOpen(drive))
        throw platform::PlatformError(QStringLiteral("Device unavailable"));
    return f.svc.drives.currentFolder(drive);
}

void driveChanged(MainForm& f) {
    try {
        f.Dir1->setPath(driveFolder(f));
        updateNextFileLabel(f);
    } catch (const std::exception&) {
        f.svc.dialogs.msgBox(QStringLiteral("Media not found!"));
        f.Drive1->setDrive(f.Dir1->path()); // runs this handler again for that drive
    }
}

void folderChanged(MainForm& f) {
    f.File1->setPath(f.Dir1->path());
    f.state.outputFolder = platform::withSeparator(f.Dir1->path());
    updateNextFileLabel(f);
}

void createFolder(MainForm& f) {
    try {
        const QString parent = platform::withSeparator(f.Dir1->path());
        const QString answer =
            f.svc.dialogs
                .inputBox(QStringLiteral("Create folder under ") + parent + QStringLiteral(" :"),
                          QStringLiteral("Create new folder"))
                .value_or(QString());
        platform::makeFolder(parent + answer);
        f.Dir1->refresh();
    } catch (const std::exception&) {
        f.svc.dialogs.msgBox(QStringLiteral("Invalid folder!"));
    }
}

void saveToFileClicked(MainForm& f) {
    const bool on = f.c_file->value() != 0;
    for (QWidget* control : {static_cast<QWidget*>(f.Text1), static_cast<QWidget*>(f.Command1),
                             static_cast<QWidget*>(f.Command3), static_cast<QWidget*>(f.Drive1),
                             static_cast<QWidget*>(f.Dir1), static_cast<QWidget*>(f.File1)})
        control->setEnabled(on);
    f.Label7->setVisible(on);
}

} // namespace output
