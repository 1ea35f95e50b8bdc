#include "waiting.h"

#include "system/errors.h"

#include <QEventLoop>
#include <QScopedValueRollback>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <exception>

namespace platform {

namespace {

struct Job {
    std::function<void()> work;
    std::exception_ptr failure;
    std::atomic<bool> done = false;
};

bool waiting = false;

} // namespace

bool waitForWork(Dialogs& dialogs, const QString& text, std::function<void()> work) {
    if (waiting)
        throw PlatformError(QStringLiteral("Still busy with earlier work"));
    const QScopedValueRollback busy(waiting, true);

    const auto job = std::make_shared<Job>();
    job->work = std::move(work);
    QThreadPool::globalInstance()->start([job] {
        try {
            job->work();
        } catch (...) {
            job->failure = std::current_exception();
        }
        job->done.store(true, std::memory_order_release);
    });
    const auto finished = [job] { return job->done.load(std::memory_order_acquire); };

    if (!finished()) {
        // Until the box shows, input is held back rather than handled: it is
        // delivered once the handler that waits has ended.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&loop, &finished] {
            if (finished())
                loop.quit();
        });
        poll.start(kProgressPollMs);
        QTimer::singleShot(dialogs.progressDelayMs(), &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!finished() && !dialogs.progress(text, finished))
        return false;
    if (job->failure)
        std::rethrow_exception(job->failure);
    return true;
}

} // namespace platform
