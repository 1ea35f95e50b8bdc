#include "scripted.h"

#include "errors.h"
#include "picture.h"

namespace platform {

namespace {

template <typename T> std::optional<T> next(std::deque<std::optional<T>>& answers) {
    if (answers.empty())
        return std::nullopt;
    std::optional<T> answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace

std::optional<QString> ScriptedDialogs::inputBox(const QString& prompt, const QString& title) {
    prompts << title + u'|' + prompt;
    return next(inputAnswers);
}

std::optional<QString> ScriptedDialogs::fileDialog(const FileRequest& request) {
    fileRequests << request;
    return next(fileAnswers);
}

std::optional<QRgb> ScriptedDialogs::colorDialog(QRgb) {
    return next(colorAnswers);
}

QImage ScriptedClipboard::image() {
    if (unreadable)
        throw PlatformError(QStringLiteral("Clipboard unreadable"));
    if (tooLarge)
        throw PictureTooLarge();
    return content;
}

void ScriptedClipboard::clear() {
    ++clears;
    content = QImage();
}

void ScriptedClipboard::setImage(const QImage& image) {
    if (image.isNull())
        throw PlatformError(QStringLiteral("No picture"));
    ++sets;
    content = image.copy();
}

} // namespace platform
