#pragma once

#include "tests/support/launch.h"

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <stdexcept>

// Runs a coroutine to its end inside a nested event loop and hands back its value or rethrows its
// exception. QCoro::waitFor hangs when the coroutine throws, hence this helper.
namespace quorvale::testing {

template <typename T> T awaitTask(QCoro::Task<T> task, int timeoutMs = 20000)
{
    const auto outcome = launch(std::move(task));
    if (!outcome->done) {
        QEventLoop loop;
        outcome->waiting = &loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        outcome->waiting = nullptr;
    }
    if (!outcome->done)
        throw std::runtime_error("the awaited task did not finish in time");
    if (outcome->error)
        std::rethrow_exception(outcome->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome->value);
}

} // namespace quorvale::testing
