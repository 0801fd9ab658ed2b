#include "clientfixture.h"
#include "core/base/errors.h"
#include "core/client/keychaincredentialstore.h"
#include "suites.h"

#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

class TestCredentials : public QObject
{
    Q_OBJECT

private slots:
    void writesCredentialsAsJson_data();
    void writesCredentialsAsJson();
    void refusesIncompleteSavedData_data();
    void refusesIncompleteSavedData();
    void failsPlainlyWithoutSecretService();
};

void TestCredentials::writesCredentialsAsJson_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("plain") << "teacher"
                           << "pw" << QByteArray(R"({"account":"teacher","password":"pw"})");
    QTest::newRow("empty texts") << ""
                                 << "" << QByteArray(R"({"account":"","password":""})");
    QTest::newRow("quotes and Chinese")
        << "王\"x"
        << " a\\b " << QByteArray(R"({"account":"王\"x","password":" a\\b "})");
}

void TestCredentials::writesCredentialsAsJson()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QByteArray, json);
    const SavedCredentials credentials{account, password};
    QCOMPARE(credentials.toJson(), json);
    QCOMPARE(SavedCredentials::fromJson(json), credentials);
}

void TestCredentials::refusesIncompleteSavedData_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("readable");
    QTest::newRow("extra members") << QByteArray(R"({"account":"a","password":"p","x":1})") << true;
    QTest::newRow("no password") << QByteArray(R"({"account":"a"})") << false;
    QTest::newRow("null password") << QByteArray(R"({"account":"a","password":null})") << false;
    QTest::newRow("account a number") << QByteArray(R"({"account":1,"password":"p"})") << false;
    QTest::newRow("array") << QByteArray(R"(["a","p"])") << false;
    QTest::newRow("not JSON") << QByteArray("account=a") << false;
}

void TestCredentials::refusesIncompleteSavedData()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, readable);
    if (readable)
        QCOMPARE(SavedCredentials::fromJson(json),
                 (SavedCredentials{QStringLiteral("a"), QStringLiteral("p")}));
    else
        QVERIFY_THROWS_EXCEPTION(DecodingError, SavedCredentials::fromJson(json));
}

void TestCredentials::failsPlainlyWithoutSecretService()
{
    // main() points the session bus at nothing, so no Secret Service can answer.
    KeychainCredentialStore store(QStringLiteral("com.quorvale.test.absent"),
                                  QStringLiteral("automatic-login"));
    QCOMPARE(failureText(store.save({QStringLiteral("a"), QStringLiteral("p")})),
             QStringLiteral("密码未能保存到钥匙串"));
    QCOMPARE(failureText(store.load()), QStringLiteral("暂时无法读取钥匙串，请手动登录"));
    QCOMPARE(failureText(store.remove()), QStringLiteral("无法移除钥匙串中的账号"));
}

int runCredentialTests(int argc, char **argv)
{
    TestCredentials tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_credentials.moc"
