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
        // A copy: g++ 12 moves from a member named in co_return.
        const std::optional<SavedCredentials> copy = saved;
        co_return copy;
    }

    QCoro::Task<> save(SavedCredentials credentials) override
    {
        saved = credentials;
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
    QCoro::Task<> wait()
    {
        ++waiting;
        co_await qCoro(this, &MemoryCredentialStore::released);
        --waiting;
    }
};

} // namespace quorvale::testing
