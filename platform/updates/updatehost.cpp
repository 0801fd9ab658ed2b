#include "platform/updates/updatehost.h"

#include "platform/updates/startreport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStorageInfo>

namespace quorvale::updates {

UpdateHost UpdateHost::application()
{
    UpdateHost host;
    host.executablePath = QCoreApplication::applicationFilePath();
    host.settings = std::make_shared<QSettings>();
    host.launch = [](const QString &executable, int reportChannel) {
        return start(executable, QCoreApplication::arguments().mid(1), reportChannel);
    };
    host.quit = &QCoreApplication::quit;
    host.clock = &QDateTime::currentDateTimeUtc;
    return host;
}

std::optional<qint64> UpdateHost::start(const QString &executable, const QStringList &arguments,
                                        int reportChannel)
{
    QProcess program;
    program.setProgram(executable);
    program.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(reportChannelVariable()), QString::number(reportChannel));
    program.setProcessEnvironment(environment);
    qint64 process = 0;
    if (!program.startDetached(&process))
        return std::nullopt;
    return process;
}

qint64 UpdateHost::availableSpace(const QString &folder)
{
    return QStorageInfo(folder).bytesAvailable();
}

} // namespace quorvale::updates
