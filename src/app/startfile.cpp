#include "startfile.h"

#include "app/mainform.h"
#include "platform/dialogs.h"
#include "view/tileset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>

namespace app {

void importAtStart(MainForm& f, const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    try {
        const QFileInfo info(path);
        if (!info.exists()) {
            f.svc.dialogs.msgBox(
                QStringLiteral("Cannot open \"%1\": there is no such file.").arg(shown));
            return;
        }
        if (info.isDir()) {
            f.svc.dialogs.msgBox(QStringLiteral("Cannot open \"%1\": it is a folder.").arg(shown));
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            f.svc.dialogs.msgBox(
                QStringLiteral("Cannot open \"%1\": %2.").arg(shown, file.errorString()));
            return;
        }
        file.close();
        const auto before = f.state.sourcePicture;
        try {
            view::importFile(f, path);
        } catch (const std::exception&) {
            // A failure after the picture was taken is the fit's, which the
            // import leaves silent too.
            if (f.state.sourcePicture == before)
                f.svc.dialogs.msgBox(
                    QStringLiteral("Cannot import \"%1\": it is not a picture Orvane can read.")
                        .arg(shown));
        }
    } catch (const std::exception&) {
    }
}

} // namespace app
