#include "app/shell/globalmenuquery.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>

namespace quorvale {

namespace {

// Global menus register their windows with this service, which Qt looks for.
const QString registrar = QStringLiteral("com.canonical.AppMenu.Registrar");

QDBusPendingCall askForRegistrar()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return QDBusPendingCall::fromCompletedCall(QDBusMessage());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    call << registrar;
    return bus.asyncCall(call);
}

} // namespace

GlobalMenuQuery::GlobalMenuQuery()
    : m_owner(askForRegistrar())
{}

bool GlobalMenuQuery::settle() const
{
    const QDBusPendingReply<bool> owner(m_owner);
    if (!owner.isFinished())
        return false;
    if (owner.isValid() && !owner.value())
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    return true;
}

} // namespace quorvale
