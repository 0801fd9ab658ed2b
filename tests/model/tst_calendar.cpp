#include "fixtures.h"
#include "suites.h"

#include "core/model/calendar.h"
#include "core/model/coursetask.h"
#include "core/model/schedule.h"

#include "core/base/errors.h"

#include <QJsonDocument>
#include <QTest>

using namespace quorvale;

class CalendarTest : public QObject
{
    Q_OBJECT

private slots:
    void acceptsOnlyCanonicalDays_data();
    void acceptsOnlyCanonicalDays();
    void readsClockTexts_data();
    void readsClockTexts();
    void writesMinutesWithoutWrapping_data();
    void writesMinutesWithoutWrapping();
    void joinsLessonTimesWithEnDash();
    void knowsOnlyTwoSections();
    void readsSchoolDaysInEveryPlatformForm_data();
    void readsSchoolDaysInEveryPlatformForm();
    void containsWholeEndDays_data();
    void containsWholeEndDays();
    void decodesTaskDefaultMarkLeniently_data();
    void decodesTaskDefaultMarkLeniently();
    void refusesMalformedTasks_data();
    void refusesMalformedTasks();
};

void CalendarTest::acceptsOnlyCanonicalDays_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("leap day") << "2024-02-29" << QDate(2024, 2, 29);
    QTest::newRow("term start") << "2025-09-01" << QDate(2025, 9, 1);
    QTest::newRow("no leap day") << "2023-02-29" << QDate();
    QTest::newRow("30 February") << "2024-02-30" << QDate();
    QTest::newRow("month 13") << "2024-13-01" << QDate();
    QTest::newRow("short month") << "2024-2-29" << QDate();
    QTest::newRow("short day") << "2025-09-1" << QDate();
    QTest::newRow("time stamp") << "2024-02-29T00:00:00" << QDate();
    QTest::newRow("trailing space") << "2024-02-29 " << QDate();
    QTest::newRow("digits only") << "20240229" << QDate();
    QTest::newRow("slashes") << "2024/02/29" << QDate();
    QTest::newRow("signed month") << "2024-+2-29" << QDate();
    QTest::newRow("full-width digits") << QString::fromUtf8("２０２４-02-29") << QDate();
    QTest::newRow("year zero") << "0000-01-01" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void CalendarTest::acceptsOnlyCanonicalDays()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(Engine::day(text).value_or(QDate()), expected);
}

void CalendarTest::readsClockTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected"); // -1: no value
    QTest::newRow("padded") << "08:30" << qint64(510);
    QTest::newRow("one-digit hour") << "8:30" << qint64(510);
    QTest::newRow("one-digit minute") << "8:5" << qint64(485);
    QTest::newRow("last minute") << "23:59" << qint64(1439);
    QTest::newRow("double colon") << "8::30" << qint64(510);
    QTest::newRow("leading colon") << ":8:30" << qint64(510);
    QTest::newRow("trailing colon") << "8:30:" << qint64(510);
    QTest::newRow("plus sign") << "+8:30" << qint64(510);
    QTest::newRow("minus zero") << "-0:30" << qint64(30);
    QTest::newRow("negative hour") << "-1:30" << qint64(-1);
    QTest::newRow("leading space") << " 8:30" << qint64(-1);
    QTest::newRow("hour 24") << "24:00" << qint64(-1);
    QTest::newRow("minute 60") << "8:60" << qint64(-1);
    QTest::newRow("seconds") << "8:30:00" << qint64(-1);
    QTest::newRow("hour only") << "8" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
    QTest::newRow("beyond 64 bits") << "99999999999999999999:00" << qint64(-1);
    QTest::newRow("full-width digit") << QString::fromUtf8("８:30") << qint64(-1);
}

void CalendarTest::readsClockTexts()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QCOMPARE(Engine::minutes(text).value_or(-1), expected);
}

