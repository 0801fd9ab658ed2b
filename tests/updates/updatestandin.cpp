// A stand-in for the application in the update tests: started with a file name, it is up at once and
// writes its version and the file it runs from into that file, then proves that it runs as the
// application does once its window is up, only sooner, and ends. Before its proof is over, the
// crashing build crashes, the quitting one is quit as a person quits the application, and the exiting
// one ends its event loop by itself. It carries a build stamp as the application does. Told so in its
// environment, a quit stand-in crashes out of sight before its proof is over, and a stand-in writes how
// long after its start its proof was settled. While the file that QUORVALE_STANDIN_HOLD names does not
// exist, and its folder does, it holds before its first frame, and so before its proof.

#include "platform/updates/buildstamp.h"
#include "platform/updates/startproof.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const char buildStamp[] = QUORVALE_BUILD_STAMP_PREFIX STANDIN_VERSION;
constexpr std::chrono::milliseconds proving{1000};

} // namespace

int main(int argc, char *argv[])
{
    // As the application does: a report to a copy that has gone fails instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (argc != 2)
        return 2;
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length < 0)
        return 1;
    self[length] = '\0';
    quorvale::updates::StartProof proof(QString::fromLocal8Bit(self), proving);
    // Written beside and renamed, so a reader never sees half a report.
    const std::string report = argv[1];
    const std::string partial = report + ".part";
    FILE *file = std::fopen(partial.c_str(), "w");
    if (!file)
        return 1;
    std::fprintf(file, "%s %s\n", quorvale::updates::versionOfStamp(buildStamp), self);
    if (std::fclose(file) != 0 || std::rename(partial.c_str(), report.c_str()) != 0)
        return 1;
    const QString hold = qEnvironmentVariable("QUORVALE_STANDIN_HOLD");
    while (!hold.isEmpty() && !QFileInfo::exists(hold) && QFileInfo::exists(QFileInfo(hold).path()))
        QThread::msleep(10);
    proof.shown();
    const std::string ending = STANDIN_ENDING;
    if (ending == "crashing")
        QTimer::singleShot(proving / 2, [] { std::raise(SIGSEGV); });
    if (ending == "quitting")
        QTimer::singleShot(proving / 2, &QCoreApplication::quit);
    if (ending == "exiting")
        QTimer::singleShot(proving / 2, [] { QCoreApplication::exit(0); });
    QObject::connect(&proof, &quorvale::updates::StartProof::settled, &application, [&proof] {
        QCoreApplication::exit(proof.rejected() ? 1 : 0);
    });
    // Due between the quit and the end of the proof, so it comes in that order however late the loop
    // turns on a busy machine.
    if (qEnvironmentVariableIsSet("QUORVALE_STANDIN_CRASH_AFTER_QUIT")) {
        QTimer::singleShot(proving * 3 / 4, &application, [&proof] {
            if (proof.quitAsked())
                std::raise(SIGSEGV);
        });
    }
    const QString settledReport = qEnvironmentVariable("QUORVALE_STANDIN_SETTLED");
    if (!settledReport.isEmpty()) {
        QObject::connect(&proof, &quorvale::updates::StartProof::settled, &application, [&] {
            QFile file(settledReport);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray::number(sinceStart.elapsed()));
        });
    }
    return application.exec();
}
