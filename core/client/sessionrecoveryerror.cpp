#include "core/client/sessionrecoveryerror.h"

namespace quorvale {

SessionRecoveryError SessionRecoveryError::captchaRequired(const QByteArray &image)
{
    return SessionRecoveryError(Kind::CaptchaRequired, image);
}

SessionRecoveryError SessionRecoveryError::manualLoginRequired()
{
    return SessionRecoveryError(Kind::ManualLoginRequired, {});
}

QString SessionRecoveryError::description() const
{
    if (m_kind == Kind::CaptchaRequired)
        return QStringLiteral("请输入验证码完成登录");
    return QStringLiteral("登录已过期，请重新登录");
}

} // namespace quorvale
