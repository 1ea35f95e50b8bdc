#include "doubles.h"

#include "system/errors.h"
#include "image/picture.h"

#include <QEventLoop>
#include <QTimer>

namespace doubles {

using platform::PlatformError;

namespace {

template <typename T> std::optional<T> next(std::deque<std::optional<T>>& answers) {
    if (answers.empty())
        return std::nullopt;
    std::optional<T> answer;
    answer.swap(answers.front());
    answers.pop_front();
    return answer;
}

} // namespace

bool ScriptedDialogs::question(const QString& text) {
    questions << text;
    if (questionAnswers.empty())
        return false;
    const bool answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& prompt, const QString& title) {
    prompts << title + u'|' + prompt;
    return next(inputAnswers);
}

std::optional<QString> ScriptedDialogs::fileDialog(const platform::FileRequest& request) {
    fileRequests << request;
    return next(fileAnswers);
}

std::optional<QRgb> ScriptedDialogs::colorDialog(QRgb) {
    return next(colorAnswers);
}

bool ScriptedDialogs::progress(const QString& text, const std::function<bool()>& finished) {
    progressTexts << text;
    const bool cancel = !progressCancels.empty() && progressCancels.front();
    if (!progressCancels.empty())
        progressCancels.pop_front();
    if (cancel)
        return false;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished())
            loop.quit();
    });
    poll.start(1);
    if (!finished())
        loop.exec();
    return true;
}

platform::PictureReading ScriptedClipboard::takePicture() {
    if (unreadable)
        throw PlatformError(QStringLiteral("Clipboard unreadable"));
    // As a decoder finds it: while reading.
    return [picture = content, tooLarge = tooLarge, hold = hold] {
        if (hold)
            hold->acquire();
        if (tooLarge)
            throw platform::PictureTooLarge();
        return picture;
    };
}

void ScriptedClipboard::clear() {
    ++clears;
    content = QImage();
}

void ScriptedClipboard::setImage(const QImage& image) {
    if (refuses)
        throw PlatformError(QStringLiteral("Clipboard held by another program"));
    if (image.isNull())
        throw PlatformError(QStringLiteral("No picture"));
    ++sets;
    content = image.copy();
}

} // namespace doubles
