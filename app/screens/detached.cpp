#include "app/screens/detached.h"

#include "core/client/settled.h"

namespace quorvale {

namespace {

QCoro::Task<> finish(QCoro::Task<> task)
{
    co_await settled(std::move(task));
}

} // namespace

void detach(QCoro::Task<> task)
{
    finish(std::move(task));
}

} // namespace quorvale
