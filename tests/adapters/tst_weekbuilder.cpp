#include "platformfixture.h"
#include "suites.h"

#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "core/model/calendar.h"

#include <QTest>

using namespace quorvale;

namespace {

const QString kCourses = QStringLiteral("tables:list/0/classCourseTimeTable/");

WeekDaySchedule monday(const QString &edits, int code, qint64 section = 3)
{
    auto bodies = fixtures::studentBodies().apply(edits);
    return WeekScheduleBuilder::studentDay(fixtures::student(section), fixtures::task(), bodies.detailData(),
                                           bodies.masterData(), bodies.tablesData(),
                                           fixtures::at("2025-03-03"), fixtures::weekCode(code));
}

// "token period start subject" of each event, the token without the day key.
QStringList describe(const WeekDaySchedule &day)
{
    QStringList lines;
    for (const WeekEvent &event : day.events) {
        lines.append(event.id.section(u'|', 2) + u' ' + event.period + u' ' +
                     (event.start ? QString::number(*event.start) + u'-' + QString::number(*event.end)
                                  : QStringLiteral("untimed")) +
                     u' ' + event.subject + u' ' + event.className.value_or(QStringLiteral("-")));
    }
    return lines;
}

WeekEvent lessonOn(const QString &id, const QDate &date)
{
    return {id, date, "B1", "数学", std::nullopt, std::nullopt, 510, 550};
}

} // namespace

class WeekBuilderTests : public QObject
{
    Q_OBJECT

private slots:
    void weekRunsMondayToSunday_data();
    void weekRunsMondayToSunday();
    void assemblyNotesMissingDoubledAndStrayDays();
    void studentDayPairsLessonsWithBellsThenActivities();
    void studentDayRefusals_data();
    void studentDayRefusals();
    void activitySlots_data();
    void activitySlots();
    void requiresParityLooksAtOwnTableOnly_data();
    void requiresParityLooksAtOwnTableOnly();
    void teacherDayKeepsEntryOrder();
};

void WeekBuilderTests::weekRunsMondayToSunday_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("monday");
    QTest::newRow("Sunday 23:30") << fixtures::at("2025-03-09", "23:30") << "2025-03-03";
    QTest::newRow("Monday 00:00") << fixtures::at("2025-03-03", "00:00") << "2025-03-03";
    QTest::newRow("Saturday") << fixtures::at("2025-03-08", "12:00") << "2025-03-03";
    QTest::newRow("Monday 00:30, still Sunday in UTC")
        << QDateTime(QDate(2025, 3, 2), QTime(16, 30), Qt::UTC) << "2025-03-03";
}

void WeekBuilderTests::weekRunsMondayToSunday()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, monday);
    const QList<QDate> week = WeekScheduleBuilder::dates(moment);
    QCOMPARE(week.size(), 7);
    QCOMPARE(week.first(), Engine::day(monday).value());
    QCOMPARE(week.last(), week.first().addDays(6));
}

void WeekBuilderTests::assemblyNotesMissingDoubledAndStrayDays()
{
    const QDateTime moment = fixtures::at("2025-03-05", "09:00");
    const WeeklySchedule empty = WeekScheduleBuilder::assemble(moment, {});
    QCOMPARE(empty.weekStart, QDate(2025, 3, 3));
    QCOMPARE(empty.days.size(), 7);
    for (const WeekDaySchedule &day : empty.days)
        QCOMPARE(day.note, std::optional<QString>("尚未读取该日课表"));

    const QDate tuesday(2025, 3, 4), wednesday(2025, 3, 5), thursday(2025, 3, 6);
    const WeeklySchedule week = WeekScheduleBuilder::assemble(
        moment, {{tuesday, {lessonOn("a", tuesday), lessonOn("b", thursday)}, "该日课表待确认"},
                 {wednesday, {lessonOn("c", wednesday)}, std::nullopt},
                 {wednesday, {}, std::nullopt},
                 {thursday, {lessonOn("d", thursday)}, std::nullopt},
                 {QDate(2025, 3, 12), {lessonOn("e", QDate(2025, 3, 12))}, std::nullopt}});
    QCOMPARE(week.days[1].date, tuesday);
    QCOMPARE(week.days[1].events.size(), 1);
    QCOMPARE(week.days[1].note,
             std::optional<QString>("该日课表待确认\n部分课程日期与该列不一致，已保留为待核对"));
    QCOMPARE(week.days[2], (WeekDaySchedule{wednesday, {}, "该日期收到多份课表，请重新读取"}));
    QCOMPARE(week.days[3], (WeekDaySchedule{thursday, {lessonOn("d", thursday)}, std::nullopt}));
    QCOMPARE(week.days[6].note, std::optional<QString>("尚未读取该日课表"));
}