void CalendarTest::writesMinutesWithoutWrapping_data()
{
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("midnight") << qint64(0) << "00:00";
    QTest::newRow("core start") << qint64(510) << "08:30";
    QTest::newRow("core end") << qint64(950) << "15:50";
    QTest::newRow("last minute") << qint64(1439) << "23:59";
    QTest::newRow("past the day") << qint64(1500) << "25:00";
}

void CalendarTest::writesMinutesWithoutWrapping()
{
    QFETCH(qint64, minutes);
    QFETCH(QString, expected);
    QCOMPARE(Engine::time(minutes), expected);
}

void CalendarTest::joinsLessonTimesWithEnDash()
{
    const DayLesson lesson{fixtures::lesson(1, 1, QStringLiteral("B4"), QStringLiteral("数学")), 730, 770};
    QCOMPARE(lesson.time(), QStringLiteral("12:10–12:50"));
}

void CalendarTest::knowsOnlyTwoSections()
{
    QCOMPARE(BellSchedule::periods(QStringLiteral("middle")).size(), 7);
    QCOMPARE(BellSchedule::periods(QStringLiteral("high")).size(), 7);
    QVERIFY(BellSchedule::periods(QStringLiteral("High")).isEmpty());
    QVERIFY(BellSchedule::periods(QString()).isEmpty());
}

void CalendarTest::readsSchoolDaysInEveryPlatformForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("plain day") << "2024-09-01" << QDate(2024, 9, 1);
    QTest::newRow("local time") << "2024-09-01T00:00:00" << QDate(2024, 9, 1);
    QTest::newRow("local milliseconds") << "2024-09-01T00:00:00.000" << QDate(2024, 9, 1);
    QTest::newRow("local afternoon") << "2024-09-01T13:00:00" << QDate(2024, 9, 1);
    QTest::newRow("utc instant on the next Shanghai day") << "2024-08-31T16:30:00Z" << QDate(2024, 9, 1);
    QTest::newRow("utc instant late in the Shanghai day") << "2024-08-31T15:59:59Z" << QDate(2024, 8, 31);
    QTest::newRow("utc fraction") << "2024-08-31T16:30:00.250Z" << QDate(2024, 9, 1);
    QTest::newRow("shanghai offset") << "2024-09-01T13:00:00+08:00" << QDate(2024, 9, 1);
    QTest::newRow("western offset") << "2024-08-31T10:00:00-06:00" << QDate(2024, 9, 1);
    QTest::newRow("one fraction digit") << "2024-09-01T00:00:00.5" << QDate();
    QTest::newRow("no seconds") << "2024-09-01T00:00" << QDate();
    QTest::newRow("short month with time") << "2024-9-01T00:00:00" << QDate();
    QTest::newRow("impossible time") << "2024-09-01T24:00:00" << QDate();
    QTest::newRow("impossible offset") << "2024-09-01T00:00:00+24:00" << QDate();
    QTest::newRow("lower-case separator") << "2024-09-01t00:00:00" << QDate();
    QTest::newRow("slashes") << "2024/09/01" << QDate();
    QTest::newRow("short form") << "2024-9-1" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void CalendarTest::readsSchoolDaysInEveryPlatformForm()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(CourseTaskOption::schoolDay(text).value_or(QDate()), expected);
}

void CalendarTest::containsWholeEndDays_data()
{
    QTest::addColumn<QString>("startDate");
    QTest::addColumn<QString>("endDate");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<bool>("contained");
    const QString start = QStringLiteral("2024-09-01");
    const QString end = QStringLiteral("2025-01-19");
    using fixtures::at;
    QTest::newRow("first minute") << start << end << at("2024-09-01", "00:00") << true;
    QTest::newRow("last minute") << start << end << at("2025-01-19", "23:59") << true;
    QTest::newRow("day before") << start << end << at("2024-08-31", "23:59") << false;
    QTest::newRow("day after") << start << end << at("2025-01-20", "00:00") << false;
    QTest::newRow("start with a time of day")
        << "2024-09-01T13:00:00" << end << at("2024-09-01", "08:00") << true;
    QTest::newRow("reversed") << end << start << at("2024-10-01", "12:00") << false;
    QTest::newRow("unreadable start") << "2024/09/01" << end << at("2024-10-01", "12:00") << false;
    QTest::newRow("empty end") << start << "" << at("2024-10-01", "12:00") << false;
}

