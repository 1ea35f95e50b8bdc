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
                  platform::Label& nextFileLabel, platform::FileList& fileList) {
    if (s.fileCounter > kLastFileNumber) {
        dialogs.msgBox(QStringLiteral("Max: 999.BMP - Please set new start and reset."));
        return;
    }
    platform::savePicture(capture, numberedFile(s.outputFolder, s.fileCounter));
    s.setFileCounter(std::int16_t(s.fileCounter + 1));
    updateNextFileLabel(s, nextFileLabel);
    fileList.refresh();
}

void saveSelectionAs(platform::CommonDialog& fileDialog, platform::Dialogs& dialogs,
                     const QImage& capture) {
    struct Restore {
        platform::CommonDialog& fileDialog;
        QString title = fileDialog.dialogTitle;
        QString filter = fileDialog.filter;
        ~Restore() {
            fileDialog.dialogTitle = title;
            fileDialog.filter = filter;
        }
    } restore{fileDialog};
    fileDialog.dialogTitle = QStringLiteral("Save Selection As");
    fileDialog.filter = platform::saveAsFilter();
    fileDialog.fileName.clear();
    fileDialog.showSave();
    try {
        platform::savePictureAs(capture, fileDialog.fileName);
    } catch (const platform::UnwritableFormatError& e) {
        // A name whose extension no writer knows: say which ones it can be.
        dialogs.msgBox(e.message());
    } catch (const platform::PlatformError& e) {
        // Silence would leave the user believing the capture is kept.
        dialogs.msgBox(fileErrorMessage(fileDialog.fileName, QString::fromStdString(e.what())));
    }
}

} // namespace output
