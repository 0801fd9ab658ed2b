#pragma once

#include <QCoroTask>

// Screen actions call an asynchronous member of the state objects and never wait for it: the outcome
// comes back through their published properties.
namespace quorvale {

// Lets the task run to its end with nobody awaiting it; whatever it throws is dropped.
void detach(QCoro::Task<> task);

} // namespace quorvale
