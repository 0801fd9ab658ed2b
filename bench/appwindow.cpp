// The start-up benchmark's application: the window as the application starts it, with its model,
// session client and web view. Built twice: as the application is (the web engine loaded on first
// use) and, for comparison, with the engine linked in and the shared graphics context asked for at
// start (QUORVALE_EAGER_WEB).

#include "app/look/fontwarmup.h"
#include "app/screens/contentview.h"
#include "app/state/model.h"
#include "app/state/quorvaleclient.h"
#include "bench/firstframe.h"

#ifdef QUORVALE_EAGER_WEB
#include "app/web/enginewebview.h"
#else
#include "app/web/deferredwebview.h"
#endif

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

using namespace quorvale;

int main(int argc, char *argv[])
{
    const qint64 started = bench::startedAt(argc, argv);
#ifdef QUORVALE_EAGER_WEB
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    FontConfigWarmup fonts;
    QApplication application(argc, argv);
    bench::FirstFrame firstFrame(started);
    QTemporaryDir folder;
#ifdef QUORVALE_EAGER_WEB
    auto *web = new EngineWebView;
#else
    auto *web = new DeferredWebView(DeferredWebView::defaultModulePaths());
#endif
    auto *client =
        new QuorvaleClient(web, std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                            QSettings::IniFormat));
    Model model(client);
    fonts.wait();
    ContentView window(&model);
    window.resize(1200, 850);
    window.installEventFilter(&firstFrame);
    window.show();
    return application.exec();
}
