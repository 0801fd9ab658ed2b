#include "platform/updates/updatehost.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStorageInfo>

namespace quorvale::updates {

UpdateHost UpdateHost::application()
{
    UpdateHost host;
    host.executablePath = QCoreApplication::applicationFilePath();
    host.settings = std::make_shared<QSettings>();
    host.launch = [](const QString &executable) -> std::optional<qint64> {
        qint64 process = 0;
        if (!QProcess::startDetached(executable, QCoreApplication::arguments().mid(1), QString(), &process))
            return std::nullopt;
        return process;
    };
    host.quit = &QCoreApplication::quit;
    host.clock = &QDateTime::currentDateTimeUtc;
    return host;
}

qint64 UpdateHost::availableSpace(const QString &folder)
{
    return QStorageInfo(folder).bytesAvailable();
}

} // namespace quorvale::updates
