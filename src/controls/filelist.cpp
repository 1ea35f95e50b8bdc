#include "filelist.h"

#include "system/errors.h"
#include "keyascii.h"
#include "system/nativefs.h"

#include <QDir>
#include <QKeyEvent>

namespace platform {

namespace {

// Whether the name matches a pattern of * and ? without regard to case. Done
// here because a regular expression refuses the lone surrogates that stand
// for bytes which are not UTF-8.
bool matchesPattern(QStringView name, QStringView pattern) {
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

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
    // still names its file.
    try {
        for (const QString& name :
             folderEntries(QDir::fromNativeSeparators(path_), EntryType::File)) {
            if (matchesPattern(name, pattern_))
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
