#pragma once

#include "core/base/errors.h"

#include <exception>

namespace quorvale {

// Work that a newer session or a newer request made stale. Callers drop it without showing it.
class CancellationError : public Error
{
public:
    QString description() const override;
};

// Whether the failure only says that newer work made this work stale.
bool isCancellation(const std::exception_ptr &error);

} // namespace quorvale
