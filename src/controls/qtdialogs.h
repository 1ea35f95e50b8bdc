#pragma once

#include "dialogs.h"

class QWidget;

namespace platform {

// The dialogs as Qt shows them, each modal over the owner window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr)
        : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    void msgBox(const QString& text) override;
    bool question(const QString& text) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title) override;
    std::optional<QString> fileDialog(const FileRequest& request) override;
    std::optional<QRgb> colorDialog(QRgb initial) override;
    bool progress(const QString& text, const std::function<bool()>& finished) override;

private:
    QWidget* owner_;
};

// A Qt name filter for each entry: "Description (*.a *.b)".
QStringList qtNameFilters(const QList<FileFilter>& filters);

} // namespace platform
