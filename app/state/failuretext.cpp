#include "app/state/failuretext.h"

#include "core/base/errors.h"

namespace quorvale {

QString describe(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error &failure) {
        return failure.description();
    } catch (const std::exception &failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return QString();
    }
}

} // namespace quorvale
