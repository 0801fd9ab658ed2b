#include "core/client/cancellationerror.h"

namespace quorvale {

QString CancellationError::description() const
{
    return QStringLiteral("操作已取消");
}

bool isCancellation(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError &) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace quorvale
