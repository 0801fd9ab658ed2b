#pragma once

#include "core/client/settled.h"

#include <QCoroTask>
#include <QEventLoop>
#include <memory>
#include <optional>

namespace quorvale::testing {

// The end of a coroutine the test started without waiting for it.
template <typename T> struct Outcome : Settled<T>
{
    bool done = false;
    // A loop waiting for the end, quit when it comes.
    QEventLoop *waiting = nullptr;

    // The error it ended with, if it is of type E.
    template <typename E> std::optional<E> failure() const
    {
        try {
            if (this->error)
                std::rethrow_exception(this->error);
        } catch (const E &caught) {
            return caught;
        } catch (...) {
        }
        return std::nullopt;
    }
};

namespace detail {

template <typename T> QCoro::Task<> record(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome)
{
    static_cast<Settled<T> &>(*outcome) = co_await settled(std::move(task));
    outcome->done = true;
    if (outcome->waiting)
        outcome->waiting->quit();
}

} // namespace detail

// Starts a coroutine and returns where its end will be recorded; the test's event loop drives it.
template <typename T> std::shared_ptr<Outcome<T>> launch(QCoro::Task<T> task)
{
    auto outcome = std::make_shared<Outcome<T>>();
    detail::record(std::move(task), outcome);
    return outcome;
}

} // namespace quorvale::testing
