#pragma once

#include <QString>
#include <exception>

namespace quorvale {

// The user-facing text of a caught failure; empty for an exception that carries none.
QString describe(const std::exception_ptr &error);

} // namespace quorvale
