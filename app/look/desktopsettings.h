#pragma once

#include <QObject>
#include <QSet>
#include <QVariant>

class QDBusVariant;

// The settings a desktop publishes through the XDG desktop portal (reduce motion, the colour
// scheme): each setting asked for is read once and followed while it changes. Without a session bus,
// or for a setting the desktop does not publish, nothing is ever reported.
namespace quorvale {

class DesktopSettings : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void follow(const QString &settingNamespace, const QString &key);

    // The value inside the portal's variants: Read wraps it in one variant more than ReadOne.
    static QVariant unwrapped(QVariant value);

signals:
    void changed(const QString &settingNamespace, const QString &key, const QVariant &value);

private slots:
    void settingChanged(const QString &settingNamespace, const QString &key, const QDBusVariant &value);

private:
    QSet<QString> m_followed;
    bool m_listening = false;
};

} // namespace quorvale
