#pragma once

#include <QDateTime>
#include <QSettings>
#include <QSslConfiguration>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// What the updater needs of the program it updates: the executable it runs from, where its settings
// live, how to start the program again, the free space on disk, and the clock. Tests point each at
// their own.
namespace quorvale::updates {

struct UpdateHost
{
    QString executablePath;
    std::shared_ptr<QSettings> settings;
    // Replaces the system's TLS configuration when set; certificate errors are never ignored.
    std::optional<QSslConfiguration> tls;
    // Starts the installed executable and ends this process; false when it could not be started.
    std::function<bool(const QString &executable)> relaunch;
    std::function<QDateTime()> clock;
    // Bytes free for this user in the folder.
    std::function<qint64(const QString &folder)> freeSpace = &availableSpace;

    // This process, its user settings and the system clock.
    static UpdateHost application();
    static qint64 availableSpace(const QString &folder);
};

} // namespace quorvale::updates
