#include "saving.h"

#include "numbering.h"

#include "app/mainform.h"
#include "platform/checkbox.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/filelist.h"
#include "platform/numtext.h"
#include "platform/picture.h"
#include "platform/picturebox.h"

namespace output {

QString numberedFile(const QString& outputFolder, int counter) {
    return outputFolder + platform::format(counter, QStringLiteral("000")) + QStringLiteral(".bmp");
}

void saveSelection(MainForm& f) {
    if (f.c_clipb->value() == 1) {
        try {
            f.svc.clipboard.clear();
            f.svc.clipboard.setImage(f.pict->image());
        } catch (const std::exception&) {
            // Not silent: the user would paste whatever was there before.
            f.svc.dialogs.msgBox(QStringLiteral("Clipboard error!"));
        }
    }
    try {
        if (f.c_file->value() != 1)
            return;
        if (f.state.fileCounter > 999) {
            f.svc.dialogs.msgBox(QStringLiteral("Max: 999.BMP - Please set new start and reset."));
            return;
        }
        platform::savePicture(f.pict->image(),
                              numberedFile(f.state.outputFolder, f.state.fileCounter));
        f.state.fileCounter = std::int16_t(f.state.fileCounter + 1);
        updateNextFileLabel(f);
        f.File1->refresh();
    } catch (const std::exception&) {
        f.svc.dialogs.msgBox(QStringLiteral("File error!"));
    }
}

void saveSelectionAs(MainForm& f) {
    const QString title = f.cmdb.dialogTitle;
    const QString filter = f.cmdb.filter;
    try {
        f.cmdb.dialogTitle = QStringLiteral("Save Selection As");
        f.cmdb.filter = platform::saveAsFilter();
        f.cmdb.fileName.clear();
        f.cmdb.showSave();
        platform::savePictureAs(f.pict->image(), f.cmdb.fileName);
    } catch (const platform::UnwritableFormatError& e) {
        f.svc.dialogs.msgBox(e.message());
    } catch (const std::exception&) {
    }
    f.cmdb.dialogTitle = title;
    f.cmdb.filter = filter;
}

} // namespace output
