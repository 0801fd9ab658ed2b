#pragma once

#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"

#include <QTimeZone>
#include <memory>
#include <optional>

namespace quorvale::testing {

// A simulated platform on loopback and a client pointed at it. Both clocks are fixed and agree
// unless a test moves one of them.
struct ClientFixture
{
    explicit ClientFixture(const TransportSettings &transport = {}, std::optional<QSslConfiguration> tls = {})
    {
        platform.setClock([this] { return platformNow; });
        platform.listen(0, tls);
        api = std::make_unique<QuorvaleAPI>(platform.origin(), transport, [this] { return clientNow; });
    }

    void addAccount(const QString &name, const QString &password)
    {
        platform.sessions().addAccount({name, password, QStringLiteral("王老师"), {17, 23}, false});
    }

    // Where the platform would answer a path, for scripting and for reading the log.
    static QString probe() { return QStringLiteral("/api/Test/Probe"); }

    QDateTime clientNow{QDate(2024, 3, 4), QTime(1, 2, 3), QTimeZone::utc()};
    QDateTime platformNow = clientNow;
    demo::DemoPlatform platform;
    std::unique_ptr<QuorvaleAPI> api;
};

// The API error a task ends with, or none when it succeeded or failed otherwise.
template <typename T> std::optional<QuorvaleAPIError> apiFailure(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const QuorvaleAPIError &error) {
        return error;
    }
    return std::nullopt;
}

// The description of the error a task ends with; empty when it succeeded.
template <typename T> QString failureText(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const Error &error) {
        return error.description();
    }
    return {};
}

inline demo::HttpResponse jsonAnswer(const QByteArray &body, int status = 200)
{
    return {status, {{"Content-Type", "application/json"}}, body};
}

} // namespace quorvale::testing
