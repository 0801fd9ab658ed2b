#include "app/screens/captchabutton.h"
#include "app/screens/loginview.h"
#include "app/screens/signinbutton.h"
#include "suites.h"
#include "tests/screens/screenrig.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/captchaimage.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString loginPath = QStringLiteral("/api/MemberShip/Login");
const QString captchaPath = QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin");

// The rig's client prepared for a sign-in, as the root view leaves it when nobody is signed in.
void prepare(ScreenRig &rig)
{
    awaitTask(rig.client->start());
    QVERIFY(rig.client->ready());
}

void demandCaptcha(ScreenRig &rig)
{
    const QByteArray image = demo::captchaImage(QStringLiteral("4711"));
    rig.platform.faults().answer(captchaPath, demo::envelope(QStringLiteral("data:image/png;base64,") +
                                                             QString::fromLatin1(image.toBase64())));
    awaitTask(rig.client->refreshCaptcha());
    QVERIFY(rig.client->captchaData().has_value());
}

} // namespace

class LoginViewTest : public QObject
{
    Q_OBJECT

private slots:
    void blankCaptchaIsRefusedBeforeThePasswordGoes_data();
    void blankCaptchaIsRefusedBeforeThePasswordGoes();
    void blankAccountKeepsTheButtonDisabled();
    void platformMessageIsShownAsPlainText();
    void savedAccountFillsOnlyAnEmptyField();
    void signInEmptiesPasswordAtOnceAndCaptchaAfterwards();
};

void LoginViewTest::blankCaptchaIsRefusedBeforeThePasswordGoes_data()
{
    QTest::addColumn<QString>("captcha");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces") << QStringLiteral("   ");
    QTest::newRow("tab and newline") << QStringLiteral("\t\n");
}

void LoginViewTest::blankCaptchaIsRefusedBeforeThePasswordGoes()
{
    QFETCH(QString, captcha);
    ScreenRig rig;
    prepare(rig);
    demandCaptcha(rig);
    LoginView view(rig.client);
    view.show();
    QTRY_VERIFY(view.captchaRow()->isVisible());

    view.accountField()->setText(QStringLiteral("demo"));
    view.passwordField()->setText(QStringLiteral("Kejing#Demo1"));
    view.captchaField()->setText(captcha);
    rig.platform.clearLog();
    view.submit();
    QCoreApplication::processEvents();

    // Nothing was sent and nothing typed is lost; the captcha field asks for the code.
    QCOMPARE(view.passwordField()->text(), QStringLiteral("Kejing#Demo1"));
    QCOMPARE(rig.platform.requestsTo(loginPath).size(), 0);
    QCOMPARE(view.window()->focusWidget(), view.captchaField());
}

void LoginViewTest::blankAccountKeepsTheButtonDisabled()
{
    ScreenRig rig;
    prepare(rig);
    LoginView view(rig.client);
    view.show();
    view.accountField()->setText(QStringLiteral(" \n "));
    view.passwordField()->setText(QStringLiteral("secret"));
    QTRY_VERIFY(!view.signInButton()->isEnabled());
    QTest::keyClick(view.passwordField(), Qt::Key_Return);
    QCOMPARE(view.passwordField()->text(), QStringLiteral("secret"));
    view.accountField()->setText(QStringLiteral("demo"));
    QTRY_VERIFY(view.signInButton()->isEnabled());
}

void LoginViewTest::platformMessageIsShownAsPlainText()
{
    ScreenRig rig;
    prepare(rig);
    const QString markup = QStringLiteral("<b>账号已停用</b><img src=\"https://example.com/x.png\">&amp;");
    rig.platform.faults().answer(loginPath, demo::refusal(1002, markup));
    LoginView view(rig.client);
    view.show();
    view.accountField()->setText(QStringLiteral("demo"));
    view.passwordField()->setText(QStringLiteral("Kejing#Demo1"));
    view.submit();
    QTRY_VERIFY(view.messageLabel()->isVisible());
    QCOMPARE(view.messageLabel()->textFormat(), Qt::PlainText);
    QVERIFY(view.messageLabel()->text().startsWith(markup));
}

void LoginViewTest::savedAccountFillsOnlyAnEmptyField()
{
    ScreenRig rig;
    rig.store->saved = SavedCredentials{QStringLiteral("remembered"), QStringLiteral("wrong")};
    LoginView typed(rig.client);
    typed.show();
    typed.accountField()->setText(QStringLiteral("typed"));
    LoginView untouched(rig.client);
    untouched.show();
    awaitTask(rig.client->start());
    QTRY_COMPARE(rig.client->savedAccount(), QStringLiteral("remembered"));
    QTRY_COMPARE(untouched.accountField()->text(), QStringLiteral("remembered"));
    QCOMPARE(typed.accountField()->text(), QStringLiteral("typed"));
}

void LoginViewTest::signInEmptiesPasswordAtOnceAndCaptchaAfterwards()
{
    ScreenRig rig;
    prepare(rig);
    demandCaptcha(rig);
    LoginView view(rig.client);
    view.show();
    view.accountField()->setText(QStringLiteral("demo"));
    view.passwordField()->setText(QStringLiteral("not-it"));
    view.captchaField()->setText(QStringLiteral("0000"));
    view.submit();
    QVERIFY(view.passwordField()->text().isEmpty());
    QCOMPARE(view.captchaField()->text(), QStringLiteral("0000"));
    QTRY_VERIFY(!rig.client->working());
    QTRY_VERIFY(view.captchaField()->text().isEmpty());
}

int runLoginViewTests(int argc, char **argv)
{
    LoginViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loginview.moc"
