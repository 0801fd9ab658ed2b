#include "core/base/errors.h"
#include "core/base/namesort.h"
#include "core/base/shanghai.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"

#include <QJsonDocument>
#include <QTest>

using namespace quorvale;

class TestBase : public QObject
{
    Q_OBJECT

private slots:
    void parsesOnlyStrictIntegers_data();
    void parsesOnlyStrictIntegers();
    void readsIntegersWithoutLoss_data();
    void readsIntegersWithoutLoss();
    void refusesLooseTypes_data();
    void refusesLooseTypes();
    void treatsNullOptionalAsAbsent();
    void reportsCorruptBodies();
    void ordersByScalarsAfterNormalising();
    void sortsByName_data();
    void sortsByName();
    void containsIgnoringCaseAndForm_data();
    void containsIgnoringCaseAndForm();
    void mergesClassLabels_data();
    void mergesClassLabels();
    void placesMomentsOnShanghaiDays();
    void placesMomentsAsTheZoneDatabaseDoes_data();
    void placesMomentsAsTheZoneDatabaseDoes();
};

void TestBase::parsesOnlyStrictIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << "42" << true << qint64(42);
    QTest::newRow("plus") << "+3" << true << qint64(3);
    QTest::newRow("minus zero") << "-0" << true << qint64(0);
    QTest::newRow("leading zeros") << "007" << true << qint64(7);
    QTest::newRow("max") << "9223372036854775807" << true << std::numeric_limits<qint64>::max();
    QTest::newRow("min") << "-9223372036854775808" << true << std::numeric_limits<qint64>::min();
    QTest::newRow("overflow") << "9223372036854775808" << false << qint64(0);
    QTest::newRow("underflow") << "-9223372036854775809" << false << qint64(0);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("sign only") << "-" << false << qint64(0);
    QTest::newRow("leading space") << " 3" << false << qint64(0);
    QTest::newRow("trailing space") << "3 " << false << qint64(0);
    QTest::newRow("double sign") << "+-3" << false << qint64(0);
    QTest::newRow("full-width digit") << QString::fromUtf8("３") << false << qint64(0);
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("٣") << false << qint64(0);
}

void TestBase::parsesOnlyStrictIntegers()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(qint64, value);
    const auto parsed = text::parseInteger(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

void TestBase::readsIntegersWithoutLoss_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");
    QTest::newRow("above 2^31") << QByteArray(R"({"v":3000000000})") << true << qint64(3000000000);
    QTest::newRow("above 2^53") << QByteArray(R"({"v":9007199254740993})") << true
                                << qint64(9007199254740993);
    QTest::newRow("negative") << QByteArray(R"({"v":-5})") << true << qint64(-5);
    QTest::newRow("whole double") << QByteArray(R"({"v":2.0})") << true << qint64(2);
    QTest::newRow("fraction") << QByteArray(R"({"v":2.5})") << false << qint64(0);
    QTest::newRow("beyond 64 bits") << QByteArray(R"({"v":1e30})") << false << qint64(0);
    QTest::newRow("text") << QByteArray(R"({"v":"7"})") << false << qint64(0);
    QTest::newRow("bool") << QByteArray(R"({"v":true})") << false << qint64(0);
}

void TestBase::readsIntegersWithoutLoss()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, valid);
    QFETCH(qint64, value);
    const QJsonObject object = json::parseObject(json);
    if (!valid) {
        QVERIFY_THROWS_EXCEPTION(DecodingError, json::integer(object, QStringLiteral("v")));
        return;
    }
    QCOMPARE(json::integer(object, QStringLiteral("v")), value);
}

void TestBase::refusesLooseTypes_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("kind");
    QTest::newRow("bool from 1") << QByteArray(R"({"b":1})") << int(DecodingError::Kind::WrongType);
    QTest::newRow("bool from text") << QByteArray(R"({"b":"true"})") << int(DecodingError::Kind::WrongType);
    QTest::newRow("missing") << QByteArray(R"({})") << int(DecodingError::Kind::MissingKey);
    QTest::newRow("null required") << QByteArray(R"({"b":null})") << int(DecodingError::Kind::WrongType);
}

