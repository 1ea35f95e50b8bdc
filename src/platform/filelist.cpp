#include "filelist.h"

#include "errors.h"
#include "keyascii.h"
#include "nativefs.h"

#include <QDir>
#include <QKeyEvent>
#include <QRegularExpression>

namespace platform {

FileList::FileList(QWidget* parent, const QString& pattern)
    : QListWidget(parent)
    , pattern_(pattern) {
    setAccessibleName(QStringLiteral("Files"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The handler may re-read the list, which must wait until the view has done
    // with the double-click.
    connect(this, &QListWidget::itemDoubleClicked, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                guarded([this] {
                    if (onDblClick)
                        onDblClick();
                });
            },
            Qt::QueuedConnection);
    });
}

void FileList::setPath(const QString& path) {
    path_ = path;
    refresh();
}

QString FileList::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

void FileList::refresh() {
    const QString keep = fileName();
    const QSignalBlocker blocker(this);
    clear();
    if (path_.isEmpty())
        return;
    // Names are read as bytes, so that a name that is not UTF-8 is listed and
    // still names its file; the pattern matches without regard to case.
    const QRegularExpression match =
        QRegularExpression::fromWildcard(pattern_, Qt::CaseInsensitive);
    try {
        for (const QString& name :
             folderEntries(QDir::fromNativeSeparators(path_), EntryType::File)) {
            if (match.match(name).hasMatch())
                addItem(name);
        }
    } catch (const PlatformError&) {
        // A folder that cannot be read lists nothing.
    }
    if (!keep.isEmpty()) {
        const QList<QListWidgetItem*> found = findItems(keep, Qt::MatchExactly);
        if (!found.isEmpty())
            setCurrentItem(found.front());
    }
}

void FileList::keyPressEvent(QKeyEvent* event) {
    const int code = keyAscii(event);
    if (code != 0) {
        guarded([&] {
            if (onKeyPress)
                onKeyPress(code);
        });
    }
    QListWidget::keyPressEvent(event);
}

} // namespace platform
