#pragma once

#include "image/clipboard.h"
#include "controls/dialogs.h"
#include "system/drives.h"
#include "controls/screen.h"
#include "system/system.h"

#include <QImage>
#include <QSemaphore>
#include <QSize>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>

// Stand-ins for the platform services, answering as a test scripts them.
namespace doubles {

// Dialogs that answer as a test scripts them and record what was shown. A
// dialog with no scripted answer is cancelled.
class ScriptedDialogs : public platform::Dialogs {
public:
    void msgBox(const QString& text) override { messages << text; }
    bool question(const QString& text) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title) override;
    std::optional<QString> fileDialog(const platform::FileRequest& request) override;
    std::optional<QRgb> colorDialog(QRgb initial) override;
    // Waits for the work, turning the event loop, unless the next scripted
    // answer cancels at once; with none scripted it waits.
    bool progress(const QString& text, const std::function<bool()>& finished) override;
    int progressDelayMs() const override { return progressAfterMs; }

    QStringList messages;
    QStringList progressTexts;
    std::deque<bool> progressCancels;
    int progressAfterMs = 1000;
    QStringList prompts;
    QStringList questions;
    std::deque<bool> questionAnswers;
    QList<platform::FileRequest> fileRequests;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QRgb>> colorAnswers;
};

class ScriptedClipboard : public platform::Clipboard {
public:
    platform::PictureReading takePicture() override;
    void clear() override;
    void setImage(const QImage& image) override;

    QImage content;
    bool unreadable = false;
    bool tooLarge = false; // holds a picture larger than the program holds
    bool refuses = false;  // setImage fails, as when another program holds the clipboard
    // When set, a reading waits for one release of it before it ends.
    std::shared_ptr<QSemaphore> hold;
    int clears = 0;
    int sets = 0;
};

class ScriptedSystem : public platform::System {
public:
    explicit ScriptedSystem(QString appPath)
        : appPath_(std::move(appPath)) {}
    QString appPath() const override { return appPath_; }
    void end() override { ++ends; }

    int ends = 0;

private:
    QString appPath_;
};

// Drives given by the caller: temporary folders in tests.
class FixedDrives : public platform::Drives {
public:
    FixedDrives(QStringList roots, QString workingFolder, QString homeFolder = {})
        : roots_(std::move(roots))
        , workingFolder_(std::move(workingFolder))
        , homeFolder_(std::move(homeFolder)) {}

    QStringList roots() const override { return roots_; }
    QString workingFolder() const override { return workingFolder_; }
    QString homeFolder() const override { return homeFolder_; }

private:
    QStringList roots_;
    QString workingFolder_;
    QString homeFolder_;
};

class FixedScreen : public platform::Screen {
public:
    explicit FixedScreen(double twipsPerPixel = 15.0, QSize available = QSize(1920, 1080))
        : twips_(twipsPerPixel)
        , available_(available) {}
    double twipsPerPixelX() const override { return twips_; }
    double twipsPerPixelY() const override { return twips_; }
    QSize availableSize() const override { return available_; }

private:
    double twips_;
    QSize available_;
};

} // namespace doubles
