// A stand-in for the desktop portal's settings, for tests and for trying the application by hand on a
// private session bus: it owns org.freedesktop.portal.Desktop, answers Read and ReadOne as the portal
// does, and changes a setting when told on standard input, sending SettingChanged as a desktop does.
// Usage: quorvale-portal-standin [COLOR_SCHEME]
// Each line on standard input is "NAMESPACE KEY u NUMBER" or "NAMESPACE KEY b true|false"; the
// program prints "ready" once it owns the name and "sent" after each signal.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QHash>
#include <QSocketNotifier>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

class PortalSettings : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    void set(const QString &settingNamespace, const QString &key, const QVariant &value)
    {
        m_values.insert(settingNamespace + u'\n' + key, value);
    }

public slots:
    // The portal's Read wraps the value in one variant more than ReadOne.
    QDBusVariant Read(const QString &settingNamespace, const QString &key)
    {
        return QDBusVariant(QVariant::fromValue(ReadOne(settingNamespace, key)));
    }

    QDBusVariant ReadOne(const QString &settingNamespace, const QString &key)
    {
        const auto found = m_values.constFind(settingNamespace + u'\n' + key);
        if (found == m_values.cend()) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("Requested setting not found"));
            return {};
        }
        return QDBusVariant(*found);
    }

private:
    QHash<QString, QVariant> m_values;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    qRegisterMetaType<QDBusVariant>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    PortalSettings settings;
    if (argc > 1)
        settings.set(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                     QString::fromLocal8Bit(argv[1]).toUInt());
    if (!bus.registerObject(portalPath, &settings, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "cannot own the portal's name on the session bus\n");
        return 1;
    }

    QTextStream input(stdin);
    QSocketNotifier lines(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&lines, &QSocketNotifier::activated, &application, [&] {
        const QString line = input.readLine();
        if (line.isNull()) {
            QCoreApplication::quit();
            return;
        }
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        if (parts.size() != 4)
            return;
        const QVariant value = parts[2] == u"b" ? QVariant(parts[3] == u"true") : QVariant(parts[3].toUInt());
        settings.set(parts[0], parts[1], value);
        QDBusMessage signal =
            QDBusMessage::createSignal(portalPath, settingsInterface, QStringLiteral("SettingChanged"));
        signal << parts[0] << parts[1] << QVariant::fromValue(QDBusVariant(value));
        bus.send(signal);
        std::printf("sent\n");
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return application.exec();
}

#include "portalstandin.moc"
