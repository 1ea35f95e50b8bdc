#include "tileset.h"

#include "fit.h"

#include "app/mainform.h"
#include "platform/dialogs.h"
#include "platform/picture.h"
#include "platform/clipboard.h"

#include <QString>

#include <memory>

namespace view {

namespace {

constexpr int kMinimumSize = 16;

bool tooSmall(const platform::Picture& picture) {
    return picture.width() < kMinimumSize || picture.height() < kMinimumSize;
}

} // namespace

void importFile(MainForm& f, const QString& path) {
    platform::PicturePtr candidate = platform::loadPicture(path);
    if (tooSmall(*candidate)) {
        f.svc.dialogs.msgBox(QStringLiteral("Image too small. Can't import!"));
        return;
    }
    f.state.sourcePicture = std::move(candidate);
    fitViewToImage(f);
}

void importTileset(MainForm& f) {
    try {
        f.cmdb.showOpen();
        importFile(f, f.cmdb.fileName);
    } catch (const std::exception&) {
    }
}

void importDroppedFile(MainForm& f, const QString& path) {
    try {
        importFile(f, path);
    } catch (const std::exception&) {
    }
}

void pasteTileset(MainForm& f) {
    try {
        const auto candidate = std::make_shared<const platform::Picture>(f.svc.clipboard.image());
        if (tooSmall(*candidate)) {
            f.svc.dialogs.msgBox(QStringLiteral("Invalid Clipboard data or image too small!"));
            return;
        }
        f.state.sourcePicture = candidate;
        fitViewToImage(f);
    } catch (const std::exception&) {
        f.svc.dialogs.msgBox(QStringLiteral("Invalid Clipboard data!"));
    }
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
