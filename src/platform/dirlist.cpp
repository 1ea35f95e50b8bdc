#include "dirlist.h"

#include "errors.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace platform {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString nativeFolder(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
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
    const QFileInfo info(folder);
    if (!info.exists() || !info.isDir() || !QDir(folder).isReadable())
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

    QStringList chain; // from the root down to the open folder
    QDir dir(path_);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());

    int depth = 0;
    QListWidgetItem* openItem = nullptr;
    for (const QString& folder : chain) {
        const QString name =
            QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
        item->setData(kPathRole, QDir::toNativeSeparators(folder));
        openItem = item;
        ++depth;
    }
    const QFileInfoList children =
        QDir(path_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& child : children) {
        auto* item =
            new QListWidgetItem(closedIcon, QString(depth * 2, u' ') + child.fileName(), this);
        item->setData(kPathRole, QDir::toNativeSeparators(child.absoluteFilePath()));
    }
    setCurrentItem(openItem);
}

} // namespace platform
