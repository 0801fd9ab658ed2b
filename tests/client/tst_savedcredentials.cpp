#include "core/client/credentialstore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The saved account and password read back exactly as they were typed, whatever characters they hold,
// and agree with Qt's own JSON writer and reader.
using namespace quorvale;

class TestSavedCredentials : public QObject
{
    Q_OBJECT

private slots:
    void readsBackEveryText_data();
    void readsBackEveryText();
};

namespace {

const QChar byteOrderMark(0xfeff);

QByteArray qtJson(const SavedCredentials &credentials)
{
    const QJsonObject object{{QStringLiteral("account"), credentials.account},
                             {QStringLiteral("password"), credentials.password}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
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

QTEST_APPLESS_MAIN(TestSavedCredentials)

#include "tst_savedcredentials.moc"
