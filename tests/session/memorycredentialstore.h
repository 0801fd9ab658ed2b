#pragma once

#include "core/base/errors.h"
#include "core/client/credentialstore.h"

#include <QCoroSignal>
#include <QObject>

namespace quorvale::testing {

// Saved credentials in memory, with failure switches, counters, and operations held until the test
// lets them go on.
class MemoryCredentialStore : public QObject, public CredentialStore
{
    Q_OBJECT

public:
    std::optional<SavedCredentials> saved;
    bool failLoad = false;
    bool failRemove = false;
    bool holdLoad = false;
    bool holdRemove = false;
    int loads = 0;
    // Operations waiting for release().
    int waiting = 0;

    QCoro::Task<std::optional<SavedCredentials>> load() override
    {
        ++loads;
        if (holdLoad)
            co_await wait();
        if (failLoad)
            throw DemoError::message(QStringLiteral("暂时无法读取钥匙串，请手动登录"));
        // A copy of its own, as a keyring hands out: the caller wipes it once used.
        if (!saved)
            co_return std::nullopt;
        co_return own(*saved);
    }

    QCoro::Task<> save(const SavedCredentials &credentials) override
    {
        saved = own(credentials);
        co_return;
    }

    QCoro::Task<> remove() override
    {
        if (holdRemove)
            co_await wait();
        if (failRemove)
            throw DemoError::message(QStringLiteral("无法移除钥匙串中的账号"));
        saved.reset();
    }

    // Lets every held operation go on.
    void release()
    {
        holdLoad = false;
        holdRemove = false;
        emit released();
    }

signals:
    void released();

private:
    static SavedCredentials own(const SavedCredentials &credentials)
    {
        return {QString(credentials.account.constData(), credentials.account.size()),
                QString(credentials.password.constData(), credentials.password.size())};
    }

    QCoro::Task<> wait()
    {
        ++waiting;
        co_await qCoro(this, &MemoryCredentialStore::released);
        --waiting;
    }
};

} // namespace quorvale::testing
