#pragma once

#include <QListWidget>

#include <functional>

namespace platform {

// The file list: the files of one folder that match the pattern.
class FileList : public QListWidget {
    Q_OBJECT
public:
    FileList(QWidget* parent, const QString& pattern);

    QString path() const { return path_; }
    void setPath(const QString& path);
    QString pattern() const { return pattern_; }
    // The selected file's name without its folder; empty when none is selected.
    QString fileName() const;
    void refresh();

    std::function<void()> onDblClick;
    // The character code of a key pressed in the list (see keyAscii).
    std::function<void(int keyAscii)> onKeyPress;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString path_;
    QString pattern_;
};

} // namespace platform
