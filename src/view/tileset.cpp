#include "tileset.h"

#include "image/clipboard.h"
#include "controls/commondialog.h"
#include "controls/dialogs.h"
#include "image/picture.h"

#include <memory>

namespace view {

bool tooSmallForTileset(QSize picture) {
    return picture.width() < kMinimumTilesetSize || picture.height() < kMinimumTilesetSize;
}

bool importTileset(AppState& s, platform::CommonDialog& cmdb, platform::Dialogs& dialogs) {
    cmdb.showOpen();
    return importFile(s, dialogs, cmdb.fileName);
}

bool importFile(AppState& s, platform::Dialogs& dialogs, const QString& path) {
    platform::PicturePtr candidate = platform::loadPicture(path);
    if (tooSmallForTileset(candidate->size())) {
        dialogs.msgBox(QStringLiteral("Image too small. Can't import!"));
        return false;
    }
    s.setTileset(std::move(candidate));
    return true;
}

bool pasteTileset(AppState& s, platform::Clipboard& clipboard, platform::Dialogs& dialogs) {
    QImage image;
    try {
        image = clipboard.image();
    } catch (const platform::PictureTooLarge&) {
        // Not "too small", and not broken either: say what it is.
        dialogs.msgBox(QStringLiteral("Image too large. Can't paste!"));
        return false;
    }
    const auto candidate = std::make_shared<const platform::Picture>(image);
    if (tooSmallForTileset(candidate->size())) {
        dialogs.msgBox(QStringLiteral("Invalid Clipboard data or image too small!"));
        return false;
    }
    s.setTileset(candidate);
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
