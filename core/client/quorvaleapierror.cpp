#include "core/client/quorvaleapierror.h"

namespace quorvale {

QuorvaleAPIError QuorvaleAPIError::service(qint64 code, const QString &message)
{
    QuorvaleAPIError error(Kind::Service);
    error.m_code = code;
    error.m_message = message;
    return error;
}

QString QuorvaleAPIError::description() const
{
    switch (m_kind) {
    case Kind::Service:
        return m_message + QStringLiteral("（代码 ") + QString::number(m_code) + QStringLiteral("）");
    case Kind::Unauthenticated:
        return QStringLiteral("未登录或会话已过期，请重新登录澜序");
    case Kind::InvalidResponse:
        return QStringLiteral("澜序未返回预期数据，请检查网络；也可以尝试官网登录");
    case Kind::Network:
        break;
    }
    return QStringLiteral("无法连接澜序，请检查网络后重试");
}

} // namespace quorvale
