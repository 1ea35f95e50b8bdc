#include "preview.h"

#include "app/mainform.h"
#include "platform/dialogs.h"
#include "platform/dirlist.h"
#include "platform/filelist.h"
#include "platform/form.h"
#include "platform/picture.h"
#include "platform/screen.h"
#include "platform/system.h"

#include <QDir>

namespace output {

namespace {

constexpr int kBackspace = 8;
constexpr int kEscape = 27;

// The folder, the separator and the name joined as they are: at a root this
// gives two separators in a row, which still names the file.
QString selectedFile(const MainForm& f) {
    return f.Dir1->path() + QDir::separator() + f.File1->fileName();
}

} // namespace

void previewFile(MainForm& f) {
    if (f.File1->fileName().isEmpty())
        return;
    platform::PicturePtr picture;
    try {
        picture = platform::loadPicture(selectedFile(f));
    } catch (const std::exception&) {
        f.svc.dialogs.msgBox(QStringLiteral("File error!"));
        f.File1->refresh();
        return;
    }
    platform::Form* window = f.frm_saved_pic();
    window->setCaption(f.File1->fileName());
    window->setPicture(picture->image());
    const QSize screen = f.svc.screen.availableSize();
    window->setClientLimit(QSize(screen.width() - platform::Form::kFrameWidth,
                                 screen.height() - platform::Form::kFrameHeight));
    window->setOuterWidth(picture->width() * f.svc.screen.twipsPerPixelX() + 150);
    window->setOuterHeight(picture->height() * f.svc.screen.twipsPerPixelY() + 360);
    window->show();
    window->raise();
    window->activateWindow();
}

void fileListKey(MainForm& f, int keyAscii) {
    if (keyAscii != kBackspace || f.File1->fileName().isEmpty())
        return;
    try {
        platform::removeFile(selectedFile(f));
    } catch (const std::exception&) {
        f.svc.dialogs.msgBox(QStringLiteral("File error!"));
    }
    f.File1->refresh();
}

void previewKey(MainForm& f, int keyAscii) {
    if (keyAscii == kEscape && f.frm_saved_pic)
        f.frm_saved_pic()->hide();
}

} // namespace output
