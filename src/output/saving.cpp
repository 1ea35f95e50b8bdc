#include "saving.h"

#include "numbering.h"

#include "image/clipboard.h"
#include "controls/commondialog.h"
#include "controls/dialogs.h"
#include "controls/filelist.h"
#include "image/picture.h"

namespace output {

void copyToClipboard(platform::Clipboard& clipboard, const QImage& capture) {
    clipboard.clear();
    clipboard.setImage(capture);
}

void saveNumbered(AppState& s, const QImage& capture, platform::Dialogs& dialogs,
                  platform::Label& Label7, platform::FileList& File1) {
    if (s.fileCounter > kLastFileNumber) {
        dialogs.msgBox(QStringLiteral("Max: 999.BMP - Please set new start and reset."));
        return;
    }
    platform::savePicture(capture, numberedFile(s.outputFolder, s.fileCounter));
    s.setFileCounter(std::int16_t(s.fileCounter + 1));
    updateNextFileLabel(s, Label7);
    File1.refresh();
}

void saveSelectionAs(platform::CommonDialog& cmdb, platform::Dialogs& dialogs,
                     const QImage& capture) {
    struct Restore {
        platform::CommonDialog& cmdb;
        QString title = cmdb.dialogTitle;
        QString filter = cmdb.filter;
        ~Restore() {
            cmdb.dialogTitle = title;
            cmdb.filter = filter;
        }
    } restore{cmdb};
    cmdb.dialogTitle = QStringLiteral("Save Selection As");
    cmdb.filter = platform::saveAsFilter();
    cmdb.fileName.clear();
    cmdb.showSave();
    try {
        platform::savePictureAs(capture, cmdb.fileName);
    } catch (const platform::UnwritableFormatError& e) {
        // A name whose extension no writer knows: say which ones it can be.
        dialogs.msgBox(e.message());
    }
}

} // namespace output
