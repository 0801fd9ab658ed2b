#pragma once

#include "core/base/errors.h"

#include <QString>

namespace quorvale {

// Why a platform call failed: the transport, the HTTP answer or the platform's envelope said no.
class QuorvaleAPIError : public Error
{
public:
    enum class Kind
    {
        Service,
        Unauthenticated,
        InvalidResponse,
        Network
    };

    static QuorvaleAPIError service(qint64 code, const QString &message);
    static QuorvaleAPIError unauthenticated() { return QuorvaleAPIError(Kind::Unauthenticated); }
    static QuorvaleAPIError invalidResponse() { return QuorvaleAPIError(Kind::InvalidResponse); }
    static QuorvaleAPIError network() { return QuorvaleAPIError(Kind::Network); }

    Kind kind() const { return m_kind; }
    // The platform's code and message; meaningful for Kind::Service only.
    qint64 code() const { return m_code; }
    QString message() const { return m_message; }
    QString description() const override;

    bool operator==(const QuorvaleAPIError &other) const
    {
        return m_kind == other.m_kind && m_code == other.m_code && m_message == other.m_message;
    }

private:
    explicit QuorvaleAPIError(Kind kind)
        : m_kind(kind)
    {}

    Kind m_kind;
    qint64 m_code = 0;
    QString m_message;
};

} // namespace quorvale
