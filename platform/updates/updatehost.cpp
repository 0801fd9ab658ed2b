#include "platform/updates/updatehost.h"

#include "platform/updates/startreport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QStorageInfo>
#include <csignal>
#include <spawn.h>
#include <vector>

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
    // The program receives its report pipe as its first descriptor after the standard three, and no
    // other descriptor of this one's: no connection, no file a library opened without close-on-exec.
    constexpr int handedChannel = 3;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(reportChannelVariable()), QString::number(handedChannel));
    std::vector<QByteArray> argumentTexts{QFile::encodeName(executable)};
    for (const QString &argument : arguments)
        argumentTexts.push_back(argument.toLocal8Bit());
    std::vector<QByteArray> environmentTexts;
    for (const QString &entry : environment.toStringList())
        environmentTexts.push_back(entry.toLocal8Bit());
    const auto pointers = [](std::vector<QByteArray> &texts) {
        std::vector<char *> list;
        for (QByteArray &text : texts)
            list.push_back(text.data());
        list.push_back(nullptr);
        return list;
    };
    std::vector<char *> argv = pointers(argumentTexts);
    std::vector<char *> envp = pointers(environmentTexts);

    // The program starts with no signal blocked and SIGPIPE at its default, whatever this one ignores.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes,
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t descriptors;
    ::posix_spawn_file_actions_init(&descriptors);
    ::posix_spawn_file_actions_adddup2(&descriptors, reportChannel, handedChannel);
    ::posix_spawn_file_actions_addclosefrom_np(&descriptors, handedChannel + 1);
    pid_t process = 0;
    const int error =
        ::posix_spawn(&process, argv.front(), &descriptors, &attributes, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&descriptors);
    ::posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return std::nullopt;
    return process;
}

qint64 UpdateHost::availableSpace(const QString &folder)
{
    return QStorageInfo(folder).bytesAvailable();
}

} // namespace quorvale::updates
