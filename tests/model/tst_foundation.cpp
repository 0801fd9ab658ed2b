#include "fixtures.h"

#include "core/model/calendar.h"
#include "core/model/coursetask.h"
#include "core/model/schedule.h"
#include "core/model/student.h"
#include "core/model/teacher.h"
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

QJsonObject lessonJson(qint64 weekday, const QString &period, const QString &subject)
{
    return {{"studentId", 1024}, {"weekday", weekday}, {"period", period}, {"subject", subject}};
}

} // namespace

class FoundationTest : public QObject
{
    Q_OBJECT

private slots:
    void acceptsOnlyCanonicalDays()
    {
        QCOMPARE(Engine::day("2024-02-29"), std::optional(QDate(2024, 2, 29)));
        for (const char *text : {"2023-02-29", "2024-2-29", "2024-02-29T00:00:00"})
            QCOMPARE(Engine::day(text), std::nullopt);
    }

    void readsClockTextsStrictly()
    {
        const std::pair<const char *, qint64> cases[] = {
            {"8::30", 510}, {"-0:30", 30}, {" 8:30", -1}, {"24:00", -1}, {"8:30:00", -1}};
        for (const auto &[text, expected] : cases)
            QCOMPARE(Engine::minutes(text).value_or(-1), expected);
    }

    void readsSchoolDaysAsShanghaiDays()
    {
        QCOMPARE(CourseTaskOption::schoolDay("2024-09-01"), std::optional(QDate(2024, 9, 1)));
        QCOMPARE(CourseTaskOption::schoolDay("2024-08-31T16:30:00Z"), std::optional(QDate(2024, 9, 1)));
        QCOMPARE(CourseTaskOption::schoolDay("2024-08-31T10:00:00-06:00"), std::optional(QDate(2024, 9, 1)));
    }

    void decodesTasksStrictly()
    {
        const auto decode = [](const char *members) {
            return CourseTaskOption::fromJson(
                QJsonDocument::fromJson(
                    QByteArray(R"({"taskName":"t","startDate":"soon","endDate":"later",)") + members + "}")
                    .object());
        };
        QCOMPARE(decode(R"("id":4294967303)").id, qint64(4294967303));
        QCOMPARE(decode(R"("id":7,"default":true)").isDefault, std::optional(true));
        try {
            decode(R"("id":"7")");
            QFAIL("decoded");
        } catch (const DecodingError &error) {
            QCOMPARE(error.kind(), DecodingError::Kind::WrongType);
        }
    }

    void decodesStudentJsonExactly()
    {
        // Ids beyond 32 bits must pass through decoding and encoding unchanged.
        const QByteArray body = R"({"id":4294967297,"name":"李明","englishName":"","classId":3000000000,)"
                                R"("className":"高一1班","schoolId":7,"studySection":3})";
        const Student student = Student::fromJson(QJsonDocument::fromJson(body).object());
        QCOMPARE(student.id, qint64(4294967297));
        QCOMPARE(student.classId, qint64(3000000000));
        QCOMPARE(student.section(), std::optional<QString>(QStringLiteral("high")));
        QCOMPARE(Student::fromJson(student.toJson()), student);
        QCOMPARE(student.toJson().keys().size(), 7);
    }

    void readsNumericIdentifiers_data()
    {
        QTest::addColumn<QByteArray>("id");   // the JSON text of "id"
        QTest::addColumn<qint64>("expected"); // -1: refused as corrupted
        QTest::newRow("integer") << QByteArray("1203") << qint64(1203);
        QTest::newRow("above 32 bits") << QByteArray(R"("8589934592")") << qint64(8589934592);
        QTest::newRow("space before") << QByteArray(R"(" 12")") << qint64(-1);
        QTest::newRow("decimal text") << QByteArray(R"("1.0")") << qint64(-1);
    }

    void readsNumericIdentifiers()
    {
        QFETCH(QByteArray, id);
        QFETCH(qint64, expected);
        const QJsonObject object = QJsonDocument::fromJson(R"({"name":"王老师","id":)" + id + "}").object();
        for (const bool course : {false, true}) {
            try {
                QCOMPARE(course ? CourseOption::fromJson(object).id : Teacher::fromJson(object).id, expected);
            } catch (const DecodingError &error) {
                QCOMPARE(expected, qint64(-1));
                QCOMPARE(error.kind(), DecodingError::Kind::InvalidValue);
                QCOMPARE(error.key(), QStringLiteral("id"));
                // The JSON itself is sound: the text must not blame it.
                QCOMPARE(error.description(), QStringLiteral("返回数据字段的值不符合预期，无法读取"));
            }
        }
    }

