#pragma once

#include <QCoroTask>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

// Requests that do not wait for each other's answers are started together and read back in a fixed
// order. A landed flight holds its value or its failure until it is read, so the first failure in
// reading order decides, whichever answer came first; and every flight is awaited before the caller
// ends, so nothing of a finished call is still on its way.
namespace quorvale::flights {

template <typename T> class Landed
{
public:
    static Landed success(T value) { return Landed(std::move(value), nullptr); }
    static Landed failure(std::exception_ptr error) { return Landed(std::nullopt, std::move(error)); }

    bool failed() const { return bool(m_error); }
    std::exception_ptr error() const { return m_error; }
    // The value, or the failure thrown again.
    T take()
    {
        if (m_error)
            std::rethrow_exception(m_error);
        return std::move(*m_value);
    }

private:
    Landed(std::optional<T> value, std::exception_ptr error)
        : m_value(std::move(value))
        , m_error(std::move(error))
    {}

    std::optional<T> m_value;
    std::exception_ptr m_error;
};

// Runs a started task to its end and keeps its outcome instead of throwing it.
template <typename T> QCoro::Task<Landed<T>> settle(QCoro::Task<T> task)
{
    std::exception_ptr error;
    try {
        co_return Landed<T>::success(co_await std::move(task));
    } catch (...) {
        error = std::current_exception();
    }
    co_return Landed<T>::failure(error);
}

// Awaits every flight, in order.
template <typename T> QCoro::Task<std::vector<Landed<T>>> land(std::vector<QCoro::Task<Landed<T>>> flights)
{
    std::vector<Landed<T>> landed;
    landed.reserve(flights.size());
    for (QCoro::Task<Landed<T>> &flight : flights)
        landed.push_back(co_await std::move(flight));
    co_return landed;
}

} // namespace quorvale::flights
