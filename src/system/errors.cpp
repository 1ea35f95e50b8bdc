#include "errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QtGlobal>

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

void defaultDefectHandler(const char* what) {
#ifndef NDEBUG
    qFatal("Orvane: unexpected failure in a handler: %s", what);
#else
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
#endif
}

std::atomic<DefectHandler> defectHandler{&defaultDefectHandler};

} // namespace

DefectHandler setDefectHandler(DefectHandler handler) {
    return defectHandler.exchange(handler ? handler : &defaultDefectHandler);
}

void reportDefect(const char* what) noexcept {
    defectHandler.load()(what);
}

} // namespace platform