    void decodesStrictlyAndReportsFirstFailingCheck_data()
    {
        QTest::addColumn<QJsonObject>("patch"); // top-level members that replace those of a valid document
        QTest::addColumn<QString>("message");   // empty: valid

        const QString dates = QStringLiteral("课表日期、第一周周一或完整学生 ID 配置无效");
        const QString sections = QStringLiteral("缺少初中/高中作息，或节次重复");
        const QString lessons = QStringLiteral("课程的星期、单双周或节次无效");
        const QJsonArray middle = periodsJson("middle");
        const QJsonArray high = periodsJson("high");
        const QString wrongType = DecodingError(DecodingError::Kind::WrongType, {}).description();

        QTest::newRow("sample flag as number") << QJsonObject{{"isSample", 1}} << wrongType;
        QTest::newRow("lesson without subject")
            << QJsonObject{{"lessons",
                            QJsonArray{QJsonObject{{"studentId", 1}, {"weekday", 1}, {"period", "B1"}}}}}
            << DecodingError(DecodingError::Kind::MissingKey, {}).description();

        QTest::newRow("valid") << QJsonObject() << QString();
        QTest::newRow("window reversed") << QJsonObject{{"validFrom", "2025-07-07"}} << dates;
        QTest::newRow("repeated student") << QJsonObject{{"completeStudentIds", QJsonArray{7, 7}}} << dates;
        QTest::newRow("dates before bells")
            << QJsonObject{{"weekOneMonday", "2025-02-18"}, {"bells", QJsonObject{{"middle", middle}}}}
            << dates;

        QTest::newRow("no high bells") << QJsonObject{{"bells", QJsonObject{{"middle", middle}}}} << sections;
        QTest::newRow("high B2 overridden")
            << QJsonObject{{"bells", bells(middle, replacing(high, 1, period("B2", "09:40", "10:20")))}}
            << "high B2 必须使用图片作息 09:25–10:20，不能使用澜序钟点覆盖";
        QTest::newRow("middle checked before high")
            << QJsonObject{{"bells", bells(replacing(middle, 6, period("B7", "15:10", "15:55")),
                                           replacing(high, 0, period("B1", "08:00", "09:10")))}}
            << "middle B7 必须使用图片作息 15:10–15:50，不能使用澜序钟点覆盖";
        QTest::newRow("extra period overlapping B7")
            << QJsonObject{{"bells", bells(withPeriod(middle, period("B8", "15:45", "16:30")), high)}}
            << "作息时间无效或重叠：B8";
        QTest::newRow("weekday zero")
            << QJsonObject{{"lessons", QJsonArray{lessonJson(0, "B1", "数学")}}} << lessons;
        QTest::newRow("bells before lessons") << QJsonObject{{"bells", QJsonObject{{"middle", middle}}},
                                                             {"lessons", QJsonArray{lessonJson(0, "B1", "")}}}
                                              << sections;
    }

    void decodesStrictlyAndReportsFirstFailingCheck()
    {
        QFETCH(QJsonObject, patch);
        QFETCH(QString, message);
        QJsonObject document = fixtures::validTable().toJson();
        for (auto it = patch.constBegin(); it != patch.constEnd(); ++it)
            document.insert(it.key(), it.value());
        try {
            Timetable::fromJson(document).validate();
            QCOMPARE(QString(), message);
        } catch (const Error &error) {
            QCOMPARE(error.description(), message);
        }
    }

    void roundTripsDocument()
    {
        Timetable table = fixtures::validTable();
        table.isSample = true;
        table.completeStudentIds = {-1, 4294967297};
        table.lessons = {
            Lesson{4294967297, 3, "B2", "物理", QStringLiteral("实验室"), QStringLiteral("odd")}};
        table.unknownOutsideCoreHours = false;
        table.warnings = QStringList{QStringLiteral("第二周调课")};
        const QByteArray text = QJsonDocument(table.toJson()).toJson();
        QCOMPARE(Timetable::fromJson(QJsonDocument::fromJson(text).object()), table);
    }
};

QTEST_GUILESS_MAIN(FoundationTest)

#include "tst_foundation.moc"
