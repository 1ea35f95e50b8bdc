#include "preview.h"

#include "controls/filelist.h"
#include "controls/form.h"
#include "controls/screen.h"
#include "system/system.h"

#include <QDir>

namespace output {

QString selectedFile(const QString& folder, const QString& fileName) {
    return folder + QDir::separator() + fileName;
}

platform::PicturePtr readSelectedFile(const platform::FileList& fileList, const QString& folder) {
    return platform::loadPicture(selectedFile(folder, fileList.fileName()));
}

void showPreview(const platform::Picture& picture, const QString& fileName,
                 const platform::Screen& screen, platform::Form& window) {
    window.setCaption(fileName);
    window.setPicture(picture.image());
    const QSize available = screen.availableSize();
    window.setClientLimit(QSize(available.width() - platform::Form::kFrameWidth,
                                available.height() - platform::Form::kFrameHeight));
    window.fitOuterSizeTo(picture.width(), picture.height());
    window.show();
    window.raise();
    window.activateWindow();
}

void deleteSelectedFile(const platform::FileList& fileList, const QString& folder) {
    platform::removeFile(selectedFile(folder, fileList.fileName()));
}

} // namespace output
