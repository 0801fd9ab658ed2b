#include "app/look/reducemotion.h"

#include "app/look/desktopsettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QStandardPaths>
#include <optional>

namespace quorvale::motion {

namespace {

bool g_reduced = false;

bool isNumber(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// Config files hold texts, the portal typed values; both spellings of a Boolean are accepted.
std::optional<bool> boolean(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<bool>())
        return value.toBool();
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    const QString text = value.toString().trimmed().toLower();
    if (text == u"true" || text == u"1")
        return true;
    if (text == u"false" || text == u"0")
        return false;
    return std::nullopt;
}

bool isZeroFactor(const QVariant &value)
{
    if (!isNumber(value) && value.metaType() != QMetaType::fromType<QString>())
        return false;
    bool ok = false;
    const double factor = value.toDouble(&ok);
    return ok && factor == 0.0;
}

bool appearanceAsksForReduction(const QVariant &value)
{
    return isNumber(value) && value.toDouble() == 1.0;
}

bool animationsSwitchedOff(const QVariant &value)
{
    return boolean(value) == false;
}

// One value of an INI-style configuration file, read from the file as it is now. QSettings is not used:
// it keeps a file it read before while the file's size and modification time stay the same, and a
// desktop that switches a setting within a second writes a file of the same size.
QVariant configValue(const QString &path, QStringView group, QStringView key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // As QSettings reads such a file, the last value given wins.
    QVariant value;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line.size() == group.size() + 2 && line.endsWith(u']') &&
                      QStringView(line).sliced(1, group.size()) == group;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || equals <= 0 || QStringView(line).first(equals).trimmed() != key)
            continue;
        QString text = line.sliced(equals + 1).trimmed();
        if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
            text = text.sliced(1, text.size() - 2);
        value = text;
    }
    return value;
}

// The configuration files that speak about animation, below the XDG config folder.
const QString kdeConfig = QStringLiteral("kdeglobals");
const QString gtkConfigs[] = {QStringLiteral("gtk-3.0/settings.ini"), QStringLiteral("gtk-4.0/settings.ini")};

// The portal settings that speak about animation: the cross-desktop one, GNOME's and KDE's.
struct PortalSetting
{
    QString settingNamespace;
    QString key;
    bool (*reduces)(const QVariant &value);
};

const PortalSetting portalSettings[] = {
    {QStringLiteral("org.freedesktop.appearance"), QStringLiteral("reduced-motion"),
     appearanceAsksForReduction},
    {QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
     animationsSwitchedOff},
    {QStringLiteral("org.kde.kdeglobals.KDE"), QStringLiteral("AnimationDurationFactor"), isZeroFactor},
};

const PortalSetting *portalSetting(const QString &settingNamespace, const QString &key)
{
    for (const PortalSetting &setting : portalSettings) {
        if (setting.settingNamespace == settingNamespace && setting.key == key)
            return &setting;
    }
    return nullptr;
}

// Collects what each source of the desktop says; motion is reduced when any of them asks for it.
class DesktopMotion : public QObject
{
public:
    explicit DesktopMotion(QObject *parent)
        : QObject(parent)
    {}

    void start()
    {
        m_configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        connect(&m_files, &QFileSystemWatcher::fileChanged, this, &DesktopMotion::readConfig);
        connect(&m_files, &QFileSystemWatcher::directoryChanged, this, &DesktopMotion::readConfig);
        readConfig();
        auto *desktop = new DesktopSettings(this);
        connect(desktop, &DesktopSettings::changed, this,
                [this](const QString &settingNamespace, const QString &key, const QVariant &value) {
                    report(settingNamespace + u'/' + key,
                           portalSettingReducesMotion(settingNamespace, key, value));
                });
        for (const PortalSetting &setting : portalSettings)
            desktop->follow(setting.settingNamespace, setting.key);
    }

private:
    // A desktop without the portal writes its setting into these files, often by replacing them, which
    // ends a watch: the folders are watched for files that come and go, and each reading watches again
    // whatever exists then.
    void readConfig()
    {
        QStringList paths{m_configHome};
        for (const QString &file : {kdeConfig, gtkConfigs[0], gtkConfigs[1]}) {
            const QString path = m_configHome + u'/' + file;
            paths << path << QFileInfo(path).path();
        }
        paths.removeDuplicates();
        paths.removeIf([this](const QString &path) {
            return !QFileInfo::exists(path) || m_files.files().contains(path) ||
                   m_files.directories().contains(path);
        });
        if (!paths.isEmpty())
            m_files.addPaths(paths);
        report(QStringLiteral("config"), configReducesMotion(m_configHome));
    }

    void report(const QString &source, bool reduces)
    {
        m_reports.insert(source, reduces);
        bool any = false;
        for (const bool each : std::as_const(m_reports))
            any = any || each;
        setReduced(any);
    }

    QString m_configHome;
    QFileSystemWatcher m_files;
    QHash<QString, bool> m_reports;
};

} // namespace

bool reduced()
{
    return g_reduced;
}

void setReduced(bool reduced)
{
    g_reduced = reduced;
}

void followDesktop()
{
    static DesktopMotion *follower = nullptr;
    if (follower || !QCoreApplication::instance())
        return;
    follower = new DesktopMotion(QCoreApplication::instance());
    follower->start();
}

bool configReducesMotion(const QString &configHome)
{
    if (isZeroFactor(configValue(configHome + u'/' + kdeConfig, u"KDE", u"AnimationDurationFactor")))
        return true;
    for (const QString &file : gtkConfigs) {
        const QVariant enabled = configValue(configHome + u'/' + file, u"Settings", u"gtk-enable-animations");
        if (animationsSwitchedOff(enabled))
            return true;
    }
    return false;
}

bool portalSettingReducesMotion(const QString &settingNamespace, const QString &key, const QVariant &value)
{
    const PortalSetting *setting = portalSetting(settingNamespace, key);
    return setting && setting->reduces(DesktopSettings::unwrapped(value));
}

} // namespace quorvale::motion
