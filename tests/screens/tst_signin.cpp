#include "app/screens/captchabutton.h"
#include "app/screens/contentview.h"
#include "app/screens/loginview.h"
#include "app/screens/progressview.h"
#include "app/screens/queryview.h"
#include "app/screens/signinbutton.h"
#include "app/screens/topbar.h"
#include "app/week/weekbits.h"
#include "suites.h"
#include "tests/screens/screenrig.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/captchaimage.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString loginPath = QStringLiteral("/api/MemberShip/Login");
const QString password = QStringLiteral("Kejing#Demo1");

// The sign-in screen over a client prepared for a sign-in, as the root view leaves it when nobody
// is signed in; with a captcha asked for when `captcha` is set.
struct Form
{
    explicit Form(bool captcha = false)
    {
        awaitTask(rig.client->start());
        QVERIFY(rig.client->ready());
        if (captcha) {
            const QByteArray image = demo::captchaImage(QStringLiteral("4711"));
            rig.platform.faults().answer(QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin"),
                                         demo::envelope(QStringLiteral("data:image/png;base64,") +
                                                        QString::fromLatin1(image.toBase64())));
            awaitTask(rig.client->refreshCaptcha());
            QVERIFY(rig.client->captchaData().has_value());
        }
        view = std::make_unique<LoginView>(rig.client);
        view->show();
    }

    void fill(const QString &account, const QString &secret)
    {
        view->accountField()->setText(account);
        view->passwordField()->setText(secret);
    }

    ScreenRig rig;
    std::unique_ptr<LoginView> view;
};

} // namespace

class SignInTest : public QObject
{
    Q_OBJECT

private slots:
    void blankCaptchaIsRefusedBeforeThePasswordGoes_data();
    void blankCaptchaIsRefusedBeforeThePasswordGoes();
    void blankAccountKeepsTheButtonDisabled();
    void platformMessageIsShownAsPlainText();
    void savedAccountFillsOnlyAnEmptyField();
    void signInEmptiesPasswordAtOnceAndCaptchaAfterwards();
    void rootStartsOnceAndChecksTheSessionOnlyWhenSignedIn();
    void signingOutReturnsToAResetSearch();
};

void SignInTest::blankCaptchaIsRefusedBeforeThePasswordGoes_data()
{
    QTest::addColumn<QString>("captcha");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces") << QStringLiteral("   ");
    QTest::newRow("tab and newline") << QStringLiteral("\t\n");
}

void SignInTest::blankCaptchaIsRefusedBeforeThePasswordGoes()
{
    QFETCH(QString, captcha);
    Form form(true);
    QTRY_VERIFY(form.view->captchaRow()->isVisible());
    form.fill(QStringLiteral("demo"), password);
    form.view->captchaField()->setText(captcha);
    form.rig.platform.clearLog();
    form.view->submit();
    QCoreApplication::processEvents();

    // Nothing was sent and nothing typed is lost; the captcha field asks for the code.
    QCOMPARE(form.view->passwordField()->text(), password);
    QCOMPARE(form.rig.platform.requestsTo(loginPath).size(), 0);
    QCOMPARE(form.view->window()->focusWidget(), form.view->captchaField());
}

void SignInTest::blankAccountKeepsTheButtonDisabled()
{
    Form form;
    form.fill(QStringLiteral(" \n "), QStringLiteral("secret"));
    QTRY_VERIFY(!form.view->signInButton()->isEnabled());
    QTest::keyClick(form.view->passwordField(), Qt::Key_Return);
    QCOMPARE(form.view->passwordField()->text(), QStringLiteral("secret"));
    form.view->accountField()->setText(QStringLiteral("demo"));
    QTRY_VERIFY(form.view->signInButton()->isEnabled());
}

void SignInTest::platformMessageIsShownAsPlainText()
{
    Form form;
    const QString markup = QStringLiteral("<b>账号已停用</b><img src=\"https://example.com/x.png\">&amp;");
    form.rig.platform.faults().answer(loginPath, demo::refusal(1002, markup));
    form.fill(QStringLiteral("demo"), password);
    form.view->submit();
    QTRY_VERIFY(form.view->messageLabel()->isVisible());
    QCOMPARE(form.view->messageLabel()->textFormat(), Qt::PlainText);
    QVERIFY(form.view->messageLabel()->text().startsWith(markup));
}

void SignInTest::savedAccountFillsOnlyAnEmptyField()
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

void SignInTest::signInEmptiesPasswordAtOnceAndCaptchaAfterwards()
{
    Form form(true);
    form.fill(QStringLiteral("demo"), QStringLiteral("not-it"));
    form.view->captchaField()->setText(QStringLiteral("0000"));
    form.view->submit();
    QVERIFY(form.view->passwordField()->text().isEmpty());
    QCOMPARE(form.view->captchaField()->text(), QStringLiteral("0000"));
    QTRY_VERIFY(!form.rig.client->working());
    QTRY_VERIFY(form.view->captchaField()->text().isEmpty());
}

void SignInTest::rootStartsOnceAndChecksTheSessionOnlyWhenSignedIn()
{
    ScreenRig rig;
    ContentView view(rig.model.get(), rig.clock());
    QVERIFY(qobject_cast<ProgressView *>(view.screen()));
    view.show();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    QTRY_VERIFY(!rig.client->working());
    // Showing the window again starts nothing, and activating it signed out checks nothing.
    const QString userPath = QStringLiteral("/api/MemberShip/GetCurrentUser");
    const auto activate = [&view] {
        QEvent change(QEvent::ActivationChange);
        QApplication::setActiveWindow(&view);
        QApplication::sendEvent(&view, &change);
    };
    rig.platform.clearLog();
    view.hide();
    view.show();
    activate();
    QCoreApplication::processEvents();
    QVERIFY(!rig.client->working());
    QCOMPARE(rig.platform.requests().size(), 0);

    rig.signIn();
    QTRY_VERIFY(qobject_cast<QueryView *>(view.screen()));
    QCOMPARE(view.shownPhase(), SessionPhase::SignedIn);
    rig.platform.clearLog();
    activate();
    QTRY_COMPARE(rig.platform.requestsTo(userPath).size(), 1);
    QTRY_VERIFY(!rig.client->working());
    QCOMPARE(rig.platform.requestsTo(userPath).size(), 1);
}

void SignInTest::signingOutReturnsToAResetSearch()
{
    ScreenRig rig;
    ContentView view(rig.model.get(), rig.clock());
    view.show();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    rig.signIn();
    QTRY_VERIFY(qobject_cast<QueryView *>(view.screen()));
    auto *query = qobject_cast<QueryView *>(view.screen());
    QCOMPARE(query->topBar()->accountButton()->label()->text(), rig.school().account.displayName);
    QVERIFY(!query->topBar()->storageNotice()->isVisibleTo(query->topBar()));
    rig.model->setQuery(QStringLiteral("徐"));
    rig.model->setFollowNow(false);
    rig.model->setDate(rig.now().addDays(-3));
    const QDateTime later = rig.now().addSecs(90);
    rig.setNow(later);

    query->topBar()->signOutAction()->trigger();
    QTRY_VERIFY(qobject_cast<LoginView *>(view.screen()));
    QTRY_VERIFY(rig.model->query().isEmpty());
    QVERIFY(rig.model->followNow());
    QCOMPARE(rig.model->date(), later);
    QVERIFY(rig.client->savedAccount().isEmpty());
}

int runSignInTests(int argc, char **argv)
{
    SignInTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signin.moc"
