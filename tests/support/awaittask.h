#pragma once

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>

// Runs a coroutine to its end inside a nested event loop and hands back its value or rethrows its
// exception. QCoro::waitFor hangs when the coroutine throws, hence this helper.
namespace quorvale::testing {

namespace detail {

template <typename T>
struct Outcome
{
    std::optional<T> value;
    std::exception_ptr error;
    bool done = false;
    QEventLoop loop;
};

template <>
struct Outcome<void>
{
    std::exception_ptr error;
    bool done = false;
    QEventLoop loop;
};

template <typename T>
QCoro::Task<> drive(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome)
{
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            outcome->value.emplace(co_await std::move(task));
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    outcome->loop.quit();
}

} // namespace detail

template <typename T>
T awaitTask(QCoro::Task<T> task, int timeoutMs = 20000)
{
    auto outcome = std::make_shared<detail::Outcome<T>>();
    detail::drive(std::move(task), outcome);
    if (!outcome->done) {
        QTimer::singleShot(timeoutMs, &outcome->loop, &QEventLoop::quit);
        outcome->loop.exec();
    }
    if (!outcome->done)
        throw std::runtime_error("the awaited task did not finish in time");
    if (outcome->error)
        std::rethrow_exception(outcome->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome->value);
}

} // namespace quorvale::testing
