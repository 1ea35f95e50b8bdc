#pragma once

#include <QString>

#include <stdexcept>

namespace platform {

// A platform operation that cannot be carried out throws this; the handler that
// armed a failure path catches it there.
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const QString& what)
        : std::runtime_error(what.toStdString()) {}
};

// The user closed a dialog without an answer; callers treat it like any failure.
class CancelError : public PlatformError {
public:
    CancelError()
        : PlatformError(QStringLiteral("Cancelled")) {}
};

// What becomes of an exception that is not a platform failure, or of a platform
// failure no handler armed a path for: a defect in the program. Debug builds stop
// at once; a release build says so once in a message box and on standard error.
// Tests install their own handler so that a defect fails them.
using DefectHandler = void (*)(const char* what);
// Returns the handler it replaces.
DefectHandler setDefectHandler(DefectHandler handler);
void reportDefect(const char* what) noexcept;

// Runs a handler from a slot that Qt calls. QtWidgets is built without exception
// support, so nothing may unwind through its frames; whatever still arrives here
// is reported as a defect, never swallowed.
template <typename F> void guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        reportDefect(e.what());
    } catch (...) {
        reportDefect("unknown exception");
    }
}

// A handler's failure path: a platform failure inside `step` ends the handler
// and runs `onFailure`. Anything else is a defect and passes on to guarded().
template <typename OnFailure, typename Step> void endsWith(OnFailure&& onFailure, Step&& step) {
    try {
        step();
    } catch (const PlatformError&) {
        onFailure();
    }
}

// A failure path that ends the handler without a word.
template <typename Step> void endsSilently(Step&& step) {
    endsWith([] {}, step);
}

} // namespace platform
