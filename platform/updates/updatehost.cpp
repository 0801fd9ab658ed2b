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
    host.relaunch = [](const QString &executable) {
        if (!QProcess::startDetached(executable, QCoreApplication::arguments().mid(1)))
            return false;
        QCoreApplication::quit();
        return true;
    };
    host.clock = &QDateTime::currentDateTimeUtc;
    return host;
}

qint64 UpdateHost::availableSpace(const QString &folder)
{
    return QStorageInfo(folder).bytesAvailable();
}

} // namespace quorvale::updates
