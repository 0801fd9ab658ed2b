#pragma once

#include "platform/updates/updatetransfer.h"

#include <QDateTime>
#include <QSettings>
#include <QSslConfiguration>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// What the updater needs of the program it updates: the executable it runs from, where its settings
// live, how to start the new version and end this one, the free space on disk, and the clock. Tests
// point each at their own.
namespace quorvale::updates {

struct UpdateHost
{
    QString executablePath;
    std::shared_ptr<QSettings> settings;
    // Replaces the system's TLS configuration when set; certificate errors are never ignored.
    std::optional<QSslConfiguration> tls;
    // Starts the new version's executable as a child of this process, handing it the pipe on which it
    // reports how it starts: its process id, or nothing when it could not be started. The updater reaps
    // the child, so it alone knows when the id stops being the program's.
    std::function<std::optional<qint64>(const QString &executable, int reportChannel)> launch;
    // Ends this process once the new version has shown that it runs.
    std::function<void()> quit;
    std::function<QDateTime()> clock;
    // Bytes free for this user in the folder.
    std::function<qint64(const QString &folder)> freeSpace = &availableSpace;
    TransferBounds bounds = {};

    // This process, its user settings and the system clock.
    static UpdateHost application();
    static qint64 availableSpace(const QString &folder);
    // Starts a program as a child in a session of its own, so it outlives this one; the report pipe is
    // named in its environment.
    static std::optional<qint64> start(const QString &executable, const QStringList &arguments,
                                       int reportChannel);
};

} // namespace quorvale::updates
