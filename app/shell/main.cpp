// The application's entry: one model with its session client, and the window that shows them.

#include "app/look/colourscheme.h"
#include "app/look/reducemotion.h"
#include "app/screens/contentview.h"
#include "app/state/model.h"
#include "app/state/quorvaleclient.h"
#include "app/web/deferredwebview.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <memory>

int main(int argc, char *argv[])
{
    using namespace quorvale;

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvale"));
    QApplication::setOrganizationDomain(QStringLiteral("quorvale.com"));
    QApplication::setApplicationName(QStringLiteral("QuorvaleDemo"));
    QApplication::setApplicationDisplayName(QStringLiteral("课径"));
    motion::followDesktop();
    colourscheme::followDesktop();

    auto *client = new QuorvaleClient(new DeferredWebView(DeferredWebView::defaultModulePaths()),
                                      std::make_unique<QSettings>());
    Model model(client);

    ContentView window(&model);
    window.setWindowTitle(QStringLiteral("课径"));
    window.setMinimumSize(860, 640);
    window.resize(1200, 850);
    // Quits from the keyboard from any of its windows.
    auto *quitAction = new QAction(&window);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitAction->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(quitAction, &QAction::triggered, &application, &QApplication::quit);
    window.addAction(quitAction);
    window.show();
    return application.exec();
}
