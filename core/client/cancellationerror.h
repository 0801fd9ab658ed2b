#pragma once

#include "core/base/errors.h"

namespace quorvale {

// Work that a newer session or a newer request made stale. Callers drop it without showing it.
class CancellationError : public Error
{
public:
    QString description() const override;
};

} // namespace quorvale
