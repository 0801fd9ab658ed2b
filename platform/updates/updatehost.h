#pragma once

#include <QDateTime>
#include <QSettings>
#include <QSslConfiguration>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// What the updater needs of the program it updates: the executable it replaces, where its settings
// live, how to start the program again, and the clock. Tests point each at their own.
namespace quorvale::updates {

struct UpdateHost
{
    QString executablePath;
    std::shared_ptr<QSettings> settings;
    // Replaces the system's TLS configuration when set; certificate errors are never ignored.
    std::optional<QSslConfiguration> tls;
    // Starts the installed executable again and ends this process.
    std::function<void(const QString &executable)> relaunch;
    std::function<QDateTime()> clock;

    // This process, its user settings and the system clock.
    static UpdateHost application();
};

} // namespace quorvale::updates
