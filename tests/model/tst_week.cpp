#include "fixtures.h"
#include "suites.h"

#include "core/model/engine.h"
#include "core/model/week.h"

#include <QTest>

using namespace quorvale;
using fixtures::at;

Q_DECLARE_METATYPE(quorvale::WeekEvent)
Q_DECLARE_METATYPE(quorvale::ScheduleResult)

namespace {

constexpr qint64 studentId = 1024;
const QDate monday = QDate(2025, 3, 3);

WeekEvent weekEvent(const char *period, const char *subject, std::optional<qint64> start,
                    std::optional<qint64> end)
{
    return WeekEvent{QString::fromUtf8(period) + QString::fromUtf8(subject),
                     monday,
                     QString::fromUtf8(period),
                     QString::fromUtf8(subject),
                     QStringLiteral("操场"),
                     std::nullopt,
                     start,
                     end};
}

// A week that holds only Monday 3 March 2025 (the week builder may leave days out).
WeeklySchedule week(const QList<WeekEvent> &events, std::optional<QString> note = std::nullopt)
{
    return WeeklySchedule{monday, {WeekDaySchedule{monday, events, note}}};
}

DayLesson lesson(const char *period, const char *subject, qint64 start, qint64 end)
{
    return DayLesson{fixtures::lesson(studentId, 1, QString::fromUtf8(period), QString::fromUtf8(subject)),
                     start, end};
}

ScheduleResult answer(const QString &message, bool available, const QList<DayLesson> &today = {})
{
    return ScheduleResult{message, today, {}, std::nullopt, available};
}

} // namespace

class WeekTest : public QObject
{
    Q_OBJECT

private slots:
    void refinesAnswerWithDayEvents_data();
    void refinesAnswerWithDayEvents();
    void leavesAnswerUnchangedOutOfScope_data();
    void leavesAnswerUnchangedOutOfScope();
    void addsActivityAsLessonOfTheDay();
    void refinesStudentRuleOutsideCoreHours();
    void listsEventsDayByDay();
};

void WeekTest::refinesAnswerWithDayEvents_data()
{
    QTest::addColumn<ScheduleResult>("incoming");
    QTest::addColumn<QList<WeekEvent>>("events");
    QTest::addColumn<QString>("clock");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QStringList>("today");

    const ScheduleResult outside =
        answer(QStringLiteral("当前在 B1–B7 范围外，活动与晚课时间尚未确认"), false);
    const ScheduleResult free =
        answer(QStringLiteral("课表显示当前无课"), true, {lesson("B7", "数学", 910, 950)});
    const WeekEvent asa = weekEvent("ASA", "机器人社", 960, 1050);
    const QString inLesson = QStringLiteral("按课表，此时应在上课");

    QTest::newRow("timed activity becomes current")
        << outside << QList<WeekEvent>{asa} << "16:30" << inLesson << true << QStringList{"机器人社"} << ""
        << QStringList{"机器人社"};
    QTest::newRow("lower-case activity is timed too")
        << outside << QList<WeekEvent>{weekEvent("asa", "机器人社", 960, 1050)} << "16:30" << inLesson << true
        << QStringList{"机器人社"} << "" << QStringList{"机器人社"};
    QTest::newRow("activity starting now is current")
        << outside << QList<WeekEvent>{asa} << "16:00" << inLesson << true << QStringList{"机器人社"} << ""
        << QStringList{"机器人社"};
    QTest::newRow("activity ending now is over")
        << outside << QList<WeekEvent>{asa} << "17:30"
        << "课表显示当前无课" << true << QStringList() << "" << QStringList{"机器人社"};
    QTest::newRow("all timed and nothing now")
        << outside << QList<WeekEvent>{asa, weekEvent("B1", "数学", 510, 550)} << "18:00"
        << "课表显示当前无课" << true << QStringList() << "" << QStringList{"机器人社"};
    QTest::newRow("untimed events make it undecidable")
        << outside
        << QList<WeekEvent>{weekEvent("晚自习", "自习", {}, {}), weekEvent("SFL", "阅读", {}, {}), asa,
                            weekEvent("晚自习", "补习", {}, {})}
        << "18:00"
        << "SFL、晚自习有安排，但学校作息表未提供钟点，无法判断此刻是否在上课" << false << QStringList() << ""
        << QStringList{"机器人社"};
    QTest::newRow("untimed events do not outweigh a current activity")
        << outside << QList<WeekEvent>{weekEvent("晚自习", "自习", {}, {}), asa} << "16:30" << inLesson
        << true << QStringList{"机器人社"} << "" << QStringList{"机器人社"};
    QTest::newRow("untimed activity adds nothing")
        << outside << QList<WeekEvent>{weekEvent("ASA", "社团", {}, 1050)} << "16:30"
        << "ASA有安排，但学校作息表未提供钟点，无法判断此刻是否在上课" << false << QStringList() << ""
        << QStringList();
    QTest::newRow("available answer keeps its message")
        << free << QList<WeekEvent>{asa} << "15:55"
        << "课表显示当前无课" << true << QStringList() << "机器人社" << QStringList{"数学", "机器人社"};
    QTest::newRow("available answer ignores untimed events")
        << free << QList<WeekEvent>{weekEvent("晚自习", "自习", {}, {})} << "15:55"
        << "课表显示当前无课" << true << QStringList() << "" << QStringList{"数学"};
    QTest::newRow("lesson and activity overlap")
        << free << QList<WeekEvent>{weekEvent("ASA", "机器人社", 940, 1000)} << "15:45"
        << "课程时间冲突，请核对" << true << QStringList{"数学", "机器人社"} << ""
        << QStringList{"数学", "机器人社"};
    QTest::newRow("two activities overlap")
        << outside
        << QList<WeekEvent>{weekEvent("ASA", "合唱", 1000, 1060), weekEvent("ASA", "篮球", 960, 1050)}
        << "17:00"
        << "课程时间冲突，请核对" << true << QStringList{"篮球", "合唱"} << "" << QStringList{"篮球", "合唱"};
    QTest::newRow("other periods are not timed in")
        << outside << QList<WeekEvent>{weekEvent("ASAP", "社团", 960, 1050)} << "16:30"
        << "课表显示当前无课" << true << QStringList() << "" << QStringList();
}

