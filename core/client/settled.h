#pragma once

#include <QCoroTask>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace quorvale {

// How an awaited step ended: its value, or the exception it threw. Lets a coroutine look at a failure
// after checking that its object still exists, since a catch handler cannot await, and lets requests
// started together be read back in a fixed order, so the first failure in that order decides.
template <typename T> struct Settled
{
    std::optional<T> value;
    std::exception_ptr error;

    bool failed() const { return bool(error); }
    // The value, or the failure thrown again.
    T take()
    {
        if (error)
            std::rethrow_exception(error);
        return std::move(*value);
    }
};

template <> struct Settled<void>
{
    std::exception_ptr error;
};

template <typename T> QCoro::Task<Settled<T>> settled(QCoro::Task<T> task)
{
    Settled<T> end;
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            end.value.emplace(co_await std::move(task));
    } catch (...) {
        end.error = std::current_exception();
    }
    co_return end;
}

// Awaits every started step, in order, so nothing of a finished call is still on its way.
template <typename T> QCoro::Task<std::vector<Settled<T>>> land(std::vector<QCoro::Task<Settled<T>>> steps)
{
    std::vector<Settled<T>> landed;
    landed.reserve(steps.size());
    for (QCoro::Task<Settled<T>> &step : steps)
        landed.push_back(co_await std::move(step));
    co_return landed;
}

} // namespace quorvale
