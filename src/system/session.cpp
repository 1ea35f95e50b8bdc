#include "session.h"

#include "errors.h"

#include <QApplication>
#include <QMessageBox>

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

#ifdef NDEBUG
// A release build says once, in a message box as well, that it met a defect; a
// debug build keeps the default handler, which stops at once.
void tellDefect(const char* what) {
    std::fprintf(stderr, "Orvane: unexpected failure in a handler: %s\n", what);
    static bool told = false;
    if (told || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    told = true;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Orvane"),
                    QStringLiteral("Orvane met an unexpected failure and may not work as it "
                                   "should:\n") +
                        QString::fromLocal8Bit(what),
                    QMessageBox::Ok);
    box.exec();
}
#endif

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
#ifdef NDEBUG
    setDefectHandler(&tellDefect);
#endif
    return application;
}

} // namespace platform