void WeekTest::refinesAnswerWithDayEvents()
{
    QFETCH(ScheduleResult, incoming);
    QFETCH(QList<WeekEvent>, events);
    QFETCH(QString, clock);
    QFETCH(QString, message);
    QFETCH(bool, available);
    QFETCH(QStringList, current);
    QFETCH(QString, next);
    QFETCH(QStringList, today);

    const ScheduleResult refined = week(events).refining(incoming, at("2025-03-03", clock), studentId);
    fixtures::compareAnswer(refined, message, available, current, next);
    QCOMPARE(fixtures::subjects(refined.today), today);
}

void WeekTest::leavesAnswerUnchangedOutOfScope_data()
{
    QTest::addColumn<WeeklySchedule>("schedule");
    QTest::addColumn<ScheduleResult>("incoming");
    const QList<WeekEvent> events{weekEvent("ASA", "机器人社", 960, 1050),
                                  weekEvent("晚自习", "自习", {}, {})};
    const ScheduleResult outside =
        answer(QStringLiteral("当前在 B1–B7 范围外，活动与晚课时间尚未确认"), false);
    QTest::newRow("refusal") << week(events) << answer(QStringLiteral("查询日期不在课表有效期内"), false);
    QTest::newRow("day with a note") << week(events, QStringLiteral("该日课表待确认")) << outside;
    QTest::newRow("no day on the date")
        << WeeklySchedule{monday.addDays(-7), {WeekDaySchedule{monday.addDays(-6), events, {}}}} << outside;
    QTest::newRow("no days") << WeeklySchedule{monday, {}} << outside;
}

void WeekTest::leavesAnswerUnchangedOutOfScope()
{
    QFETCH(WeeklySchedule, schedule);
    QFETCH(ScheduleResult, incoming);
    QCOMPARE(schedule.refining(incoming, at("2025-03-03", "16:30"), studentId), incoming);
}

void WeekTest::addsActivityAsLessonOfTheDay()
{
    // The day is found by its date, not by its position in the week.
    WeeklySchedule schedule = week({weekEvent("asa", "机器人社", 960, 1050)});
    schedule.days.prepend(
        WeekDaySchedule{monday.addDays(1), {weekEvent("ASA", "别的日子", 960, 1050)}, std::nullopt});
    const ScheduleResult refined = schedule.refining(answer(QStringLiteral("课表显示当前无课"), true),
                                                     at("2025-03-03", "16:30"), studentId);
    QCOMPARE(refined.current.size(), 1);
    const Lesson expected{
        studentId,   1, QStringLiteral("asa"), QStringLiteral("机器人社"), QStringLiteral("操场"),
        std::nullopt};
    QCOMPARE(refined.current.first(), (DayLesson{expected, 960, 1050}));
}

void WeekTest::refinesStudentRuleOutsideCoreHours()
{
    Timetable table = fixtures::validTable();
    table.unknownOutsideCoreHours = true;
    table.lessons = {fixtures::lesson(studentId, 1, QStringLiteral("B7"), QStringLiteral("数学"))};
    const Student student = fixtures::student(studentId, 3);
    const QDateTime moment = at("2025-03-03", "16:30");
    const ScheduleResult plain = Engine::result(student, table, moment);
    QVERIFY(!plain.available);
    const ScheduleResult refined =
        week({weekEvent("ASA", "机器人社", 960, 1050)}).refining(plain, moment, studentId);
    QCOMPARE(refined.message, QStringLiteral("按课表，此时应在上课"));
    QCOMPARE(fixtures::subjects(refined.today), (QStringList{"数学", "机器人社"}));
}

void WeekTest::listsEventsDayByDay()
{
    const WeekEvent a = weekEvent("B1", "a", 510, 550);
    const WeekEvent b = weekEvent("B2", "b", 565, 620);
    const WeeklySchedule schedule{
        monday,
        {WeekDaySchedule{monday, {a, b}, {}}, WeekDaySchedule{monday.addDays(1), {}, {}},
         WeekDaySchedule{monday.addDays(2), {b, a, b}, QStringLiteral("部分不一致")}}};
    QCOMPARE(schedule.events(), (QList<WeekEvent>{a, b, b, a, b}));
}

int runWeekTests(int argc, char **argv)
{
    WeekTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_week.moc"
