#include "fixtures.h"
#include "suites.h"

#include "core/model/timetable.h"

#include "core/base/errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace quorvale;

namespace {

QJsonArray periodsJson(const QString &section)
{
    QJsonArray array;
    for (const Period &period : BellSchedule::periods(section))
        array.append(period.toJson());
    return array;
}

QJsonObject period(const char *id, const char *start, const char *end)
{
    return Period{QString::fromUtf8(id), QString::fromUtf8(start), QString::fromUtf8(end)}.toJson();
}

QJsonObject bells(const QJsonArray &middle, const QJsonArray &high)
{
    return QJsonObject{{"middle", middle}, {"high", high}};
}

QJsonArray withPeriod(QJsonArray periods, const QJsonObject &extra)
{
    periods.append(extra);
    return periods;
}

QJsonArray replacing(QJsonArray periods, int index, const QJsonObject &replacement)
{
    periods.replace(index, replacement);
    return periods;
}

QJsonObject lessonJson(qint64 weekday, const QString &period, const QString &subject,
                       const QJsonValue &parity = QJsonValue::Undefined)
{
    QJsonObject object{{"studentId", 1024}, {"weekday", weekday}, {"period", period}, {"subject", subject}};
    if (!parity.isUndefined())
        object.insert("weekParity", parity);
    return object;
}

} // namespace

class TimetableTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsFirstFailingCheck_data();
    void reportsFirstFailingCheck();
    void roundTripsDocument();
    void omitsAbsentOptionals();
    void refusesLooselyTypedDocument_data();
    void refusesLooselyTypedDocument();
    void identifiesLessons();
};

void TimetableTest::reportsFirstFailingCheck_data()
{
    QTest::addColumn<QJsonObject>("patch"); // top-level members that replace those of a valid document
    QTest::addColumn<QString>("message");   // empty: valid

    const QString dates = QStringLiteral("课表日期、第一周周一或完整学生 ID 配置无效");
    const QString sections = QStringLiteral("缺少初中/高中作息，或节次重复");
    const QString lessons = QStringLiteral("课程的星期、单双周或节次无效");
    const QJsonArray middle = periodsJson("middle");
    const QJsonArray high = periodsJson("high");

    QTest::newRow("valid") << QJsonObject() << QString();
    QTest::newRow("one-day window") << QJsonObject{{"validFrom", "2025-07-06"}} << QString();
    QTest::newRow("window reversed") << QJsonObject{{"validFrom", "2025-07-07"}} << dates;
    QTest::newRow("non-canonical start") << QJsonObject{{"validFrom", "2025-2-17"}} << dates;
    QTest::newRow("impossible end") << QJsonObject{{"validThrough", "2025-02-30"}} << dates;
    QTest::newRow("week one on a Sunday") << QJsonObject{{"weekOneMonday", "2025-02-16"}} << dates;
    QTest::newRow("week one not canonical") << QJsonObject{{"weekOneMonday", "2025-9-1"}} << dates;
    QTest::newRow("empty source") << QJsonObject{{"source", ""}} << dates;
    QTest::newRow("blank source") << QJsonObject{{"source", "  "}} << QString();
    QTest::newRow("repeated student") << QJsonObject{{"completeStudentIds", QJsonArray{7, 7}}} << dates;
    QTest::newRow("no students") << QJsonObject{{"completeStudentIds", QJsonArray()}} << QString();
    QTest::newRow("dates before bells")
        << QJsonObject{{"weekOneMonday", "2025-02-18"}, {"bells", QJsonObject{{"middle", middle}}}} << dates;

    QTest::newRow("no high bells") << QJsonObject{{"bells", QJsonObject{{"middle", middle}}}} << sections;
    QTest::newRow("empty middle bells") << QJsonObject{{"bells", bells(QJsonArray(), high)}} << sections;
    QTest::newRow("repeated middle period")
        << QJsonObject{{"bells", bells(withPeriod(middle, period("B3", "16:00", "16:40")), high)}}
        << sections;
    QTest::newRow("high B2 overridden")
        << QJsonObject{{"bells", bells(middle, replacing(high, 1, period("B2", "09:40", "10:20")))}}
        << "high B2 必须使用图片作息 09:25–10:20，不能使用澜序钟点覆盖";
    QTest::newRow("middle B2 written loosely")
        << QJsonObject{{"bells", bells(replacing(middle, 1, period("B2", "9:40", "10:20")), high)}}
        << "middle B2 必须使用图片作息 09:40–10:20，不能使用澜序钟点覆盖";
    QTest::newRow("middle checked before high")
        << QJsonObject{{"bells", bells(replacing(middle, 6, period("B7", "15:10", "15:55")),
                                       replacing(high, 0, period("B1", "08:00", "09:10")))}}
        << "middle B7 必须使用图片作息 15:10–15:50，不能使用澜序钟点覆盖";
    QTest::newRow("extra period overlapping B7")
        << QJsonObject{{"bells", bells(withPeriod(middle, period("B8", "15:45", "16:30")), high)}}
        << "作息时间无效或重叠：B8";
    QTest::newRow("extra period touching B7")
        << QJsonObject{{"bells", bells(withPeriod(middle, period("B8", "15:50", "16:30")), high)}}
        << QString();
    QTest::newRow("extra period with one-digit hour")
        << QJsonObject{{"bells", bells(withPeriod(middle, period("早读", "7:00", "7:30")), high)}}
        << "作息时间无效或重叠：早读";
    QTest::newRow("extra period ending at its start")
        << QJsonObject{{"bells", bells(middle, withPeriod(high, period("ASA", "16:00", "16:00")))}}
        << "作息时间无效或重叠：ASA";
    QTest::newRow("extra period unreadable")
        << QJsonObject{{"bells", bells(middle, withPeriod(high, period("ASA", "16:00", "16:60")))}}
        << "作息时间无效或重叠：ASA";

    const QJsonObject thirdSection = bells(middle, high);
    QJsonObject withThird = thirdSection;
    withThird.insert("evening", QJsonArray{period("晚课1", "19:00", "19:40")});
    QTest::newRow("no lessons") << QJsonObject{{"lessons", QJsonArray()}} << QString();
    QTest::newRow("weekday zero") << QJsonObject{{"lessons", QJsonArray{lessonJson(0, "B1", "数学")}}}
                                  << lessons;
    QTest::newRow("weekday eight") << QJsonObject{{"lessons", QJsonArray{lessonJson(8, "B1", "数学")}}}
                                   << lessons;
    QTest::newRow("empty subject") << QJsonObject{{"lessons", QJsonArray{lessonJson(1, "B1", "")}}}
                                   << lessons;
    QTest::newRow("capitalised parity")
        << QJsonObject{{"lessons", QJsonArray{lessonJson(1, "B1", "数学", "Odd")}}} << lessons;
    QTest::newRow("even parity") << QJsonObject{{"lessons", QJsonArray{lessonJson(1, "B1", "数学", "even")}}}
                                 << QString();
    QTest::newRow("unknown period") << QJsonObject{{"lessons", QJsonArray{lessonJson(1, "B8", "数学")}}}
                                    << lessons;
    QTest::newRow("period of a third section")
        << QJsonObject{{"bells", withThird}, {"lessons", QJsonArray{lessonJson(5, "晚课1", "自习")}}}
        << QString();
    QTest::newRow("bells before lessons") << QJsonObject{{"bells", QJsonObject{{"middle", middle}}},
                                                         {"lessons", QJsonArray{lessonJson(0, "B1", "")}}}
                                          << sections;
}

