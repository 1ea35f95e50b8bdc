#pragma once

#include <QList>
#include <QRgb>
#include <QString>

#include <functional>
#include <optional>

namespace platform {

struct FileFilter {
    QString description;
    QStringList patterns;
};

struct FileRequest {
    enum Kind { Open, Save };
    Kind kind = Open;
    QString title;
    QString initDir;
    QString fileName;
    QString defaultExt;
    QList<FileFilter> filters;
};

// The modal dialogs the handlers show. Every message box is modal, has an OK
// button only and no icon, and shows the title "Orvane".
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void msgBox(const QString& text) = 0;
    // A question with Yes and No buttons; true for Yes. Closing it counts as No.
    virtual bool question(const QString& text) = 0;
    // The answer, or nothing when the user cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title) = 0;
    virtual std::optional<QString> fileDialog(const FileRequest& request) = 0;
    virtual std::optional<QRgb> colorDialog(QRgb initial) = 0;
    // A box saying `text` with a busy bar and a Cancel button, modal to the whole
    // program, shown until `finished` turns true (returns true) or the user
    // cancels (returns false). `finished` is asked on this thread, often.
    virtual bool progress(const QString& text, const std::function<bool()>& finished) = 0;
    // How long work may take before it shows its progress box: a shorter wait
    // is not worth a box that flashes up and away.
    virtual int progressDelayMs() const { return 1000; }
};

inline const QString kAppTitle = QStringLiteral("Orvane");

} // namespace platform
