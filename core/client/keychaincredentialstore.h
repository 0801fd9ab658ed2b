#pragma once

#include "core/client/credentialstore.h"

namespace quorvale {

// The remembered account in the desktop's Secret Service, as one item: the JSON of
// SavedCredentials under the service name and the item name. Never falls back to a plain file.
class KeychainCredentialStore : public CredentialStore
{
public:
    // The application's identifier and the platform host, and the item "automatic-login".
    KeychainCredentialStore();
    KeychainCredentialStore(const QString &service, const QString &item);

    QString service() const { return m_service; }
    QString item() const { return m_item; }

    QCoro::Task<std::optional<SavedCredentials>> load() override;
    QCoro::Task<> save(const SavedCredentials &credentials) override;
    QCoro::Task<> remove() override;

private:
    QString m_service;
    QString m_item;
};

} // namespace quorvale
