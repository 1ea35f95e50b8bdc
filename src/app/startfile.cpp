#include "startfile.h"

#include "app/window/frm_ov_main.h"
#include "controls/dialogs.h"
#include "system/errors.h"
#include "image/picture.h"
#include "system/nativefs.h"
#include "view/tileset.h"

#include <QDir>
#include <QFile>

namespace app {

bool importAtStart(frm_ov_main& window, platform::Dialogs& dialogs, const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    // By the name's own bytes: one that is not UTF-8 still names its file.
    const platform::EntryType type = platform::entryType(path);
    if (type == platform::EntryType::Missing) {
        dialogs.msgBox(QStringLiteral("Cannot open \"%1\": there is no such file.").arg(shown));
        return false;
    }
    if (type == platform::EntryType::Folder) {
        dialogs.msgBox(QStringLiteral("Cannot open \"%1\": it is a folder.").arg(shown));
        return false;
    }
    try {
        {
            // A FIFO or a device would block a plain open: the import's own check.
            QFile file;
            platform::openRegularFile(path, file);
        }
        if (!view::importFile(window.form().state, dialogs, path))
            return false;
    } catch (const platform::UnreadableFile& e) {
        dialogs.msgBox(QStringLiteral("Cannot open \"%1\": %2.").arg(shown, e.reason()));
        return false;
    } catch (const platform::PlatformError&) {
        dialogs.msgBox(QStringLiteral("Cannot import \"%1\": it is not a picture Orvane can read.")
                           .arg(shown));
        return false;
    }
    window.tilesetImported(path);
    return true;
}

} // namespace app
