#include "core/updates/updatecheckfrequency.h"
#include "core/updates/updateconfiguration.h"

#include <QTest>

// Which build settings allow a build to update itself, and the check intervals.
using namespace quorvale;
using Kind = UpdateConfiguration::ConfigurationError::Kind;

namespace {

const QString feedKey = QStringLiteral("SUFeedURL");
const QString keyKey = QStringLiteral("SUPublicEDKey");
const QString signedKey = QStringLiteral("SURequireSignedFeed");

QString feed()
{
    return UpdateConfiguration::expectedFeedURL().toString(QUrl::FullyEncoded);
}

QString keyText(int bytes = 32)
{
    return QString::fromLatin1(QByteArray(bytes, '\x5a').toBase64());
}

InfoDictionary valid()
{
    return {{feedKey, feed()}, {keyKey, keyText()}, {signedKey, true}};
}

InfoDictionary with(const QString &key, const QVariant &value)
{
    InfoDictionary dictionary = valid();
    if (value.isValid())
        dictionary.insert(key, value);
    else
        dictionary.remove(key);
    return dictionary;
}

// The feed text with `insert` placed right after the host.
QString afterHost(const QString &insert)
{
    const QString host = UpdateConfiguration::expectedFeedURL().host();
    return QString(feed()).replace(host, host + insert);
}

std::optional<Kind> refusal(const InfoDictionary &dictionary)
{
    try {
        UpdateConfiguration configuration(dictionary);
    } catch (const UpdateConfiguration::ConfigurationError &error) {
        return error.kind();
    }
    return std::nullopt;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<Kind>)

class TestUpdateConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void decidesByTheFirstFailingCheck_data();
    void decidesByTheFirstFailingCheck();
    void describesEachRefusal();
    void comparesFeedAndKeyText();
    void keepsTheShorterIntervalOnATie_data();
    void keepsTheShorterIntervalOnATie();
};

void TestUpdateConfiguration::decidesByTheFirstFailingCheck_data()
{
    QTest::addColumn<InfoDictionary>("dictionary");
    QTest::addColumn<std::optional<Kind>>("refused");

    const QString canonicalZeros = QString::fromLatin1(QByteArray(32, '\0').toBase64());
    QString spareBits = canonicalZeros;
    spareBits[42] = u'B';

    QTest::newRow("valid") << valid() << std::optional<Kind>();
    QTest::newRow("empty dictionary") << InfoDictionary() << std::optional(Kind::missingFeed);
    QTest::newRow("empty feed") << with(feedKey, QString()) << std::optional(Kind::missingFeed);
    QTest::newRow("feed a number") << with(feedKey, 7) << std::optional(Kind::missingFeed);
    QTest::newRow("bare query") << with(feedKey, feed() + u'?') << std::optional(Kind::invalidFeed);
    QTest::newRow("bare fragment") << with(feedKey, feed() + u'#') << std::optional(Kind::invalidFeed);
    QTest::newRow("explicit port") << with(feedKey, afterHost(QStringLiteral(":443")))
                                   << std::optional(Kind::invalidFeed);
    QTest::newRow("user part") << with(feedKey, QString(feed()).replace(QStringLiteral("https://"),
                                                                         QStringLiteral("https://someone@")))
                               << std::optional(Kind::invalidFeed);
    QTest::newRow("capital scheme") << with(feedKey, QString(feed()).replace(QStringLiteral("https"),
                                                                              QStringLiteral("HTTPS")))
                                    << std::optional(Kind::invalidFeed);
    QTest::newRow("trailing slash") << with(feedKey, feed() + u'/') << std::optional(Kind::invalidFeed);
    QTest::newRow("other host") << with(feedKey, QStringLiteral("https://example.org/olvar/appcast.xml"))
                                << std::optional(Kind::invalidFeed);
    QTest::newRow("plain http") << with(feedKey, QString(feed()).replace(QStringLiteral("https"),
                                                                          QStringLiteral("http")))
                                << std::optional(Kind::invalidFeed);
    InfoDictionary feedAndKeyWrong = with(feedKey, feed() + u'#');
    feedAndKeyWrong.insert(keyKey, QStringLiteral("nope"));
    QTest::newRow("feed examined first") << feedAndKeyWrong << std::optional(Kind::invalidFeed);
    InfoDictionary keyAndFlagWrong = with(keyKey, QStringLiteral("nope"));
    keyAndFlagWrong.insert(signedKey, false);
    QTest::newRow("key before flag") << keyAndFlagWrong << std::optional(Kind::invalidPublicKey);
    QTest::newRow("key absent") << with(keyKey, QVariant()) << std::optional(Kind::invalidPublicKey);
    QTest::newRow("key a number") << with(keyKey, 32) << std::optional(Kind::invalidPublicKey);
    QTest::newRow("31 bytes") << with(keyKey, keyText(31)) << std::optional(Kind::invalidPublicKey);
    QTest::newRow("33 bytes") << with(keyKey, keyText(33)) << std::optional(Kind::invalidPublicKey);
    QTest::newRow("43 characters") << with(keyKey, keyText().chopped(1)) << std::optional(Kind::invalidPublicKey);
    QTest::newRow("trailing line break") << with(keyKey, keyText() + u'\n') << std::optional(Kind::invalidPublicKey);
    QTest::newRow("bits beyond 32 bytes") << with(keyKey, spareBits) << std::optional(Kind::invalidPublicKey);
    QTest::newRow("zero key is well formed") << with(keyKey, canonicalZeros) << std::optional<Kind>();
    QTest::newRow("flag absent") << with(signedKey, QVariant()) << std::optional(Kind::signedFeedRequired);
    QTest::newRow("flag false") << with(signedKey, false) << std::optional(Kind::signedFeedRequired);
    QTest::newRow("flag the integer 1") << with(signedKey, 1) << std::optional(Kind::signedFeedRequired);
    QTest::newRow("flag the text YES") << with(signedKey, QStringLiteral("YES"))
                                       << std::optional(Kind::signedFeedRequired);
}

