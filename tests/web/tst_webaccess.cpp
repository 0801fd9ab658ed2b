// What a screen reader finds in the web sign-in page: with the accessibility bridge on, as under a
// desktop with a reader running, the page and its inputs are there and named.

#include "app/look/glyphwidgets.h"
#include "app/screens/loginview.h"
#include "app/screens/weblogindialog.h"
#include "app/state/quorvaleclient.h"
#include "app/web/enginewebview.h"
#include "tests/session/sessionfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// The names of the text inputs under `element`, as assistive technologies read them.
QStringList namedInputs(QAccessibleInterface *element)
{
    QStringList names;
    for (int index = 0; element && index < element->childCount(); ++index) {
        QAccessibleInterface *child = element->child(index);
        if (!child)
            continue;
        if (child->role() == QAccessible::EditableText && !child->text(QAccessible::Name).isEmpty())
            names.append(child->text(QAccessible::Name));
        names += namedInputs(child);
    }
    return names;
}

} // namespace

class WebAccessTest : public QObject
{
    Q_OBJECT

private slots:
    void pageInputsAreNamed()
    {
        // Asking for the accessibility bus starts it, as a reader's desktop has it running; the
        // bridge then turns on.
        const QDBusMessage address = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus"),
            QStringLiteral("GetAddress")));
        QVERIFY2(address.type() == QDBusMessage::ReplyMessage, "no accessibility bus on the session bus");
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
        QTemporaryDir folder;
        SessionFixture fixture;
        auto *web = new EngineWebView;
        QuorvaleClient client(fixture.newAPI(), fixture.store, web,
                              std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                          QSettings::IniFormat));
        LoginView screen(&client);
        screen.resize(900, 760);
        screen.show();
        QSignalSpy loaded(web, &PlatformWebView::loadFinished);
        screen.websiteButton()->click();
        QPointer<WebLoginDialog> sheet = screen.websiteSheet();
        QVERIFY(sheet && sheet->pageView());
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 30000);
        QStringList inputs;
        QTRY_VERIFY_WITH_TIMEOUT(
            (inputs = namedInputs(QAccessible::queryAccessibleInterface(sheet->pageView()))).size() >= 2, 15000);
        QCOMPARE(inputs.mid(0, 2), (QStringList{QStringLiteral("账号"), QStringLiteral("密码")}));
        // Tab reaches the page before its inputs, through the widget the engine renders in.
        QWidget *renderer = sheet->pageView()->focusProxy();
        QVERIFY(renderer);
        QCOMPARE(QAccessible::queryAccessibleInterface(renderer)->text(QAccessible::Name), QStringLiteral("澜序登录"));
    }
};

int main(int argc, char *argv[])
{
    QTemporaryDir folders;
    for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
        qputenv(name, folders.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    WebAccessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webaccess.moc"
