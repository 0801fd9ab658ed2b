#pragma once

#include <QByteArray>
#include <QString>

namespace quorvale {

// The JSON body of the form sign-in. The password itself never leaves the machine: only a digest
// bound to the timestamp is sent.
struct LoginPayload
{
    LoginPayload(const QString &account, const QString &password, qint64 timestamp);
    // Wipes the digest; a copy would share it, so there are none.
    ~LoginPayload();
    LoginPayload(const LoginPayload &) = delete;
    LoginPayload &operator=(const LoginPayload &) = delete;

    QString name;
    QString password;
    qint64 timestamp = 0;
    bool weakCondition = false;
    qint64 otherCount = 0;

    // "name", "password", "timestamp", "isWeekPassword" (true when weak, else the underscore
    // count) and "LanguageType", in that order. The caller wipes it once it is sent.
    QByteArray toJson() const;

    // MD5 of the UTF-8 bytes as 32 upper-case hexadecimal digits.
    static QString hexDigest(const QString &text);
};

} // namespace quorvale
