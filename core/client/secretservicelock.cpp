#include "core/client/secretservicelock.h"

#include <QCoroDBusPendingReply>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QMap>

namespace quorvale {

namespace {

using Attributes = QMap<QString, QString>;

} // namespace

QCoro::Task<bool> secretItemLocked(QString service, QString key)
{
    qDBusRegisterMetaType<Attributes>();
    QDBusMessage search = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    // Asking must not start a keyring daemon on a desktop that keeps its secrets elsewhere.
    search.setAutoStartService(false);
    // The attributes qtkeychain gives the items it writes.
    search << QVariant::fromValue(
        Attributes{{QStringLiteral("server"), service}, {QStringLiteral("user"), key}});
    QDBusPendingReply<QList<QDBusObjectPath>, QList<QDBusObjectPath>> reply =
        QDBusConnection::sessionBus().asyncCall(search);
    co_await reply;
    co_return reply.isValid() && !reply.argumentAt<1>().isEmpty();
}

} // namespace quorvale
