#include "core/client/cancellationerror.h"

namespace quorvale {

QString CancellationError::description() const
{
    return QStringLiteral("操作已取消");
}

} // namespace quorvale
