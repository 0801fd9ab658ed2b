#pragma once

#include <QCoroTask>
#include <exception>
#include <optional>
#include <type_traits>

namespace quorvale {

// How an awaited step ended: its value, or the exception it threw. Lets a coroutine look at a failure
// after checking that its object still exists, since a catch handler cannot await.
template <typename T> struct Settled
{
    std::optional<T> value;
    std::exception_ptr error;
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

} // namespace quorvale
