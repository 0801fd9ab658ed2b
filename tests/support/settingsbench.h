#pragma once

#include "app/shell/settingswindow.h"
#include "app/updates/updatercontroller.h"

#include <QDateTime>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace quorvale::testing {

// The settings window over an updater whose files live in a folder of their own.
struct SettingsBench
{
    QTemporaryDir folder;
    UpdaterController updater{
        {},
        true,
        [] { return true; },
        {folder.filePath(QStringLiteral("QuorvaleDemo")),
         std::make_shared<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
         std::nullopt, [](const QString &, int) { return std::nullopt; }, [] {}, &QDateTime::currentDateTimeUtc}};
    SettingsWindow window{&updater};
};

} // namespace quorvale::testing
