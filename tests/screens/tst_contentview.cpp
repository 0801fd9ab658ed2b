#include "app/screens/contentview.h"
#include "app/screens/loginview.h"
#include "app/screens/progressview.h"
#include "app/screens/queryview.h"
#include "app/screens/topbar.h"
#include "app/week/weekbits.h"
#include "suites.h"
#include "tests/screens/screenrig.h"
#include "tests/support/awaittask.h"

#include <QAction>
#include <QApplication>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

class ContentViewTest : public QObject
{
    Q_OBJECT

private slots:
    void startsOnceAndFollowsThePhase();
    void signingOutReturnsToAResetSearch();
    void activationChecksTheSessionOnlyWhenSignedInAndIdle();
    void accountMenuNamesTheUser();
};

void ContentViewTest::startsOnceAndFollowsThePhase()
{
    ScreenRig rig;
    ContentView view(rig.model.get(), rig.clock());
    auto *connecting = qobject_cast<ProgressView *>(view.screen());
    QVERIFY(connecting);
    QCOMPARE(connecting->label(), QStringLiteral("正在连接…"));
    view.show();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    QTRY_VERIFY(!rig.client->working());
    const qsizetype requests = rig.platform.requests().size();
    view.hide();
    view.show();
    QCoreApplication::processEvents();
    QVERIFY(!rig.client->working());
    QCOMPARE(rig.platform.requests().size(), requests);

    rig.signIn();
    QTRY_VERIFY(qobject_cast<QueryView *>(view.screen()));
    QCOMPARE(view.shownPhase(), SessionPhase::SignedIn);
}

void ContentViewTest::signingOutReturnsToAResetSearch()
{
    ScreenRig rig;
    ContentView view(rig.model.get(), rig.clock());
    view.show();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    rig.signIn();
    QTRY_VERIFY(qobject_cast<QueryView *>(view.screen()));
    rig.model->setQuery(QStringLiteral("徐"));
    rig.model->setFollowNow(false);
    rig.model->setDate(rig.now().addDays(-3));
    const QDateTime later = rig.now().addSecs(90);
    rig.setNow(later);

    auto *query = qobject_cast<QueryView *>(view.screen());
    query->topBar()->signOutAction()->trigger();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    QTRY_VERIFY(rig.model->query().isEmpty());
    QVERIFY(rig.model->followNow());
    QCOMPARE(rig.model->date(), later);
    QVERIFY(rig.client->savedAccount().isEmpty());
}

void ContentViewTest::activationChecksTheSessionOnlyWhenSignedInAndIdle()
{
    ScreenRig rig;
    ContentView view(rig.model.get(), rig.clock());
    view.show();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    const QString userPath = QStringLiteral("/api/MemberShip/GetCurrentUser");
    QTRY_VERIFY(!rig.client->working());
    const auto activate = [&view] {
        QEvent change(QEvent::ActivationChange);
        QApplication::setActiveWindow(&view);
        QApplication::sendEvent(&view, &change);
    };
    rig.platform.clearLog();
    activate();
    QCoreApplication::processEvents();
    QCOMPARE(rig.platform.requestsTo(userPath).size(), 0);

    rig.signIn();
    QTRY_VERIFY(qobject_cast<QueryView *>(view.screen()));
    rig.platform.clearLog();
    activate();
    QTRY_COMPARE(rig.platform.requestsTo(userPath).size(), 1);
    QTRY_VERIFY(!rig.client->working());
    QCOMPARE(rig.platform.requestsTo(userPath).size(), 1);
}

void ContentViewTest::accountMenuNamesTheUser()
{
    ScreenRig rig;
    rig.signIn();
    TopBar bar(rig.client);
    QCOMPARE(bar.accountButton()->label()->text(), rig.school().account.displayName);
    QVERIFY(!bar.storageNotice()->isVisibleTo(&bar));
}

int runContentViewTests(int argc, char **argv)
{
    ContentViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_contentview.moc"
