#include "saving.h"

#include "numbering.h"

#include "image/clipboard.h"
#include "controls/commondialog.h"
#include "controls/dialogs.h"
#include "controls/filelist.h"
#include "image/picture.h"

#include <QDir>

namespace output {

QString fileErrorMessage(const QString& path, const QString& reason) {
    return QStringLiteral("File error!\r%1\r%2").arg(QDir::toNativeSeparators(path), reason);
}

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
    } catch (const platform::PlatformError& e) {
        // Silence would leave the user believing the capture is kept.
        dialogs.msgBox(fileErrorMessage(cmdb.fileName, QString::fromStdString(e.what())));
    }
}

} // namespace output