void WeekBuilderTests::studentDayPairsLessonsWithBellsThenActivities()
{
    const WeekDaySchedule day = monday("", 2);
    QCOMPARE(day.date, QDate(2025, 3, 3));
    QVERIFY(!day.note);
    QVERIFY(day.events.first().id.startsWith("1740931200.0|student|101|0"));
    QCOMPARE(describe(day), (QStringList{
                                "101|0 B1 510-550 数学 -",
                                "103|1.0 B3 635-675 物理 物理A",
                                "103|1.1 B3 635-675 Chemistry -",
                                "105|2 B5 785-825 英语 -",
                                "108|3 ASA 960-1050 篮球社 社团",
                                "109|4 晚自习 untimed 晚自习 -",
                            }));
    QCOMPARE(day.events[1].room, std::optional<QString>("Lab 1"));

    // A package's class is handed to entries without their own; middle-school B2 rings at 09:40.
    const WeekDaySchedule tuesday = WeekScheduleBuilder::studentDay(
        fixtures::student(2), fixtures::task(), fixtures::studentBodies().detailData(),
        fixtures::studentBodies().masterData(),
        fixtures::studentBodies()
            .apply(kCourses + "5/objectType=2;" + kCourses + "5/className=\"G7\";" + kCourses +
                   "5/courses=[{\"name\":\"语文\"}]")
            .tablesData(),
        fixtures::at("2025-03-04"), 1);
    QCOMPARE(describe(tuesday), (QStringList{"202|5.0 B2 580-620 语文 G7", "204|6 B4 690-730 历史 -"}));
}

void WeekBuilderTests::studentDayRefusals_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    const QString club = kCourses + "3/";
    QTest::newRow("class name of another type")
        << club + "className=5" << 2 << "周课表的课程或坐标结构不完整";
    QTest::newRow("club package without courses")
        << club + "objectType=2;" + club + "courses=[]" << 2 << "周课表课程包缺少具体选课";
    QTest::newRow("club package of another week")
        << club + "objectType=2;" + club + "courses=[];" + club + "singleDoubleSet=1" << 2 << "";
    QTest::newRow("club week code 5") << club + "singleDoubleSet=5" << 2 << "课程单双周类型未知";
    QTest::newRow("club needs the week type")
        << club + "singleDoubleSet=1;" + kCourses + "1/courses/1/singleDoubleSet=0" << -1
        << "该日有单双周课程，需先确认服务器周型";
    QTest::newRow("club of unknown kind") << club + "objectType=4" << 2 << "周课表的课程类型未知";
    QTest::newRow("club without name") << club + "name=\"\"" << 2 << "周课表课程名称缺失";
    // Faults both translations notice speak with the one-day normaliser's words.
    QTest::newRow("repeated cell id") << "master:list/1/id=101" << 2 << "课表坐标 ID 重复，无法可靠关联课程";
    QTest::newRow("conflicting labels") << "master:template/0/eName=\"B4\"" << 2 << "节次中英文名称互相冲突";
    QTest::newRow("lesson week code 3")
        << kCourses + "0/singleDoubleSet=3" << 2 << "课程的单双周类型未知，需确认后才能判断";
    QTest::newRow("unknown slot") << "master:template/7/name=\"Club\";master:template/7/eName=null" << 2
                                  << "个人课程节次名称不明确，不能按澜序钟点推测 B1–B7";
}

void WeekBuilderTests::studentDayRefusals()
{
    QFETCH(QString, edits);
    QFETCH(int, code);
    QFETCH(QString, expected);
    try {
        monday(edits, code);
        QCOMPARE(QString(), expected);
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), expected);
    }
}

void WeekBuilderTests::activitySlots_data()
{
    // Edits to the club course and slot, and the club event as "period start".
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QStringList>("expected");
    const QString slot = QStringLiteral("master:template/7/");
    const QString club = QStringLiteral("{\"coordId\":108,\"name\":\"篮球社\",\"className\":\"社团\"");
    QTest::newRow("lower-case asa is timed") << slot + "name=\"asa\"" << QStringList{"asa 960"};
    QTest::newRow("English ASA only: untimed under its Chinese label")
        << slot + "name=\"社团\";" + slot + "eName=\"ASA\"" << QStringList{"社团 untimed"};
    QTest::newRow("equal clubs shown once")
        << kCourses + "7=" + club + ",\"playgroundName\":\"Gym\"}" << QStringList{"ASA 960"};
    QTest::newRow("clubs in other rooms both shown")
        << kCourses + "7=" + club + ",\"playgroundName\":\"Hall\"}" << QStringList{"ASA 960", "ASA 960"};
    QTest::newRow("slot past B7") << slot + "name=\"B8\";" + slot + "eName=null" << QStringList{"B8 untimed"};
    QTest::newRow("club moved to the B8 row") << kCourses + "3/coordId=110" << QStringList{"B8 untimed"};
}