void CalendarTest::containsWholeEndDays()
{
    QFETCH(QString, startDate);
    QFETCH(QString, endDate);
    QFETCH(QDateTime, moment);
    QFETCH(bool, contained);
    const CourseTaskOption task{1,           QStringLiteral("2024秋季"), std::nullopt, startDate, endDate,
                                std::nullopt};
    QCOMPARE(task.contains(moment), contained);
}

void CalendarTest::decodesTaskDefaultMarkLeniently_data()
{
    QTest::addColumn<QByteArray>("mark"); // the "default" member, or empty for none
    QTest::addColumn<int>("expected");    // -1 none, 0 false, 1 true
    QTest::newRow("true") << QByteArray(R"(,"default":true)") << 1;
    QTest::newRow("false") << QByteArray(R"(,"default":false)") << 0;
    QTest::newRow("one") << QByteArray(R"(,"default":1)") << 1;
    QTest::newRow("zero") << QByteArray(R"(,"default":0)") << 0;
    QTest::newRow("two") << QByteArray(R"(,"default":2)") << -1;
    QTest::newRow("minus one") << QByteArray(R"(,"default":-1)") << -1;
    QTest::newRow("text") << QByteArray(R"(,"default":"1")") << -1;
    QTest::newRow("null") << QByteArray(R"(,"default":null)") << -1;
    QTest::newRow("absent") << QByteArray() << -1;
}

void CalendarTest::decodesTaskDefaultMarkLeniently()
{
    QFETCH(QByteArray, mark);
    QFETCH(int, expected);
    const QByteArray body =
        R"({"id":7,"taskName":"2024秋季","startDate":"2024-09-01","endDate":"2025-01-19")" + mark + "}";
    const CourseTaskOption task = CourseTaskOption::fromJson(QJsonDocument::fromJson(body).object());
    QCOMPARE(task.id, qint64(7));
    QCOMPARE(task.taskEName, std::nullopt);
    QCOMPARE(task.isDefault.has_value() ? int(*task.isDefault) : -1, expected);
}

void CalendarTest::refusesMalformedTasks_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("kind"); // -1: decodes
    const int missing = int(DecodingError::Kind::MissingKey);
    const int wrong = int(DecodingError::Kind::WrongType);
    QTest::newRow("id as digit text")
        << QByteArray(R"({"id":"7","taskName":"t","startDate":"","endDate":""})") << wrong;
    QTest::newRow("fractional id") << QByteArray(R"({"id":7.5,"taskName":"t","startDate":"","endDate":""})")
                                   << wrong;
    QTest::newRow("no end") << QByteArray(R"({"id":7,"taskName":"t","startDate":""})") << missing;
    QTest::newRow("numeric English name")
        << QByteArray(R"({"id":7,"taskName":"t","taskEName":3,"startDate":"","endDate":""})") << wrong;
    QTest::newRow("null English name")
        << QByteArray(R"({"id":7,"taskName":"t","taskEName":null,"startDate":"","endDate":""})") << -1;
    QTest::newRow("unreadable days still decode")
        << QByteArray(R"({"id":7,"taskName":"t","startDate":"soon","endDate":"later"})") << -1;
    QTest::newRow("id above 32 bits")
        << QByteArray(R"({"id":4294967303,"taskName":"t","startDate":"","endDate":""})") << -1;
}

void CalendarTest::refusesMalformedTasks()
{
    QFETCH(QByteArray, body);
    QFETCH(int, kind);
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    try {
        const CourseTaskOption task = CourseTaskOption::fromJson(object);
        QCOMPARE(kind, -1);
        QCOMPARE(task.id, object.value(QStringLiteral("id")).toInteger());
    } catch (const DecodingError &error) {
        QCOMPARE(int(error.kind()), kind);
    }
}

int runCalendarTests(int argc, char **argv)
{
    CalendarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_calendar.moc"
