#include "core/client/keychaincredentialstore.h"

#include "core/base/errors.h"
#include "core/base/platformconfig.h"
#include "core/client/secretservicelock.h"
#include "core/client/secretwipe.h"

#include <QCoroSignal>
#include <QScopeGuard>
#include <memory>
#include <qt6keychain/keychain.h>

namespace quorvale {

namespace {

struct JobDeleter
{
    void operator()(QKeychain::Job *job) const { job->deleteLater(); }
};

template <typename Job> std::unique_ptr<Job, JobDeleter> makeJob(const QString &service, const QString &item)
{
    std::unique_ptr<Job, JobDeleter> job(new Job(service));
    job->setAutoDelete(false);
    // The fallback would write the password into a settings file in clear text.
    job->setInsecureFallback(false);
    job->setKey(item);
    return job;
}

QCoro::Task<> run(QKeychain::Job *job)
{
    // start() only queues the job, so the wait below is in place before it can finish.
    job->start();
    co_await qCoro(job, &QKeychain::Job::finished);
}

DemoError unreadable()
{
    return DemoError::message(QStringLiteral("暂时无法读取钥匙串，请手动登录"));
}

} // namespace

KeychainCredentialStore::KeychainCredentialStore()
    : KeychainCredentialStore(platform::bundleIdentifier() + u'.' + platform::origin().host(),
                              QStringLiteral("automatic-login"))
{}

KeychainCredentialStore::KeychainCredentialStore(const QString &service, const QString &item)
    : m_service(service)
    , m_item(item)
{}

QCoro::Task<std::optional<SavedCredentials>> KeychainCredentialStore::load()
{
    const auto job = makeJob<QKeychain::ReadPasswordJob>(m_service, m_item);
    co_await run(job.get());
    if (job->error() == QKeychain::EntryNotFound) {
        // A locked collection whose unlock was refused reads as no entry too.
        const bool locked = co_await secretItemLocked(m_service, m_item);
        if (locked)
            throw unreadable();
        co_return std::nullopt;
    }
    if (job->error() != QKeychain::NoError)
        throw unreadable();
    // Shares the job's buffer, so wiping it wipes the job's copy of the item too.
    QByteArray item = job->binaryData();
    const auto wipeItem = qScopeGuard([&item] { wipe(item); });
    try {
        co_return SavedCredentials::fromJson(item);
    } catch (const DecodingError &) {
        throw DemoError::message(QStringLiteral("已保存的账号无法读取，请重新登录"));
    }
}

QCoro::Task<> KeychainCredentialStore::save(const SavedCredentials &credentials)
{
    const auto job = makeJob<QKeychain::WritePasswordJob>(m_service, m_item);
    QByteArray item = credentials.toJson();
    QString text = QString::fromUtf8(item);
    job->setTextData(text);
    wipe(text);
    wipe(item);
    co_await run(job.get());
    if (job->error() != QKeychain::NoError)
        throw DemoError::message(QStringLiteral("密码未能保存到钥匙串"));
}

QCoro::Task<> KeychainCredentialStore::remove()
{
    const auto job = makeJob<QKeychain::DeletePasswordJob>(m_service, m_item);
    co_await run(job.get());
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound)
        throw DemoError::message(QStringLiteral("无法移除钥匙串中的账号"));
}

} // namespace quorvale
