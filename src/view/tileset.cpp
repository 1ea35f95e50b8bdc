#include "tileset.h"

#include "image/clipboard.h"
#include "controls/commondialog.h"
#include "controls/dialogs.h"
#include "controls/waiting.h"
#include "image/picture.h"

#include <memory>
#include <optional>

namespace view {

bool tooSmallForTileset(QSize picture) {
    return picture.width() < kMinimumTilesetSize || picture.height() < kMinimumTilesetSize;
}

bool importTileset(AppState& s, platform::CommonDialog& fileDialog, platform::Dialogs& dialogs) {
    fileDialog.showOpen();
    return importFile(s, dialogs, fileDialog.fileName);
}

namespace {

// Said by the progress box of a picture that takes long to read.
const QString kReadingPicture = QStringLiteral("Reading the picture...");

} // namespace

bool importFile(AppState& s, platform::Dialogs& dialogs, const QString& path) {
    std::optional<platform::PicturePtr> candidate = platform::waitForResult<platform::PicturePtr>(
        dialogs, kReadingPicture, [path] { return platform::loadPicture(path); });
    if (!candidate)
        return false; // cancelled: the tileset stays as it was, without a word
    if (tooSmallForTileset((*candidate)->size())) {
        dialogs.msgBox(QStringLiteral("Image too small. Can't import!"));
        return false;
    }
    s.setTileset(std::move(*candidate));
    return true;
}

bool pasteTileset(AppState& s, platform::Clipboard& clipboard, platform::Dialogs& dialogs) {
    std::optional<platform::PicturePtr> candidate;
    try {
        // Taken here, on the clipboard's thread; read on the worker's.
        platform::PictureReading reading = clipboard.takePicture();
        candidate = platform::waitForResult<platform::PicturePtr>(
            dialogs, kReadingPicture, [reading = std::move(reading)] {
                return std::make_shared<const platform::Picture>(reading());
            });
    } catch (const platform::PictureTooLarge&) {
        // Not "too small", and not broken either: say what it is.
        dialogs.msgBox(QStringLiteral("Image too large. Can't paste!"));
        return false;
    }
    if (!candidate)
        return false;
    if (tooSmallForTileset((*candidate)->size())) {
        dialogs.msgBox(QStringLiteral("Invalid Clipboard data or image too small!"));
        return false;
    }
    s.setTileset(std::move(*candidate));
    return true;
}

QString importFilter() {
    QStringList others;
    for (const QByteArray& format : platform::readableFormats()) {
        const QString ext = QString::fromLatin1(format).toLower();
        const QString pattern = QStringLiteral("*.") + ext;
        if (ext != u"bmp" && ext != u"gif" && ext != u"jpg" && !others.contains(pattern))
            others << pattern;
    }
    QString filter = QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)|*.bmp;*.gif;*.jpg");
    if (!others.isEmpty())
        filter += QStringLiteral("|Other pictures|") + others.join(u';');
    return filter;
}

} // namespace view
