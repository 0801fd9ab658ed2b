#include "core/client/keychaincredentialstore.h"

#include "core/base/errors.h"
#include "core/base/platformconfig.h"

#include <QCoroSignal>
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
    if (job->error() == QKeychain::EntryNotFound)
        co_return std::nullopt;
    if (job->error() != QKeychain::NoError)
        throw DemoError::message(QStringLiteral("暂时无法读取钥匙串，请手动登录"));
    try {
        co_return SavedCredentials::fromJson(job->binaryData());
    } catch (const DecodingError &) {
        throw DemoError::message(QStringLiteral("已保存的账号无法读取，请重新登录"));
    }
}

QCoro::Task<> KeychainCredentialStore::save(SavedCredentials credentials)
{
    const auto job = makeJob<QKeychain::WritePasswordJob>(m_service, m_item);
    job->setTextData(QString::fromUtf8(credentials.toJson()));
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
