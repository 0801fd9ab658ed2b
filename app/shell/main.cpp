// The application's entry: one model with its session client, the one update controller, and the
// window that shows them. A program run from an installation holds its version there while it runs.

#include "app/look/caretrest.h"
#include "app/look/colourscheme.h"
#include "app/look/reducemotion.h"
#include "app/look/startupwarmup.h"
#include "app/screens/secrettext.h"
#include "app/shell/buildinfo.h"
#include "app/shell/firstframe.h"
#include "app/shell/mainwindow.h"
#include "app/shell/updategate.h"
#include "app/state/model.h"
#include "app/state/quorvaleclient.h"
#include "app/updates/updatercontroller.h"
#include "app/web/deferredwebview.h"
#include "core/client/systemtrust.h"
#include "platform/updates/startproof.h"

#include <QApplication>
#include <QSettings>
#include <csignal>
#include <memory>

int main(int argc, char *argv[])
{
    // A write to a pipe or socket whose reader has gone (the copy that started this version, a keyring
    // or a server that closed) fails with its error and is handled where it is made; it never ends the
    // program.
    std::signal(SIGPIPE, SIG_IGN);
    using namespace quorvale;

    StartupWarmup warmup;
    QApplication application(argc, argv);
    warmup.applicationReady();
    QApplication::setOrganizationName(QStringLiteral("Quorvale"));
    QApplication::setOrganizationDomain(QStringLiteral("quorvale.com"));
    QApplication::setApplicationName(QStringLiteral("QuorvaleDemo"));
    QApplication::setApplicationDisplayName(QStringLiteral("课径"));
    QApplication::setDesktopFileName(QStringLiteral("quorvale"));
    motion::followDesktop();
    secrettext::install();
    colourscheme::followDesktop();
    const CaretRest caret;
    updates::StartProof proof(QCoreApplication::applicationFilePath(), updates::StartProof::applicationProving);

    auto *client = new QuorvaleClient(new DeferredWebView(DeferredWebView::defaultModulePaths()),
                                      std::make_unique<QSettings>());
    Model model(client);

    UpdaterController updater(buildInfoDictionary(), true, canInstallTest(&model));
    watchIdle(&model, &updater);

    warmup.waitForFonts();
    MainWindow window(&model, &updater);
    // While a version started by an update proves itself, its window says the update is not done yet.
    const QString title = window.windowTitle();
    if (proof.proving())
        window.setWindowTitle(QStringLiteral("正在完成更新…"));
    window.show();
    // A version becomes current only once its window has been on screen for a while; started by an
    // update that it could not finish, the program ends and the copy that started it says why. A person
    // who quits it after its first frame sees its windows go at once, while it finishes its proof out
    // of sight and then ends.
    // The system's certificate authorities are read on a thread of their own once the window shows,
    // so that the first frame does not share the processor with them.
    afterFirstFrame(&window, [&proof] {
        proof.shown();
        systemtrust::prepare();
    });
    QObject::connect(&proof, &updates::StartProof::quitting, &application, [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->hide();
    });
    QObject::connect(&proof, &updates::StartProof::settled, &application, [&proof, &window, title] {
        if (proof.rejected())
            QCoreApplication::exit(1);
        else if (proof.quitAsked())
            QCoreApplication::exit(0);
        else
            window.setWindowTitle(title);
    });
    const int status = application.exec();
    warmup.finish();
    return status;
}
