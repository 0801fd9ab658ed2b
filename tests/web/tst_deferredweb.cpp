// The web sign-in's engine loaded on first need: nothing of it at start, a clear message where it
// cannot start (as root with its sandbox on, or without its module), and never an ended process.

#include "app/look/primaryactionbutton.h"
#include "app/look/tintedlabel.h"
#include "app/screens/weblogindialog.h"
#include "app/state/quorvaleclient.h"
#include "app/web/deferredwebview.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

using namespace std::chrono_literals;

const QStringList missingModule{QStringLiteral("/nonexistent/quorvale-webengine.so")};

} // namespace

class DeferredWebTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onlyRootWithTheSandboxOnIsRefused_data();
    void onlyRootWithTheSandboxOnIsRefused();
    void missingModuleIsToldNotFatal();
    void moduleOfAnotherVersionIsRefused_data();
    void moduleOfAnotherVersionIsRefused();
    void installedProgramLoadsOnlyFromItsVersionFolder_data();
    void installedProgramLoadsOnlyFromItsVersionFolder();
    void sheetTellsWhyInsteadOfAPage();
    void engineLoadsOnFirstViewOnly();
};

void DeferredWebTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
}

void DeferredWebTest::onlyRootWithTheSandboxOnIsRefused_data()
{
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("sandboxDisabled");
    QTest::addColumn<bool>("refused");
    QTest::newRow("user") << false << false << false;
    QTest::newRow("user, sandbox off") << false << true << false;
    QTest::newRow("root") << true << false << true;
    QTest::newRow("root, sandbox off") << true << true << false;
}

void DeferredWebTest::onlyRootWithTheSandboxOnIsRefused()
{
    QFETCH(bool, root);
    QFETCH(bool, sandboxDisabled);
    QFETCH(bool, refused);
    const QString reason = DeferredWebView::sandboxReason(root, sandboxDisabled);
    QCOMPARE(!reason.isEmpty(), refused);
    if (refused)
        QVERIFY(reason.contains(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX=1")));
}

void DeferredWebTest::missingModuleIsToldNotFatal()
{
    DeferredWebView web(missingModule);
    QVERIFY(web.unavailableReason().isEmpty());
    QSignalSpy failed(&web, &PlatformWebView::loadFailed);
    web.load(QUrl(QStringLiteral("http://127.0.0.1:9/")), 1s);
    QVERIFY(failed.wait());
    QVERIFY(!web.unavailableReason().isEmpty());
    QVERIFY(!web.isLoaded());
    QCOMPARE(web.createView(nullptr), nullptr);
    QVERIFY(awaitTask(web.cookies()).isEmpty());
}

void DeferredWebTest::moduleOfAnotherVersionIsRefused_data()
{
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("built");
    QTest::newRow("another version") << QStringLiteral(QUORVALE_OTHER_VERSION_MODULE)
                                     << QStringLiteral("0.9.0");
    QTest::newRow("no version told") << QStringLiteral(QUORVALE_UNVERSIONED_MODULE) << QString();
}

void DeferredWebTest::moduleOfAnotherVersionIsRefused()
{
    QFETCH(QString, module);
    QFETCH(QString, built);
    DeferredWebView web({module});
    QSignalSpy failed(&web, &PlatformWebView::loadFailed);
    web.load(QUrl(QStringLiteral("http://127.0.0.1:9/")), 1s);
    QVERIFY(failed.wait());
    QVERIFY(!web.isLoaded());
    QCOMPARE(web.unavailableReason(),
             DeferredWebView::moduleVersionReason(built, QStringLiteral(QUORVALE_TEST_VERSION)));
    QCOMPARE(web.createView(nullptr), nullptr);
    QVERIFY(!qEnvironmentVariableIsSet("QUORVALE_FOREIGN_MODULE_RAN"));
}

void DeferredWebTest::installedProgramLoadsOnlyFromItsVersionFolder_data()
{
    QTest::addColumn<bool>("insideBuildTree");
    QTest::newRow("outside the build tree") << false;
    // As a release is staged: under a prefix inside the build tree.
    QTest::newRow("inside the build tree") << true;
}

void DeferredWebTest::installedProgramLoadsOnlyFromItsVersionFolder()
{
    QFETCH(bool, insideBuildTree);
    // An installation as it is laid out, whose version folder lacks the module.
    QTemporaryDir root(
        insideBuildTree
            ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("stage-XXXXXX"))
            : QDir::tempPath() + QStringLiteral("/stage-XXXXXX"));
    QVERIFY(root.isValid());
    const QString versionFolder = root.filePath(QStringLiteral("lib/quorvale/" QUORVALE_TEST_VERSION));
    QVERIFY(QDir().mkpath(versionFolder));
    QVERIFY(QFile::link(QStringLiteral(QUORVALE_TEST_VERSION),
                        root.filePath(QStringLiteral("lib/quorvale/current"))));
    const QString program = QDir(versionFolder).filePath(QStringLiteral("QuorvaleDemo"));
    QVERIFY(QFile::copy(QStringLiteral(QUORVALE_WEB_MODULE_PROBE), program));
    QProcess probe;
    probe.start(program);
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()),
             QStringLiteral("找不到课径的网页组件，官网登录页无法打开。请重新安装课径。"));
}

void DeferredWebTest::sheetTellsWhyInsteadOfAPage()
{
    QTemporaryDir folder;
    SessionFixture fixture;
    auto *web = new DeferredWebView(missingModule);
    QuorvaleClient client(
        fixture.newAPI(), fixture.store, web,
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    QWidget window;
    window.resize(1000, 800);
    window.show();
    WebLoginDialog sheet(&client, &window);
    sheet.open();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QCOMPARE(sheet.pageView(), nullptr);
    QVERIFY(sheet.reasonLabel() && sheet.reasonLabel()->isVisible());
    QCOMPARE(sheet.reasonLabel()->text(), web->unavailableReason());
    QVERIFY(!sheet.verifyButton()->isVisible());
    QVERIFY(sheet.backButton()->isVisible());
}

void DeferredWebTest::engineLoadsOnFirstViewOnly()
{
    DeferredWebView web(DeferredWebView::defaultModulePaths());
    // Cookies and resets of an engine never used need no engine.
    QVERIFY(awaitTask(web.cookies()).isEmpty());
    awaitTask(web.reset());
    web.loadBlank();
    QVERIFY(!web.isLoaded());
    std::unique_ptr<QWidget> view(web.createView(nullptr));
    QVERIFY(view);
    QVERIFY(web.isLoaded());
    QVERIFY(web.unavailableReason().isEmpty());
}

QTEST_MAIN(DeferredWebTest)

#include "tst_deferredweb.moc"
