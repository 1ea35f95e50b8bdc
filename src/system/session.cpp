#include "session.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage> heldMessages;
QByteArray failureText;

// The platform plug-in reports a display it cannot open with warnings and then a
// fatal message; only the connection attempt runs under this handler.
void holdWhileConnecting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(failureText.constData(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    // The context's strings belong to the caller; the category is what a message
    // filter looks at, so it is kept.
    heldMessages.push_back(
        {type, QByteArray(context.category ? context.category : "default"), text});
}

} // namespace

std::unique_ptr<QApplication> openApplication(int& argc, char** argv,
                                              const QString& failureMessage) {
    failureText = failureMessage.toLocal8Bit();
    heldMessages.clear();
    previousHandler = qInstallMessageHandler(holdWhileConnecting);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& message : heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    heldMessages.clear();
    return application;
}

} // namespace platform