void TestBase::refusesLooseTypes()
{
    QFETCH(QByteArray, json);
    QFETCH(int, kind);
    try {
        json::boolean(json::parseObject(json), QStringLiteral("b"));
        QFAIL("accepted");
    } catch (const DecodingError &error) {
        QCOMPARE(int(error.kind()), kind);
        QVERIFY(!error.description().isEmpty());
    }
}

void TestBase::treatsNullOptionalAsAbsent()
{
    const QJsonObject object = json::parseObject(R"({"a":null,"c":3})");
    QVERIFY(!json::optionalString(object, QStringLiteral("a")).has_value());
    QVERIFY(!json::optionalString(object, QStringLiteral("b")).has_value());
    QVERIFY_THROWS_EXCEPTION(DecodingError, json::optionalString(object, QStringLiteral("c")));
}

void TestBase::reportsCorruptBodies()
{
    for (const QByteArray &body :
         {QByteArray("{"), QByteArray(""), QByteArray("<html>"), QByteArray("[1] x")}) {
        try {
            json::parse(body);
            QFAIL("accepted");
        } catch (const DecodingError &error) {
            QCOMPARE(error.kind(), DecodingError::Kind::Corrupted);
        }
    }
}

void TestBase::ordersByScalarsAfterNormalising()
{
    // U+1F600 is one scalar above U+FFFD, but its first UTF-16 unit (a surrogate) sorts below it.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString replacement = QString::fromUcs4(U"\uFFFD");
    QVERIFY(text::less(replacement, emoji));
    QVERIFY(!(replacement < emoji));
    // "é" precomposed and decomposed are one name.
    QCOMPARE(text::compare(QString::fromUtf8("\u00e9"), QString::fromUtf8("e\u0301")), 0);
    QVERIFY(text::less(QStringLiteral("ab"), QStringLiteral("abc")));
    QVERIFY(!text::less(QStringLiteral("abc"), QStringLiteral("ab")));
    // A surrogate without its partner reads as U+FFFD, as QString::toUcs4 reads it.
    QCOMPARE(text::compare(QString(QChar(0xD800)), replacement), 0);
}

void TestBase::sortsByName_data()
{
    // Names, and the order they sort into by their places in the given list.
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("order");
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("scalars, not UTF-16 units")
        << QStringList{emoji, QString::fromUtf8("\uFFFD"), "b", "a"} << QList<int>{3, 2, 1, 0};
    QTest::newRow("equal forms keep their order")
        << QStringList{QString::fromUtf8("e\u0301"), "d", QString::fromUtf8("\u00e9"),
                       QString::fromUtf8("e\u0301")}
        << QList<int>{1, 0, 2, 3};
    QTest::newRow("already in order") << QStringList{"a", "a", "b", emoji} << QList<int>{0, 1, 2, 3};
    QTest::newRow("none") << QStringList{} << QList<int>{};
}

void TestBase::sortsByName()
{
    QFETCH(QStringList, names);
    QFETCH(QList<int>, order);
    struct Named
    {
        QString name;
        int place;
    };
    QList<Named> items;
    for (int place = 0; place < names.size(); ++place)
        items.append({names.at(place), place});
    QList<int> sorted;
    for (const Named &item : sortedByName(items))
        sorted.append(item.place);
    QCOMPARE(sorted, order);
}

void TestBase::containsIgnoringCaseAndForm_data()
{
    QTest::addColumn<QString>("haystack");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("expected");
    QTest::newRow("case") << "Zhang Wei"
                          << "wei" << true;
    QTest::newRow("composed forms") << QString::fromUtf8("Ren\u00e9e") << QString::fromUtf8("rene\u0301")
                                    << true;
    QTest::newRow("chinese") << QString::fromUtf8("张伟明") << QString::fromUtf8("伟明") << true;
    QTest::newRow("scattered") << "Zhang Wei"
                               << "zw" << false;
}

void TestBase::containsIgnoringCaseAndForm()
{
    QFETCH(QString, haystack);
    QFETCH(QString, needle);
    QFETCH(bool, expected);
    QCOMPARE(text::containsIgnoringCase(haystack, needle), expected);
}

