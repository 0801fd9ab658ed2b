// Renders the web sign-in sheet over the simulated platform's sign-in page to a PNG file, so that
// anyone can look at it: quorvale-websheet-shot OUTPUT_FILE

#include "app/look/glyphwidgets.h"
#include "app/screens/loginview.h"
#include "app/screens/weblogindialog.h"
#include "app/state/quorvaleclient.h"
#include "app/web/enginewebview.h"
#include "tests/session/sessionfixture.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2)
        return 2;
    const QString output = arguments.at(1);

    QTemporaryDir folder;
    SessionFixture fixture;
    auto *web = new EngineWebView;
    QuorvaleClient client(
        fixture.newAPI(), fixture.store, web,
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    LoginView screen(&client);
    screen.resize(1200, 850);
    screen.show();
    screen.websiteButton()->click();

    int status = 1;
    // The page paints a moment after it reports the load finished.
    QObject::connect(web, &PlatformWebView::loadFinished, &application, [&] {
        QTimer::singleShot(1500, &application, [&] {
            if (WebLoginDialog *sheet = screen.websiteSheet())
                status = sheet->grab().save(output) ? 0 : 1;
            QCoreApplication::quit();
        });
    });
    QTimer::singleShot(30000, &application, &QCoreApplication::quit);
    application.exec();
    return status;
}
