#include "app/shell/firstframe.h"
#include "app/shell/globalmenuquery.h"
#include "app/shell/settingswindow.h"
#include "tests/support/settingsbench.h"

#include <QApplication>
#include <QDBusConnection>
#include <QScopeGuard>
#include <QTest>

using namespace quorvale;

namespace {

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void menuBarFollowsTheDesktop_data();
    void menuBarFollowsTheDesktop();
    void settingsOpenWholeOverTheWindow_data();
    void settingsOpenWholeOverTheWindow();
    void settingsCloseFromTheKeyboard();
    void settingsCloseWithEscape_data();
    void settingsCloseWithEscape();
    void tellsOfTheFirstFrameOnlyOnceItIsPainted();
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

void TestShell::settingsOpenWholeOverTheWindow_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("placed");
    const QSize settings(400, 300);
    QTest::newRow("centred") << QRect(100, 100, 1200, 850) << settings << QRect(500, 375, 400, 300);
    QTest::newRow("window past the right and bottom edges")
        << QRect(1500, 900, 1200, 850) << settings << QRect(1520, 880, 400, 300);
    QTest::newRow("window past the left and top edges")
        << QRect(-1100, -800, 1200, 850) << settings << QRect(0, 0, 400, 300);
    QTest::newRow("larger than the screen")
        << QRect(100, 100, 1200, 850) << QSize(2400, 1500) << QRect(0, 0, 2400, 1500);
}

void TestShell::settingsOpenWholeOverTheWindow()
{
    QFETCH(QRect, window);
    QFETCH(QSize, size);
    QFETCH(QRect, placed);
    QCOMPARE(SettingsWindow::placedOver(window, size, QRect(0, 0, 1920, 1180)), placed);
}

void TestShell::settingsCloseFromTheKeyboard()
{
    testing::SettingsBench bench;
    SettingsWindow &settings = bench.window;
    settings.show();
    QVERIFY(QTest::qWaitForWindowActive(&settings));
    QTest::keySequence(&settings, QKeySequence::Close);
    QVERIFY(!settings.isVisible());
}

void TestShell::settingsCloseWithEscape_data()
{
    QTest::addColumn<QString>("focused");
    QTest::newRow("nothing focused") << QString();
    QTest::newRow("the automatic checks switch") << QStringLiteral("quorvale::SwitchToggle");
    QTest::newRow("the frequency picker, closed") << QStringLiteral("QComboBox");
}

void TestShell::settingsCloseWithEscape()
{
    QFETCH(QString, focused);
    testing::SettingsBench bench;
    SettingsWindow &settings = bench.window;
    settings.show();
    QVERIFY(QTest::qWaitForWindowActive(&settings));
    for (QWidget *child : settings.findChildren<QWidget *>()) {
        if (child->inherits(qPrintable(focused)))
            child->setFocus();
    }
    QTest::keyClick(settings.windowHandle(), Qt::Key_Escape);
    QVERIFY(!settings.isVisible());
}

// A new version proves that it runs from its first frame on, never from before anything is drawn.
void TestShell::tellsOfTheFirstFrameOnlyOnceItIsPainted()
{
    PaintCounter window;
    window.resize(200, 100);
    window.show();
    std::optional<int> paintsBefore;
    afterFirstFrame(&window, [&] { paintsBefore = window.paints; });
    QTRY_VERIFY(paintsBefore);
    QVERIFY(*paintsBefore > 0);
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
