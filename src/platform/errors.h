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

// Runs a handler from a slot that Qt calls. QtWidgets is built without exception
// support, so nothing may unwind through its frames: whatever a handler lets
// escape stops here.
template <typename F> void guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (...) {
    }
}

} // namespace platform
