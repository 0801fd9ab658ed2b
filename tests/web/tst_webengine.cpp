#include "app/look/glyphwidgets.h"
#include "app/look/primaryactionbutton.h"
#include "app/screens/loginview.h"
#include "app/screens/weblogindialog.h"
#include "app/state/quorvaleclient.h"
#include "app/web/enginewebview.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/platformsessions.h"

#include <QApplication>
#include <QDirIterator>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <memory>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

using namespace std::chrono_literals;

// The folders where a browser profile would keep its files; main() points the user's data, cache
// and configuration folders here before anything starts.
QTemporaryDir *dataFolders = nullptr;

// A client of the simulated platform with the real browser as its web view.
struct Rig
{
    Rig()
    {
        web = new EngineWebView;
        client = std::make_unique<QuorvaleClient>(
            fixture.newAPI(), fixture.store, web,
            std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                        QSettings::IniFormat));
    }

    QUrl signInPage() const
    {
        return fixture.platform.origin().resolved(QUrl(QStringLiteral("/newsis/login")));
    }

    QTemporaryDir folder;
    SessionFixture fixture;
    EngineWebView *web;
    std::unique_ptr<QuorvaleClient> client;
};

QStringList cookieFiles(const QString &folder)
{
    QStringList found;
    QDirIterator walk(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        if (walk.fileName().contains(QLatin1String("cookie"), Qt::CaseInsensitive))
            found.append(path);
    }
    return found;
}

} // namespace

class WebEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void signsInThroughThePlatformPage()
    {
        Rig rig;
        QVERIFY(!rig.web->isCreated());
        LoginView screen(rig.client.get());
        screen.resize(900, 760);
        screen.show();

        QSignalSpy loaded(rig.web, &PlatformWebView::loadFinished);
        screen.websiteButton()->click();
        QPointer<WebLoginDialog> sheet = screen.websiteSheet();
        QVERIFY(sheet);
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->size(), QSize(920, 700));
        QVERIFY(sheet->pageView());
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 30000);
        QVERIFY(!rig.client->webLoading());
        QCOMPARE(rig.web->page()->url(), rig.signInPage());

        // "返回" closes the sheet; opening it again loads the page again in the same web view.
        const QWebEnginePage *page = rig.web->page();
        sheet->backButton()->click();
        QTRY_VERIFY(!sheet);
        screen.websiteButton()->click();
        sheet = screen.websiteSheet();
        QVERIFY(sheet);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 30000);
        QCOMPARE(rig.web->page(), page);

        rig.web->page()->runJavaScript(
            QStringLiteral("document.querySelector('[name=account]').value = '%1';"
                           "document.querySelector('[name=password]').value = '%2';"
                           "document.querySelector('form').submit();")
                .arg(SessionFixture::account, SessionFixture::password));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 3, 30000);
        QTRY_VERIFY(!awaitCookies(rig.web).isEmpty());

        sheet->verifyButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.client->authenticated(), 30000);
        QCOMPARE(rig.client->user()->displayName, std::optional<QString>(QStringLiteral("王老师")));
        QVERIFY(rig.client->message().isEmpty());
        QTRY_VERIFY(!sheet);
        QCOMPARE(cookieFiles(dataFolders->path()), QStringList());
    }

    void loadPastItsTimeLimitFails()
    {
        Rig rig;
        rig.fixture.platform.faults().hold(QStringLiteral("/newsis/login"));
        QSignalSpy failed(rig.web, &PlatformWebView::loadFailed);
        rig.web->load(rig.signInPage(), 200ms);
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 30000);
        QVERIFY(!rig.client->webLoading());
        QCOMPARE(rig.client->message(), QStringLiteral("官网加载失败"));
        rig.fixture.platform.releaseHeld();
    }

    void resetForgetsTheCookiesOfTheOldProfile()
    {
        Rig rig;
        QNetworkCookie session(demo::PlatformSessions::cookieName, "before");
        session.setDomain(rig.signInPage().host());
        session.setPath(QStringLiteral("/"));
        QSignalSpy loaded(rig.web, &PlatformWebView::loadFinished);
        awaitTask(rig.web->setCookie(session));
        rig.web->load(rig.signInPage(), 60s);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 30000);
        QCOMPARE(rig.fixture.platform.requestsTo(QStringLiteral("/newsis/login"))
                     .last()
                     .cookie(demo::PlatformSessions::cookieName),
                 QByteArray("before"));

        awaitTask(rig.web->reset());
        QVERIFY(!rig.web->isCreated());
        QVERIFY(awaitCookies(rig.web).isEmpty());
        rig.web->load(rig.signInPage(), 60s);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 30000);
        QVERIFY(rig.fixture.platform.requestsTo(QStringLiteral("/newsis/login"))
                    .last()
                    .cookie(demo::PlatformSessions::cookieName)
                    .isEmpty());
    }

private:
    static QList<QNetworkCookie> awaitCookies(EngineWebView *web) { return awaitTask(web->cookies()); }
};

int main(int argc, char *argv[])
{
    QTemporaryDir folders;
    dataFolders = &folders;
    for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
        qputenv(name, folders.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    WebEngineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webengine.moc"
