#include "fixtures.h"
#include "suites.h"

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

QJsonObject lessonJson(qint64 weekday, const QString &period, const QString &subject,
                       const QJsonValue &parity = QJsonValue::Undefined)
{
    QJsonObject object{{"studentId", 1024}, {"weekday", weekday}, {"period", period}, {"subject", subject}};
    if (!parity.isUndefined())
        object.insert("weekParity", parity);
    return object;
}

} // namespace

// Calendar texts, people, tasks and timetables: reading them strictly and checking them.
class FoundationTest : public QObject
{
    Q_OBJECT

private slots:
    void acceptsOnlyCanonicalDays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("leap day") << "2024-02-29" << QDate(2024, 2, 29);
        QTest::newRow("no leap day") << "2023-02-29" << QDate();
        QTest::newRow("short month") << "2024-2-29" << QDate();
        QTest::newRow("time stamp") << "2024-02-29T00:00:00" << QDate();
        QTest::newRow("trailing space") << "2024-02-29 " << QDate();
        QTest::newRow("signed month") << "2024-+2-29" << QDate();
        QTest::newRow("full-width digits") << QString::fromUtf8("２０２４-02-29") << QDate();
    }

    void acceptsOnlyCanonicalDays()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(Engine::day(text).value_or(QDate()), expected);
    }

    void readsClockTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected"); // -1: no value
        QTest::newRow("one-digit hour") << "8:30" << qint64(510);
        QTest::newRow("double colon") << "8::30" << qint64(510);
        QTest::newRow("minus zero") << "-0:30" << qint64(30);
        QTest::newRow("negative hour") << "-1:30" << qint64(-1);
        QTest::newRow("leading space") << " 8:30" << qint64(-1);
        QTest::newRow("hour 24") << "24:00" << qint64(-1);
        QTest::newRow("minute 60") << "8:60" << qint64(-1);
        QTest::newRow("seconds") << "8:30:00" << qint64(-1);
        QTest::newRow("beyond 64 bits") << "99999999999999999999:00" << qint64(-1);
    }

    void readsClockTexts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(Engine::minutes(text).value_or(-1), expected);
    }

    void writesMinutesWithoutWrapping()
    {
        QCOMPARE(Engine::time(0), QStringLiteral("00:00"));
        QCOMPARE(Engine::time(1500), QStringLiteral("25:00"));
    }

    void readsSchoolDaysInEveryPlatformForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("plain day") << "2024-09-01" << QDate(2024, 9, 1);
        QTest::newRow("local milliseconds") << "2024-09-01T00:00:00.000" << QDate(2024, 9, 1);
        QTest::newRow("utc instant on the next Shanghai day") << "2024-08-31T16:30:00Z" << QDate(2024, 9, 1);
        QTest::newRow("utc instant late in the Shanghai day") << "2024-08-31T15:59:59Z" << QDate(2024, 8, 31);
        QTest::newRow("western offset") << "2024-08-31T10:00:00-06:00" << QDate(2024, 9, 1);
        QTest::newRow("one fraction digit") << "2024-09-01T00:00:00.5" << QDate();
        QTest::newRow("impossible offset") << "2024-09-01T00:00:00+24:00" << QDate();
        QTest::newRow("short form") << "2024-9-1" << QDate();
    }

    void readsSchoolDaysInEveryPlatformForm()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(CourseTaskOption::schoolDay(text).value_or(QDate()), expected);
    }

    void containsWholeEndDays_data()
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
        QTest::newRow("reversed") << end << start << at("2024-10-01", "12:00") << false;
    }

    void containsWholeEndDays()
    {
        QFETCH(QString, startDate);
        QFETCH(QString, endDate);
        QFETCH(QDateTime, moment);
        QFETCH(bool, contained);
        const CourseTaskOption task{1,           QStringLiteral("2024秋季"), std::nullopt, startDate, endDate,
                                    std::nullopt};
        QCOMPARE(task.contains(moment), contained);
    }

    void decodesTasks_data()
    {
        QTest::addColumn<QByteArray>("members"); // added to a task that has a name and both days
        QTest::addColumn<int>("kind");           // -1: decodes
        QTest::addColumn<int>("isDefault");      // -1 none, 0 false, 1 true
        const int wrong = int(DecodingError::Kind::WrongType);
        QTest::newRow("default true") << QByteArray(R"("id":7,"default":true)") << -1 << 1;
        QTest::newRow("default one") << QByteArray(R"("id":7,"default":1)") << -1 << 1;
        QTest::newRow("default two") << QByteArray(R"("id":7,"default":2)") << -1 << -1;
        QTest::newRow("default text") << QByteArray(R"("id":7,"default":"1")") << -1 << -1;
        QTest::newRow("id above 32 bits") << QByteArray(R"("id":4294967303)") << -1 << -1;
        QTest::newRow("id as digit text") << QByteArray(R"("id":"7")") << wrong << -1;
        QTest::newRow("fractional id") << QByteArray(R"("id":7.5)") << wrong << -1;
        QTest::newRow("no id") << QByteArray(R"("default":true)") << int(DecodingError::Kind::MissingKey)
                               << -1;
    }

    void decodesTasks()
    {
        QFETCH(QByteArray, members);
        QFETCH(int, kind);
        QFETCH(int, isDefault);
        const QJsonObject object =
            QJsonDocument::fromJson(R"({"taskName":"t","startDate":"soon","endDate":"later",)" + members +
                                    "}")
                .object();
        try {
            const CourseTaskOption task = CourseTaskOption::fromJson(object);
            QCOMPARE(kind, -1);
            QCOMPARE(task.id, object.value(QStringLiteral("id")).toInteger());
            QCOMPARE(task.taskEName, std::nullopt);
            QCOMPARE(task.isDefault.has_value() ? int(*task.isDefault) : -1, isDefault);
        } catch (const DecodingError &error) {
            QCOMPARE(int(error.kind()), kind);
        }
    }

    void matchesTrimmedQueryInEitherName_data()
    {
        QTest::addColumn<QString>("query"); // against 李明, English name "Ming Li Zoë"
        QTest::addColumn<bool>("matches");
        QTest::newRow("surrounded by blanks") << " \n李明\t" << true;
        QTest::newRow("English in another case") << "ming l" << true;
        QTest::newRow("letters not contiguous") << "mli" << false;
        QTest::newRow("blank query") << "   " << false;
        QTest::newRow("decomposed accent") << QString::fromUtf8("zoe\u0308") << true;
    }

    void matchesTrimmedQueryInEitherName()
    {
        QFETCH(QString, query);
        QFETCH(bool, matches);
        Student student = fixtures::student(1, 3);
        student.englishName = QString::fromUtf8("Ming Li Zoë");
        QCOMPARE(student.matches(query), matches);
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

        // A null English name is refused as a wrong type, a missing school as a missing key.
        using Kind = DecodingError::Kind;
        for (const auto &[key, kind] : {std::pair{QStringLiteral("englishName"), Kind::WrongType},
                                        std::pair{QStringLiteral("schoolId"), Kind::MissingKey}}) {
            QJsonObject object = student.toJson();
            if (kind == Kind::MissingKey)
                object.remove(key);
            else
                object.insert(key, QJsonValue::Null);
            try {
                Student::fromJson(object);
                QFAIL("decoded");
            } catch (const DecodingError &error) {
                QCOMPARE(error.kind(), kind);
                QCOMPARE(error.key(), key);
            }
        }
    }

    void readsNumericIdentifiers_data()
    {
        QTest::addColumn<QByteArray>("id"); // the JSON text of "id", or empty for none
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<bool>("valid");
        QTest::newRow("integer") << QByteArray("1203") << qint64(1203) << true;
        QTest::newRow("above 32 bits") << QByteArray(R"("8589934592")") << qint64(8589934592) << true;
        QTest::newRow("space before") << QByteArray(R"(" 12")") << qint64(0) << false;
        QTest::newRow("decimal text") << QByteArray(R"("1.0")") << qint64(0) << false;
        QTest::newRow("beyond 64 bits") << QByteArray(R"("9223372036854775808")") << qint64(0) << false;
        QTest::newRow("Boolean") << QByteArray("true") << qint64(0) << false;
        QTest::newRow("absent") << QByteArray() << qint64(0) << false;
    }

    void readsNumericIdentifiers()
    {
        QFETCH(QByteArray, id);
        QFETCH(qint64, expected);
        QFETCH(bool, valid);
        const QByteArray body =
            (id.isEmpty() ? QByteArray("{") : R"({"id":)" + id + ",") + R"("name":"王老师"})";
        const QJsonObject object = QJsonDocument::fromJson(body).object();
        for (const bool course : {false, true}) {
            try {
                const qint64 read = course ? CourseOption::fromJson(object).id : Teacher::fromJson(object).id;
                QVERIFY(valid);
                QCOMPARE(read, expected);
            } catch (const DecodingError &error) {
                QVERIFY(!valid);
                QCOMPARE(error.kind(), DecodingError::Kind::Corrupted);
                QCOMPARE(error.key(), QStringLiteral("id"));
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
        QTest::newRow("fractional student id")
            << QJsonObject{{"completeStudentIds", QJsonArray{1.5}}} << wrongType;
        QTest::newRow("lesson without subject")
            << QJsonObject{{"lessons",
                            QJsonArray{QJsonObject{{"studentId", 1}, {"weekday", 1}, {"period", "B1"}}}}}
            << DecodingError(DecodingError::Kind::MissingKey, {}).description();

        QTest::newRow("valid") << QJsonObject() << QString();
        QTest::newRow("window reversed") << QJsonObject{{"validFrom", "2025-07-07"}} << dates;
        QTest::newRow("non-canonical start") << QJsonObject{{"validFrom", "2025-2-17"}} << dates;
        QTest::newRow("week one on a Sunday") << QJsonObject{{"weekOneMonday", "2025-02-16"}} << dates;
        QTest::newRow("empty source") << QJsonObject{{"source", ""}} << dates;
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
        QTest::newRow("extra period touching B7")
            << QJsonObject{{"bells", bells(withPeriod(middle, period("B8", "15:50", "16:30")), high)}}
            << QString();

        QJsonObject withThird = bells(middle, high);
        withThird.insert("evening", QJsonArray{period("晚课1", "19:00", "19:40")});
        QTest::newRow("weekday zero")
            << QJsonObject{{"lessons", QJsonArray{lessonJson(0, "B1", "数学")}}} << lessons;
        QTest::newRow("capitalised parity")
            << QJsonObject{{"lessons", QJsonArray{lessonJson(1, "B1", "数学", "Odd")}}} << lessons;
        QTest::newRow("unknown period")
            << QJsonObject{{"lessons", QJsonArray{lessonJson(1, "B8", "数学")}}} << lessons;
        QTest::newRow("period of a third section")
            << QJsonObject{{"bells", withThird}, {"lessons", QJsonArray{lessonJson(5, "晚课1", "自习")}}}
            << QString();
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

        // Absent optionals are left out, and nulls read back as absent.
        table = fixtures::validTable();
        table.lessons = {fixtures::lesson(1024, 1, "B1", "数学")};
        QJsonObject document = table.toJson();
        QVERIFY(!document.contains("unknownOutsideCoreHours"));
        QVERIFY(!document.contains("warnings"));
        const QJsonObject lesson = document.value("lessons").toArray().first().toObject();
        QCOMPARE(lesson.keys(), QStringList({"period", "studentId", "subject", "weekday"}));
        document.insert("warnings", QJsonValue::Null);
        document.insert("unknownOutsideCoreHours", QJsonValue::Null);
        QCOMPARE(Timetable::fromJson(document), table);
    }
};

int runFoundationTests(int argc, char **argv)
{
    FoundationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_foundation.moc"