void TestUpdateConfiguration::decidesByTheFirstFailingCheck()
{
    QFETCH(InfoDictionary, dictionary);
    QFETCH(std::optional<Kind>, refused);
    QCOMPARE(refusal(dictionary), refused);
    if (!refused) {
        const UpdateConfiguration configuration(dictionary);
        QCOMPARE(configuration.feedURL(), UpdateConfiguration::expectedFeedURL());
        QCOMPARE(configuration.publicKey(), dictionary.value(keyKey).toString());
    }
}

void TestUpdateConfiguration::describesEachRefusal()
{
    const auto text = [](Kind kind) { return UpdateConfiguration::ConfigurationError(kind).description(); };
    QCOMPARE(text(Kind::missingFeed), QStringLiteral("此构建尚未配置更新地址"));
    QCOMPARE(text(Kind::invalidFeed), QStringLiteral("更新地址不是指定的 HTTPS 更新源"));
    QCOMPARE(text(Kind::invalidPublicKey), QStringLiteral("更新签名公钥未配置或格式无效"));
    QCOMPARE(text(Kind::signedFeedRequired), QStringLiteral("此构建尚未启用更新源签名验证"));
    const QUrl expected = UpdateConfiguration::expectedFeedURL();
    QCOMPARE(expected.scheme(), QStringLiteral("https"));
    QCOMPARE(expected.path(), QStringLiteral("/olvar/appcast.xml"));
}

void TestUpdateConfiguration::comparesFeedAndKeyText()
{
    QCOMPARE(UpdateConfiguration(valid()), UpdateConfiguration(valid()));
    const InfoDictionary otherKey = with(keyKey, QString::fromLatin1(QByteArray(32, '\x11').toBase64()));
    QVERIFY(UpdateConfiguration(otherKey) != UpdateConfiguration(valid()));
}

void TestUpdateConfiguration::keepsTheShorterIntervalOnATie_data()
{
    QTest::addColumn<double>("interval");
    QTest::addColumn<UpdateCheckFrequency>("frequency");
    QTest::newRow("3600") << 3600.0 << UpdateCheckFrequency::fourHourly;
    QTest::newRow("18000 between four and six hours") << 18000.0 << UpdateCheckFrequency::fourHourly;
    QTest::newRow("50000") << 50000.0 << UpdateCheckFrequency::sixHourly;
    QTest::newRow("345600 between a day and a week") << 345600.0 << UpdateCheckFrequency::daily;
    QTest::newRow("10000000") << 10000000.0 << UpdateCheckFrequency::weekly;
}

void TestUpdateConfiguration::keepsTheShorterIntervalOnATie()
{
    QFETCH(double, interval);
    QFETCH(UpdateCheckFrequency, frequency);
    QCOMPARE(closestFrequency(interval), frequency);
    QCOMPARE(updateCheckFrequency(rawValue(frequency)), frequency);
    QCOMPARE(updateCheckFrequency(rawValue(frequency).toUpper()), std::nullopt);
}

QTEST_GUILESS_MAIN(TestUpdateConfiguration)
#include "tst_updateconfiguration.moc"
