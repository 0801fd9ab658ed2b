#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QPromise>
#include <QThread>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>

// Runs blocking work of an update (unpacking, writing files, waiting a bounded time for the
// installation's lock) on a thread of its own, so the window keeps answering meanwhile. The result, or
// what the work threw, comes back to the awaiting coroutine; whatever the work held (a staged version
// and its folder, say) is let go before then, not when the thread object goes later.
namespace quorvale::updates {

template<typename Work>
QCoro::Task<std::invoke_result_t<Work>> offGuiThread(Work work)
{
    using Result = std::invoke_result_t<Work>;
    auto result = std::make_shared<std::optional<Result>>();
    auto failure = std::make_shared<std::exception_ptr>();
    auto done = std::make_shared<QPromise<void>>();
    QFuture<void> finished = done->future();
    done->start();
    // The thread keeps what it uses; should the program end first, the thread ends with the process.
    QThread *thread = QThread::create([work = std::optional<Work>(std::move(work)), result, failure,
                                       done]() mutable {
        try {
            result->emplace((*work)());
        } catch (...) {
            *failure = std::current_exception();
        }
        work.reset();
        done->finish();
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    co_await finished;
    if (*failure)
        std::rethrow_exception(*failure);
    co_return std::move(**result);
}

} // namespace quorvale::updates