void TestBase::mergesClassLabels_data()
{
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("merged");
    const QString placeholder = QString::fromUtf8("班级待确认");
    QTest::newRow("subset") << QStringList{"8B", "7A / 8B"} << "7A / 8B";
    QTest::newRow("three tasks") << QStringList{"7A / 8B", "8B", "8B"} << "7A / 8B";
    QTest::newRow("placeholder dropped") << QStringList{placeholder, "9C"} << "9C";
    QTest::newRow("placeholder alone") << QStringList{placeholder, placeholder} << placeholder;
    QTest::newRow("canonical twins keep the first spelling")
        << QStringList{QString::fromUtf8("e\u0301"), QString::fromUtf8("B / \u00e9")}
        << QString::fromUtf8("B / e\u0301");
    QTest::newRow("supplementary plane after U+FFFD")
        << QStringList{QString::fromUcs4(U"\U0001F600"), QString::fromUcs4(U"\uFFFD")}
        << QString::fromUcs4(U"\uFFFD / \U0001F600");
}

void TestBase::mergesClassLabels()
{
    QFETCH(QStringList, labels);
    QFETCH(QString, merged);
    QCOMPARE(text::mergeLabels(labels, QString::fromUtf8("班级待确认")), merged);
}

void TestBase::placesMomentsOnShanghaiDays()
{
    // 16:30 UTC on 31 August is 00:30 on 1 September in Shanghai.
    const QDateTime moment = QDateTime::fromString(QStringLiteral("2024-08-31T16:30:00Z"), Qt::ISODate);
    QCOMPARE(shanghai::dateOf(moment), QDate(2024, 9, 1));
    QCOMPARE(shanghai::minuteOf(moment), qint64(30));
    QCOMPARE(shanghai::dayText(moment), QStringLiteral("2024-09-01"));
    QCOMPARE(shanghai::startOf(QDate(2024, 9, 1)), QDateTime(QDate(2024, 8, 31), QTime(16, 0), Qt::UTC));
    QCOMPARE(shanghai::at(QDate(2024, 9, 1), 510).toUTC().time(), QTime(0, 30));
}

void TestBase::placesMomentsAsTheZoneDatabaseDoes_data()
{
    QTest::addColumn<QDateTime>("moment");
    const auto utc = [](const char *text) {
        return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    };
    QTest::newRow("a school morning") << utc("2025-03-12T02:00:00.250Z");
    QTest::newRow("last millisecond of a Shanghai day") << utc("2025-03-12T15:59:59.999Z");
    QTest::newRow("first millisecond of a Shanghai day") << utc("2025-03-12T16:00:00.000Z");
    QTest::newRow("29 February") << utc("2024-02-28T16:30:00Z");
    QTest::newRow("new year in Shanghai, not yet in UTC") << utc("2025-12-31T17:00:00Z");
    QTest::newRow("far ahead") << utc("2099-07-01T23:59:00Z");
    QTest::newRow("first moment of the fixed offset") << utc("1992-01-01T00:00:00Z");
    QTest::newRow("the evening before it") << utc("1991-12-31T15:59:00Z");
    // Shanghai kept daylight saving time in the summers of 1986 to 1991.
    QTest::newRow("daylight saving of 1991") << utc("1991-07-01T15:30:00Z");
    QTest::newRow("the Unix epoch") << utc("1970-01-01T00:00:00Z");
}

void TestBase::placesMomentsAsTheZoneDatabaseDoes()
{
    QFETCH(QDateTime, moment);
    const QDateTime local = moment.toTimeZone(shanghai::zone());
    QCOMPARE(shanghai::dateOf(moment), local.date());
    QCOMPARE(shanghai::timeOf(moment), local.time());
    QCOMPARE(shanghai::minuteOf(moment), qint64(local.time().hour() * 60 + local.time().minute()));
    const QDateTime midnight = shanghai::startOf(local.date());
    QCOMPARE(midnight, QDateTime(local.date(), QTime(0, 0), shanghai::zone()));
    QCOMPARE(midnight.timeSpec(), Qt::UTC);
}

QTEST_GUILESS_MAIN(TestBase)
#include "tst_base.moc"
