#pragma once

#include <QString>
#include <QVariant>

// The application-wide reduce-motion flag. Every animation asks it before it moves anything: when it
// is on, changes take their final look at once. It follows the desktop's animation setting where
// that can be read, and is off otherwise.
namespace quorvale::motion {

bool reduced();
void setReduced(bool reduced);

// Reads the desktop's setting now from the configuration files of KDE and GTK and from the desktop
// portal, and keeps following the changes of both. Called once by the application at start-up.
void followDesktop();

// Whether the KDE or GTK configuration under configHome (the XDG config folder) turns animations off.
bool configReducesMotion(const QString &configHome);

// Whether one portal setting asks for reduced motion; unknown settings never do.
bool portalSettingReducesMotion(const QString &settingNamespace, const QString &key, const QVariant &value);

} // namespace quorvale::motion