void WeekBuilderTests::activitySlots()
{
    QFETCH(QString, edits);
    QFETCH(QStringList, expected);
    QStringList clubs;
    for (const WeekEvent &event : monday(edits, 2).events) {
        if (event.subject == QStringLiteral("篮球社"))
            clubs.append(event.period + u' ' + (event.start ? QString::number(*event.start) : "untimed"));
    }
    QCOMPARE(clubs, expected);
}

void WeekBuilderTests::requiresParityLooksAtOwnTableOnly_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("expected");
    const QString mon = QStringLiteral("2025-03-03"), wed = QStringLiteral("2025-03-05");
    const QString shape = QStringLiteral("周课表的坐标、星期或分页不完整");
    QTest::newRow("inner course of code 2") << "" << mon << "true";
    QTest::newRow("Tuesday code-1 lesson") << ""
                                           << "2025-03-04"
                                           << "true";
    QTest::newRow("another student's code-1 course and cell-less course") << "" << wed << "false";
    QTest::newRow("package code handed down")
        << kCourses + "1/courses/1/singleDoubleSet=null;" + kCourses + "1/singleDoubleSet=2" << mon << "true";
    QTest::newRow("codes 0 or none") << kCourses + "1/courses/1/singleDoubleSet=0" << mon << "false";
    QTest::newRow("code 3 on the day") << kCourses + "0/singleDoubleSet=3" << mon << "课程单双周类型未知";
    QTest::newRow("code 3 deep after a true answer")
        << kCourses + "1/courses/1/courses=[{\"singleDoubleSet\":3}]" << mon << "课程单双周类型未知";
    QTest::newRow("code 3 on another day") << kCourses + "5/singleDoubleSet=3" << wed << "false";
    QTest::newRow("own course without cell")
        << "!" + kCourses + "6/coordId" << wed << "周课表课程缺少可确认的星期坐标";
    QTest::newRow("cell-less course after a true answer") << "!" + kCourses + "6/coordId" << mon << "true";
    QTest::newRow("no tables") << "tables:list=[];tables:totalCount=0" << mon << "false";
    QTest::newRow("no tables, repeated cell id")
        << "tables:list=[];tables:totalCount=0;master:list/1/id=101" << mon << shape;
    QTest::newRow("day order 0") << "master:list/69/dayOrder=0" << mon << shape;
    QTest::newRow("missing page") << "tables:totalCount=3" << mon << shape;
    QTest::newRow("no template member") << "!master:template" << mon << "周课表的课程或坐标结构不完整";
    QTest::newRow("cell id as text") << kCourses + "0/coordId=\"101\"" << mon
                                     << "周课表的课程或坐标结构不完整";
    QTest::newRow("master without dayOrders") << "!master:dayOrders" << mon << "true";
}

void WeekBuilderTests::requiresParityLooksAtOwnTableOnly()
{
    QFETCH(QString, edits);
    QFETCH(QString, day);
    QFETCH(QString, expected);
    auto bodies = fixtures::studentBodies().apply(edits);
    try {
        const bool answer = WeekScheduleBuilder::requiresParity(bodies.masterData(), bodies.tablesData(),
                                                                fixtures::at(day), fixtures::kStudentId);
        QCOMPARE(answer ? QStringLiteral("true") : QStringLiteral("false"), expected);
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), expected);
    }
}

void WeekBuilderTests::teacherDayKeepsEntryOrder()
{
    TeacherSchedule schedule{fixtures::teacher(), fixtures::task(), QDate(2025, 3, 3), {}, {}, std::nullopt};
    QCOMPARE(WeekScheduleBuilder::teacherDay(schedule),
             (WeekDaySchedule{QDate(2025, 3, 3), {}, std::nullopt}));

    schedule.entries = {{"x", "晚自习", "晚自习", std::nullopt, "7A", std::nullopt, std::nullopt, "初中"},
                        {"x", "B1", "数学", "A101", std::nullopt, 510, 550, "高中"}};
    const WeekDaySchedule day = WeekScheduleBuilder::teacherDay(schedule);
    QCOMPARE(day.events.size(), 2);
    QCOMPARE(day.events[0], (WeekEvent{"1740931200.0|teacher|x", QDate(2025, 3, 3), "晚自习", "晚自习",
                                       std::nullopt, "7A", std::nullopt, std::nullopt}));
    QCOMPARE(day.events[1].start, std::optional<qint64>(510));
}

int runWeekBuilderTests(int argc, char **argv)
{
    WeekBuilderTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_weekbuilder.moc"
