#include "dirlist.h"

#include "system/errors.h"
#include "system/nativefs.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QStyle>

namespace platform {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString nativeFolder(const QString& path) {
    return QDir::toNativeSeparators(absolutePath(QDir::fromNativeSeparators(path)));
}

// The folder above, by the path alone: the name may not be UTF-8, which Qt's
// own path functions would not find on disk.
QString parentFolder(const QString& folder) {
    const qsizetype slash = folder.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : folder.left(slash);
}

QString lastName(const QString& folder) {
    return folder.mid(folder.lastIndexOf(u'/') + 1);
}

} // namespace

DirList::DirList(QWidget* parent)
    : QListWidget(parent) {
    setAccessibleName(QStringLiteral("Folders"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Opening a folder rebuilds the list, which must not happen while the view is
    // still handling the double-click on one of its items.
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString folder = item->data(kPathRole).toString();
        QMetaObject::invokeMethod(
            this, [this, folder] { guarded([&] { setPath(folder); }); }, Qt::QueuedConnection);
    });
}

void DirList::setPath(const QString& path) {
    const QString folder = nativeFolder(path);
    if (!canOpenFolder(folder))
        throw PlatformError(QStringLiteral("Path not found: ") + path);
    if (folder == path_)
        return;
    path_ = folder;
    populate();
    if (onChange)
        onChange();
}

void DirList::refresh() {
    populate();
}

void DirList::openItem(QListWidgetItem* item) {
    if (item)
        setPath(item->data(kPathRole).toString());
}

void DirList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        guarded([this] { openItem(currentItem()); });
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirList::populate() {
    const QSignalBlocker blocker(this);
    clear();
    if (path_.isEmpty())
        return;
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    const QString open = QDir::fromNativeSeparators(path_);
    QStringList chain{open}; // from the root down to the open folder
    while (chain.front() != u"/")
        chain.prepend(parentFolder(chain.front()));

    int depth = 0;
    QListWidgetItem* openItem = nullptr;
    for (const QString& folder : chain) {
        const QString name = folder == u"/" ? QDir::toNativeSeparators(folder) : lastName(folder);
        auto* item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
        item->setData(kPathRole, QDir::toNativeSeparators(folder));
        openItem = item;
        ++depth;
    }
    QStringList children;
    try {
        children = folderEntries(open, EntryType::Folder);
    } catch (const PlatformError&) {
        // A folder that can be entered but not read shows no folders in it.
    }
    const QString prefix = open == u"/" ? open : open + u'/';
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(closedIcon, QString(depth * 2, u' ') + child, this);
        item->setData(kPathRole, QDir::toNativeSeparators(prefix + child));
    }
    setCurrentItem(openItem);
}

} // namespace platform
