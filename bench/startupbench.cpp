// Times the start of a process to its first painted frame, for a bare Qt window and for the
// application's window with its session client and web view, and prints the ratio. Each start is a
// fresh child process of this program, so shared libraries and caches count as they would for a user.

#include "app/screens/contentview.h"
#include "app/state/model.h"
#include "app/state/quorvaleclient.h"
#include "app/web/enginewebview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <memory>

using namespace quorvale;

namespace {

constexpr int runs = 7;

// Ends the process once the window has painted for the first time.
class FirstFrame : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return QObject::eventFilter(watched, event);
    }
};

int showWindow(const QString &kind)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int argc = 1;
    char name[] = "bench_startup";
    char *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    FirstFrame firstFrame;
    QTemporaryDir folder;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<Model> model;
    if (kind == QLatin1String("app")) {
        auto *client = new QuorvaleClient(
            new EngineWebView, std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                           QSettings::IniFormat));
        model = std::make_unique<Model>(client);
        window = std::make_unique<ContentView>(model.get());
    } else {
        window = std::make_unique<QWidget>();
    }
    window->resize(1200, 850);
    window->installEventFilter(&firstFrame);
    window->show();
    return application.exec();
}

double medianStart(const QString &program, const QString &kind)
{
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(program, {kind});
        child.waitForFinished(60000);
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2)
        return showWindow(QString::fromLocal8Bit(argv[1]));
    QCoreApplication application(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    const double bare = medianStart(program, QStringLiteral("bare"));
    const double app = medianStart(program, QStringLiteral("app"));
    QTextStream(stdout) << "bare window to first frame: " << bare << " ms (median of " << runs << ")\n"
                        << "application to first frame: " << app << " ms\n"
                        << "ratio: " << app / bare << " (goal at most 1.3)\n";
    return 0;
}