void TimetableTest::reportsFirstFailingCheck()
{
    QFETCH(QJsonObject, patch);
    QFETCH(QString, message);
    QJsonObject document = fixtures::validTable().toJson();
    for (auto it = patch.constBegin(); it != patch.constEnd(); ++it)
        document.insert(it.key(), it.value());
    const Timetable table = Timetable::fromJson(document);
    try {
        table.validate();
        QCOMPARE(QString(), message);
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), message);
    }
}

void TimetableTest::roundTripsDocument()
{
    Timetable table = fixtures::validTable();
    table.isSample = true;
    table.completeStudentIds = {-1, 4294967297};
    table.lessons = {Lesson{4294967297, 3, "B2", "物理", QStringLiteral("实验室"), QStringLiteral("odd")}};
    table.unknownOutsideCoreHours = false;
    table.warnings = QStringList{QStringLiteral("第二周调课")};
    const QByteArray text = QJsonDocument(table.toJson()).toJson();
    QCOMPARE(Timetable::fromJson(QJsonDocument::fromJson(text).object()), table);
}

void TimetableTest::omitsAbsentOptionals()
{
    Timetable table = fixtures::validTable();
    table.lessons = {fixtures::lesson(1024, 1, "B1", "数学")};
    const QJsonObject document = table.toJson();
    QVERIFY(!document.contains("unknownOutsideCoreHours"));
    QVERIFY(!document.contains("warnings"));
    const QJsonObject lesson = document.value("lessons").toArray().first().toObject();
    QCOMPARE(lesson.keys(), QStringList({"period", "studentId", "subject", "weekday"}));

    QJsonObject withNulls = document;
    withNulls.insert("warnings", QJsonValue::Null);
    withNulls.insert("unknownOutsideCoreHours", QJsonValue::Null);
    withNulls.insert("comment", "ignored");
    QCOMPARE(Timetable::fromJson(withNulls), table);
}

void TimetableTest::refusesLooselyTypedDocument_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<int>("kind");
    const int wrong = int(DecodingError::Kind::WrongType);
    QTest::newRow("sample flag as number") << "isSample" << QJsonValue(1) << wrong;
    QTest::newRow("core-hours flag as text") << "unknownOutsideCoreHours" << QJsonValue("true") << wrong;
    QTest::newRow("fractional student id") << "completeStudentIds" << QJsonValue(QJsonArray{1.5}) << wrong;
    QTest::newRow("warning as number") << "warnings" << QJsonValue(QJsonArray{3}) << wrong;
    QTest::newRow("bells as list") << "bells" << QJsonValue(QJsonArray()) << wrong;
    QTest::newRow("lesson without subject")
        << "lessons"
        << QJsonValue(QJsonArray{QJsonObject{{"studentId", 1}, {"weekday", 1}, {"period", "B1"}}})
        << int(DecodingError::Kind::MissingKey);
    QTest::newRow("no source") << "source" << QJsonValue(QJsonValue::Undefined)
                               << int(DecodingError::Kind::MissingKey);
}

void TimetableTest::refusesLooselyTypedDocument()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(int, kind);
    QJsonObject document = fixtures::validTable().toJson();
    if (value.isUndefined())
        document.remove(key);
    else
        document.insert(key, value);
    try {
        Timetable::fromJson(document);
        QFAIL("decoded");
    } catch (const DecodingError &error) {
        QCOMPARE(int(error.kind()), kind);
    }
}

void TimetableTest::identifiesLessons()
{
    QCOMPARE(fixtures::lesson(1024, 1, "B3", "数学").id(), QStringLiteral("1024-1-B3-数学--all"));
    const Lesson full{-5, 7, "B1", "%1", QStringLiteral("A101"), QStringLiteral("even")};
    QCOMPARE(full.id(), QStringLiteral("-5-7-B1-%1-A101-even"));
}

int runTimetableTests(int argc, char **argv)
{
    TimetableTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_timetable.moc"
