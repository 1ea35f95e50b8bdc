#pragma once

#include "dialogs.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// How often a wait looks whether its work is done.
inline constexpr int kProgressPollMs = 10;

// Runs `work` on a worker thread while this thread's event loop keeps turning:
// the windows repaint and timers fire, but user input waits until the work ends,
// so no handler starts inside the one that waits (a second wait meanwhile
// throws). When the work is not done after dialogs.progressDelayMs(), the
// dialogs' progress box offers to cancel it. Returns whether the work ran to its
// end; after a cancel it runs on unseen and its result is dropped. What the work
// throws is thrown here.
bool waitForWork(Dialogs& dialogs, const QString& text, std::function<void()> work);

// The same for work with a result: nothing when the user cancelled.
template <typename T>
std::optional<T> waitForResult(Dialogs& dialogs, const QString& text, std::function<T()> work) {
    // Shared with the worker, which may outlive this call after a cancel.
    auto result = std::make_shared<std::optional<T>>();
    if (!waitForWork(dialogs, text, [result, work = std::move(work)] { *result = work(); }))
        return std::nullopt;
    return std::move(*result);
}

} // namespace platform
