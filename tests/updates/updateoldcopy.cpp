// The copy of the application that starts an update and is quit while the started version proves
// itself: given the installed program, a signed update's archive and the file the started program
// reports to, it places the update beside the installed version, starts it, waits for its first frame,
// prints its process id and ends. It ends as the application does with an update under way: the
// process lets go of what it holds, and nothing the update would tidy up is tidied.

#include "platform/updates/installfolder.h"
#include "platform/updates/startreport.h"
#include "platform/updates/updatearchive.h"
#include "platform/updates/updatefailure.h"
#include "platform/updates/updatehost.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <cstdlib>

using namespace quorvale::updates;

int main(int argc, char *argv[])
{
    if (argc != 4)
        return 2;
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const std::optional<UpdateArchive> archive = unpackArchive(file.readAll());
    const std::optional<InstallFolder> installation = InstallFolder::containing(QString::fromLocal8Bit(argv[1]));
    if (!archive || !installation)
        return 1;
    try {
        const std::unique_ptr<StagedVersion> staged = installation->stage(*archive, archive->version);
        const QString executable = staged->install();
        ReportPipe pipe;
        const std::optional<qint64> process =
            UpdateHost::start(executable, {QString::fromLocal8Bit(argv[3])}, pipe.writing());
        pipe.closeWriting();
        if (!process)
            return 1;
        const QDeadlineTimer deadline(std::chrono::seconds(20));
        while (!pipe.take().contains(char(StartEvent::shown))) {
            if (deadline.hasExpired())
                return 1;
            QThread::msleep(20);
        }
        std::printf("%lld\n", static_cast<long long>(*process));
        std::fflush(stdout);
        std::_Exit(0);
    } catch (const UpdateFailure &) {
        return 1;
    }
}
