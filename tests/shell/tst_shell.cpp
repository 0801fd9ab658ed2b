#include "app/shell/globalmenuquery.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QScopeGuard>
#include <QTest>

using namespace quorvale;

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void menuBarFollowsTheDesktop_data();
    void menuBarFollowsTheDesktop();
};

void TestShell::menuBarFollowsTheDesktop_data()
{
    QTest::addColumn<bool>("globalMenu");
    QTest::newRow("a desktop with a global menu") << true;
    QTest::newRow("a desktop without one") << false;
}

void TestShell::menuBarFollowsTheDesktop()
{
    QFETCH(bool, globalMenu);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, false);
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY2(bus.isConnected(), "cannot run: no private session bus (scripts/with-keyring starts one)");
    const QString registrar = QStringLiteral("com.canonical.AppMenu.Registrar");
    if (globalMenu)
        QVERIFY(bus.registerService(registrar));
    const auto release = qScopeGuard([&] { bus.unregisterService(registrar); });

    const GlobalMenuQuery query;
    QTRY_VERIFY(query.settle());
    // Where the desktop has a global menu, Qt asks again itself and exports the menu bar.
    QCOMPARE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeMenuBar), !globalMenu);
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
