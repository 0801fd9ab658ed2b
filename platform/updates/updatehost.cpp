#include "platform/updates/updatehost.h"

#include <QCoreApplication>
#include <QProcess>

namespace quorvale::updates {

UpdateHost UpdateHost::application()
{
    UpdateHost host;
    host.executablePath = QCoreApplication::applicationFilePath();
    host.settings = std::make_shared<QSettings>();
    host.relaunch = [](const QString &executable) {
        if (QProcess::startDetached(executable, QCoreApplication::arguments().mid(1)))
            QCoreApplication::quit();
    };
    host.clock = &QDateTime::currentDateTimeUtc;
    return host;
}

} // namespace quorvale::updates
