#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <optional>

namespace quorvale {

// The one remembered platform account, as the user typed it.
struct SavedCredentials
{
    QString account;
    QString password;

    // {"account", "password"}; both members required when reading, others ignored. Reading throws
    // DecodingError.
    QByteArray toJson() const;
    static SavedCredentials fromJson(const QByteArray &json);

    bool operator==(const SavedCredentials &) const = default;
};

// Where the remembered account lives. The secret stores answer asynchronously, so each operation
// is a coroutine; each throws DemoError with the text the sign-in screen shows.
class CredentialStore
{
public:
    virtual ~CredentialStore() = default;

    // The saved credentials, or none when nothing is saved. The caller owns the password's buffer and
    // wipes it once used.
    virtual QCoro::Task<std::optional<SavedCredentials>> load() = 0;
    // Stores a copy of the credentials in place of any saved ones; the caller keeps the buffers.
    virtual QCoro::Task<> save(const SavedCredentials &credentials) = 0;
    // Removes the saved credentials; nothing saved is no failure.
    virtual QCoro::Task<> remove() = 0;
};

} // namespace quorvale
