#pragma once

#include "core/base/errors.h"

#include <QByteArray>

namespace quorvale {

// Why an automatic re-sign-in with the remembered account stopped and the user has to sign in.
class SessionRecoveryError : public Error
{
public:
    enum class Kind
    {
        CaptchaRequired,
        ManualLoginRequired
    };

    // The platform wants a captcha; the image is what it sent.
    static SessionRecoveryError captchaRequired(const QByteArray &image);
    // Automatic sign-in is off, blocked after a failure, or has no remembered account.
    static SessionRecoveryError manualLoginRequired();

    Kind kind() const { return m_kind; }
    // The captcha image; empty unless Kind::CaptchaRequired.
    QByteArray captchaImage() const { return m_captchaImage; }
    QString description() const override;

private:
    SessionRecoveryError(Kind kind, const QByteArray &image)
        : m_kind(kind)
        , m_captchaImage(image)
    {}

    Kind m_kind;
    QByteArray m_captchaImage;
};

} // namespace quorvale
