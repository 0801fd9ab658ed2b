#include "core/base/errors.h"
#include "core/client/credentialstore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <optional>

// The saved account and password read back exactly as they were typed, whatever characters they hold,
// and agree with Qt's own JSON writer and reader.
using namespace quorvale;

class TestSavedCredentials : public QObject
{
    Q_OBJECT

private slots:
    void readsBackEveryText_data();
    void readsBackEveryText();
    void readsDoubledKeysAsQtDoes_data();
    void readsDoubledKeysAsQtDoes();
};

namespace {

const QChar byteOrderMark(0xfeff);

QByteArray qtJson(const SavedCredentials &credentials)
{
    const QJsonObject object{{QStringLiteral("account"), credentials.account},
                             {QStringLiteral("password"), credentials.password}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The item as Qt's reader reads it; none when it holds no text "account" and "password".
std::optional<SavedCredentials> readByQt(const QByteArray &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    const QJsonValue account = object.value(QStringLiteral("account"));
    const QJsonValue password = object.value(QStringLiteral("password"));
    if (!account.isString() || !password.isString())
        return std::nullopt;
    return SavedCredentials{account.toString(), password.toString()};
}

} // namespace

void TestSavedCredentials::readsBackEveryText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("U+FEFF first") << byteOrderMark + QStringLiteral("ab1234");
    QTest::newRow("U+FEFF after a quote")
        << QStringLiteral("ab\"") + byteOrderMark + QStringLiteral("cd1234");
    QTest::newRow("U+FEFF after a backslash")
        << QStringLiteral("ab\\") + byteOrderMark + QStringLiteral("cd");
    QTest::newRow("U+FEFF after a control character") << QStringLiteral("a\x01") + byteOrderMark;
    QTest::newRow("U+FEFF after an unpaired surrogate")
        << QString(QChar(0xd800)) + byteOrderMark + QStringLiteral("x");
    QTest::newRow("U+FEFF alone") << QString(byteOrderMark);
    QTest::newRow("U+2028") << QStringLiteral("a\u2028b\u2029");
    QTest::newRow("NUL") << QString::fromUtf16(u"a\0b", 3);
    QTest::newRow("beyond the first plane") << QStringLiteral("\U0001F600") + byteOrderMark;
}

void TestSavedCredentials::readsBackEveryText()
{
    QFETCH(QString, text);
    const SavedCredentials credentials{text, text + text};
    const QByteArray json = credentials.toJson();
    QCOMPARE(SavedCredentials::fromJson(json), credentials);
    // Qt's reader reads what is written here, and what Qt writes is read here unchanged.
    const QJsonObject read = QJsonDocument::fromJson(json).object();
    QCOMPARE(read.value(QStringLiteral("account")).toString(), credentials.account);
    QCOMPARE(read.value(QStringLiteral("password")).toString(), credentials.password);
    QCOMPARE(SavedCredentials::fromJson(qtJson(credentials)), credentials);
}

void TestSavedCredentials::readsDoubledKeysAsQtDoes_data()
{
    // Items not written by this program: the last of doubled keys wins, past the tenth string too.
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    const QByteArray between = R"("k0":"v","k1":"v","k2":"v")";
    QTest::newRow("password doubled")
        << R"({"account":"a","password":"first",)" + between + R"(,"password":"second"})"
        << "a"
        << "second";
    QTest::newRow("account doubled") << R"({"password":"p","account":"first",)" + between +
                                            R"(,"account":"second"})"
                                     << "second"
                                     << "p";
    QTest::newRow("object, then text")
        << R"({"account":"a","password":{"n":1},)" + between + R"(,"password":"second"})"
        << "a"
        << "second";
    // An empty account marks an item neither reader accepts.
    QTest::newRow("text, then object")
        << R"({"account":"a","password":"first",)" + between + R"(,"password":{"n":1}})"
        << ""
        << "";
}

void TestSavedCredentials::readsDoubledKeysAsQtDoes()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, account);
    QFETCH(QString, password);
    const std::optional<SavedCredentials> expected =
        account.isEmpty() ? std::nullopt : std::optional(SavedCredentials{account, password});
    QCOMPARE(readByQt(json), expected);
    std::optional<SavedCredentials> read;
    try {
        read = SavedCredentials::fromJson(json);
    } catch (const Error &) {
    }
    QCOMPARE(read, expected);
}

QTEST_APPLESS_MAIN(TestSavedCredentials)

#include "tst_savedcredentials.moc"
