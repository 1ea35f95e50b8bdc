#pragma once

#include <QListWidget>

#include <functional>

namespace platform {

// The directory list: the open folder with the folders above it and the folders
// in it. A single click highlights a folder, a double-click (or Enter) opens it.
// Assigning Path opens that folder and runs Change when the folder changes.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent);

    // The open folder, native, with no trailing separator except at a root.
    QString path() const { return path_; }
    void setPath(const QString& path);
    void refresh();

    std::function<void()> onChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openItem(QListWidgetItem* item);
    void populate();

    QString path_;
};

} // namespace platform
