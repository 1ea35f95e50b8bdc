#include "system/errors.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace {

// In a test, an exception that reaches a slot's guard is a defect: stop the run
// with its text rather than let the program carry on as if nothing happened.
void failOnDefect(const char* what) {
    qFatal("Defect: an exception reached a slot's guard: %s", what);
}

void installDefectHandler() {
    platform::setDefectHandler(&failOnDefect);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installDefectHandler)
