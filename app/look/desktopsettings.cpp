#include "app/look/desktopsettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace quorvale {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString portalInterface = QStringLiteral("org.freedesktop.portal.Settings");

QString settingId(const QString &settingNamespace, const QString &key)
{
    return settingNamespace + u'/' + key;
}

} // namespace

QVariant DesktopSettings::unwrapped(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

void DesktopSettings::follow(const QString &settingNamespace, const QString &key)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_followed.insert(settingId(settingNamespace, key));
    if (!m_listening) {
        // QtDBus matches the slot to the signal by its parameters' type names, and finds a type by
        // name only once it was registered: without this the connection fails and no change arrives.
        qRegisterMetaType<QDBusVariant>();
        m_listening =
            bus.connect(portalService, portalPath, portalInterface, QStringLiteral("SettingChanged"), this,
                        SLOT(settingChanged(QString, QString, QDBusVariant)));
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, portalInterface, QStringLiteral("Read"));
    call << settingNamespace << key;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, settingNamespace, key](QDBusPendingCallWatcher *finished) {
                const QDBusMessage reply = finished->reply();
                // Desktops answer only the settings they own; the rest come back as errors.
                if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                    emit changed(settingNamespace, key, unwrapped(reply.arguments().first()));
                finished->deleteLater();
            });
}

void DesktopSettings::settingChanged(const QString &settingNamespace, const QString &key,
                                     const QDBusVariant &value)
{
    if (m_followed.contains(settingId(settingNamespace, key)))
        emit changed(settingNamespace, key, unwrapped(value.variant()));
}

} // namespace quorvale
