#pragma once

#include "clipboard.h"
#include "dialogs.h"
#include "system.h"

#include <QImage>
#include <QStringList>

#include <deque>
#include <optional>

namespace platform {

// Dialogs that answer as a test scripts them and record what was shown. A
// dialog with no scripted answer is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    void msgBox(const QString& text) override { messages << text; }
    std::optional<QString> inputBox(const QString& prompt, const QString& title) override;
    std::optional<QString> fileDialog(const FileRequest& request) override;
    std::optional<QRgb> colorDialog(QRgb initial) override;

    QStringList messages;
    QStringList prompts;
    QList<FileRequest> fileRequests;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QRgb>> colorAnswers;
};

class ScriptedClipboard : public Clipboard {
public:
    QImage image() override;
    void clear() override;
    void setImage(const QImage& image) override;

    QImage content;
    bool unreadable = false;
    bool tooLarge = false; // holds a picture larger than the program holds
    int clears = 0;
    int sets = 0;
};

class ScriptedSystem : public System {
public:
    explicit ScriptedSystem(QString appPath)
        : appPath_(std::move(appPath)) {}
    QString appPath() const override { return appPath_; }
    void end() override { ++ends; }

    int ends = 0;

private:
    QString appPath_;
};

} // namespace platform
