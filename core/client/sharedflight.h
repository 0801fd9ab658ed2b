#pragma once

#include "core/client/cancellationerror.h"

#include <QFuture>
#include <QPromise>
#include <exception>

namespace quorvale {

// One piece of work that several callers await together: whoever starts it finishes or fails it,
// and every caller awaits future(), which yields the value or rethrows the failure. Cancelling
// finishes it at once with CancellationError; the producer sees isCancelled() and drops its result.
// The future is never cancelled itself: awaiting a cancelled QFuture is not safe.
template <typename T> class SharedFlight
{
public:
    SharedFlight()
    {
        m_promise.start();
        m_future = m_promise.future();
    }
    // A flight nobody finished must still end: a promise dropped unfinished leaves its future
    // cancelled, which its awaiters cannot survive.
    ~SharedFlight() { cancel(); }
    SharedFlight(const SharedFlight &) = delete;
    SharedFlight &operator=(const SharedFlight &) = delete;

    QFuture<T> future() const { return m_future; }
    bool isFinished() const { return m_future.isFinished(); }
    bool isCancelled() const { return m_cancelled; }

    void finish(T value)
    {
        if (isFinished())
            return;
        m_promise.addResult(std::move(value));
        m_promise.finish();
    }

    void fail(std::exception_ptr error)
    {
        if (isFinished())
            return;
        m_promise.setException(error);
        m_promise.finish();
    }

    void cancel()
    {
        m_cancelled = true;
        fail(std::make_exception_ptr(CancellationError()));
    }

private:
    QPromise<T> m_promise;
    QFuture<T> m_future;
    bool m_cancelled = false;
};

} // namespace quorvale
