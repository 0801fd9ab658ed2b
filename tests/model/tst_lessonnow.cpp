#include "fixtures.h"
#include "suites.h"

#include "core/model/engine.h"
#include "core/model/teacherschedule.h"
#include "core/model/week.h"

#include <QTest>

using namespace quorvale;

using fixtures::at;

Q_DECLARE_METATYPE(quorvale::TeacherEntry)
Q_DECLARE_METATYPE(quorvale::WeekEvent)
Q_DECLARE_METATYPE(quorvale::ScheduleResult)

namespace {

constexpr qint64 studentId = 1024;

// Week one starts Monday 17 February 2025; B3 alternates between odd and even weeks.
Timetable baseTable()
{
    Timetable table = fixtures::validTable();
    const auto add = [&](qint64 weekday, const char *period, const char *subject,
                         const char *parity = nullptr) {
        Lesson lesson =
            fixtures::lesson(studentId, weekday, QString::fromUtf8(period), QString::fromUtf8(subject));
        if (parity)
            lesson.weekParity = QString::fromUtf8(parity);
        table.lessons.append(lesson);
    };
    add(1, "B2", "英语");
    add(1, "B1", "数学");
    add(1, "B3", "物理", "even");
    add(1, "B3", "化学", "odd");
    add(2, "B4", "历史");
    add(3, "B5", "生物");
    add(3, "B5", "地理");
    add(7, "B1", "补课");
    add(1, "B1", "别人的课");
    table.lessons.last().studentId = 2048;
    return table;
}

std::optional<Timetable> variant(const QString &name)
{
    Timetable table = baseTable();
    if (name == "none")
        return std::nullopt;
    if (name == "incomplete")
        table.completeStudentIds = {-1};
    if (name == "early window")
        table.validFrom = QStringLiteral("2025-02-10");
    if (name == "core hours only" || name == "other section's period") {
        // A Friday activity whose period only the student's own section, or only the other one, times.
        const bool own = name == "core hours only";
        if (own)
            table.unknownOutsideCoreHours = true;
        table.bells[QString::fromLatin1(own ? "high" : "middle")].append(Period{"ASA", "16:00", "17:30"});
        table.lessons.append(fixtures::lesson(studentId, 5, "ASA", "机器人社"));
    }
    if (name == "document B2 differs")
        table.bells[QStringLiteral("high")][1] = Period{"B2", "09:00", "09:20"};
    return table;
}

TeacherEntry timed(const char *period, const char *subject, qint64 start, qint64 end,
                   std::optional<QString> className = std::nullopt)
{
    const QString id = QString::fromUtf8(period) + QString::number(start);
    return TeacherEntry{
        id,  QString::fromUtf8(period), QString::fromUtf8(subject), QStringLiteral("A101"), className, start,
        end, QStringLiteral("高中")};
}

TeacherEntry untimed(const char *period, const char *subject)
{
    const QString id = QString::fromUtf8(period);
    return TeacherEntry{id, id, QString::fromUtf8(subject), {}, {}, {}, {}, QStringLiteral("跨初高中")};
}

// Monday 3 March 2025, inside a spring task.
TeacherSchedule schedule(const QList<TeacherEntry> &entries)
{
    const CourseTaskOption task{
        5, QStringLiteral("2025春季"), {}, QStringLiteral("2025-02-17"), QStringLiteral("2025-07-06"), true};
    const Teacher teacher{9, QStringLiteral("王老师"), QString()};
    return TeacherSchedule{teacher, task, fixtures::day("2025-03-03"), entries, {}, std::nullopt};
}

const QDate monday = QDate(2025, 3, 3);

WeekEvent weekEvent(const char *period, const char *subject, std::optional<qint64> start,
                    std::optional<qint64> end)
{
    const QString label = QString::fromUtf8(period), name = QString::fromUtf8(subject);
    return WeekEvent{label + name, monday, label, name, QStringLiteral("操场"), std::nullopt, start, end};
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

// What a student or teacher should be doing at a moment, and how the week's events refine it.
class LessonNowTest : public QObject
{
    Q_OBJECT

private slots:
    void answersStudentMoment_data()
    {
        QTest::addColumn<qint64>("section");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QStringList>("today");

        const QString inLesson = QStringLiteral("按课表，此时应在上课");
        const QString free = QStringLiteral("课表显示当前无课");
        const QString outside = QStringLiteral("查询日期不在课表有效期内");
        const QString outsideCore = QStringLiteral("当前在 B1–B7 范围外，活动与晚课时间尚未确认");
        const QStringList monday1{"数学", "英语", "化学"};
        const QStringList monday2{"数学", "英语", "物理"};
        const qint64 high = 3;
        const qint64 middle = 2;

        QTest::newRow("no timetable")
            << high << "none" << at("2025-02-17", "09:00")
            << "尚未取得该学生的个人课表。请导入已确认的课表 JSON；HAR 中的首页日程不能当作个人课表。"
            << false << QStringList() << "" << QStringList();
        QTest::newRow("before the window") << high << "plain" << at("2025-02-16", "23:59") << outside << false
                                           << QStringList() << "" << QStringList();
        QTest::newRow("last minute of the window") << high << "plain" << at("2025-07-06", "23:59") << free
                                                   << true << QStringList() << "" << QStringList{"补课"};
        QTest::newRow("day after the window") << high << "plain" << at("2025-07-07", "00:00") << outside
                                              << false << QStringList() << "" << QStringList();
        QTest::newRow("student not complete")
            << high << "incomplete" << at("2025-02-17", "09:00")
            << "该学生的课表尚未完整获取，无法判断当前课程" << false << QStringList() << "" << QStringList();
        QTest::newRow("before week one")
            << high << "early window" << at("2025-02-16", "09:00") << "日期早于第一教学周" << false
            << QStringList() << "" << QStringList();

        QTest::newRow("Sunday of week one") << high << "plain" << at("2025-02-23", "08:40") << inLesson
                                            << true << QStringList{"补课"} << "" << QStringList{"补课"};
        QTest::newRow("even week two") << high << "plain" << at("2025-02-24", "10:40") << inLesson << true
                                       << QStringList{"物理"} << "" << monday2;
        QTest::newRow("odd week three") << high << "plain" << at("2025-03-03", "10:40") << inLesson << true
                                        << QStringList{"化学"} << "" << monday1;
        QTest::newRow("lesson end minute") << high << "plain" << at("2025-02-17", "09:10") << free << true
                                           << QStringList() << "英语" << monday1;
        QTest::newRow("high B2 at 09:25") << high << "plain" << at("2025-02-17", "09:25") << inLesson << true
                                          << QStringList{"英语"} << "化学" << monday1;
        QTest::newRow("middle B2 not yet at 09:25") << middle << "plain" << at("2025-02-17", "09:25") << free
                                                    << true << QStringList() << "英语" << monday1;
        QTest::newRow("high B4 at 12:10") << high << "plain" << at("2025-02-18", "12:10") << inLesson << true
                                          << QStringList{"历史"} << "" << QStringList{"历史"};
        QTest::newRow("built-in bells win") << high << "document B2 differs" << at("2025-02-17", "09:25")
                                            << inLesson << true << QStringList{"英语"} << "化学" << monday1;
        QTest::newRow("conflict") << high << "plain" << at("2025-03-05", "13:30") << "课程时间冲突，请核对"
                                  << true << QStringList{"生物", "地理"} << "" << QStringList{"生物", "地理"};
        QTest::newRow("period only in the other section")
            << high << "other section's period" << at("2025-02-21", "16:30")
            << "该学生的课程节次没有匹配到所属学部作息：ASA" << false << QStringList() << "" << QStringList();

        QTest::newRow("last core minute") << high << "core hours only" << at("2025-02-18", "15:49") << free
                                          << true << QStringList() << "" << QStringList{"历史"};
        QTest::newRow("core hours over")
            << high << "core hours only" << at("2025-02-18", "15:50") << outsideCore << false << QStringList()
            << "" << QStringList{"历史"};
        QTest::newRow("timed lesson outside core hours")
            << high << "core hours only" << at("2025-02-21", "16:30") << inLesson << true
            << QStringList{"机器人社"} << "" << QStringList{"机器人社"};
    }

    void answersStudentMoment()
    {
        QFETCH(qint64, section);
        QFETCH(QString, table);
        QFETCH(QDateTime, moment);
        QFETCH(QString, message);
        QFETCH(bool, available);
        QFETCH(QStringList, current);
        QFETCH(QString, next);
        QFETCH(QStringList, today);

        const ScheduleResult result =
            Engine::result(fixtures::student(studentId, section), variant(table), moment);
        fixtures::compareAnswer(result, message, available, current, next);
        QCOMPARE(fixtures::subjects(result.today), today);
    }

    void ignoresSecondsOfTheMoment()
    {
        const QDateTime moment = at("2025-02-17", "09:09").addSecs(59);
        const ScheduleResult result = Engine::result(fixtures::student(studentId, 3), baseTable(), moment);
        QCOMPARE(fixtures::subjects(result.current), QStringList{"数学"});
        QCOMPARE(result.current.first().time(), QStringLiteral("08:30–09:10"));
    }

    void refusesUnsupportedSectionFirst()
    {
        Timetable sample = baseTable();
        sample.isSample = true;
        for (const qint64 section : {0, 1, 4}) {
            const ScheduleResult result = Engine::result(fixtures::student(studentId, section), std::nullopt,
                                                         at("2025-02-17", "09:00"));
            QCOMPARE(result,
                     (ScheduleResult{QStringLiteral("仅支持初中和高中"), {}, {}, std::nullopt, false}));
        }
        // A sample document serves sample students only.
        sample.completeStudentIds = {-1, 0};
        sample.lessons = {fixtures::lesson(-1, 1, "B1", "示例"), fixtures::lesson(0, 1, "B1", "示例")};
        QVERIFY(Engine::result(fixtures::student(-1, 3), sample, at("2025-02-17", "09:00")).available);
        QCOMPARE(Engine::result(fixtures::student(0, 3), sample, at("2025-02-17", "09:00")).message,
                 QStringLiteral("示例课表不能用于真实学生"));
    }

    void answersTeacherMoment_data()
    {
        QTest::addColumn<QList<TeacherEntry>>("entries");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QString>("next");

        const QString free = QStringLiteral("课表显示老师当前无课");
        const QString teaching = QStringLiteral("按课表，老师此时应在上课");
        const QString unsettled =
            QStringLiteral("有安排，但上下课钟点尚未确认；可在其他安排中查看课程和教室");
        const QList<TeacherEntry> twoLessons{timed("B1", "数学", 510, 550), timed("B2", "数学", 580, 620)};
        const QList<TeacherEntry> b2OverStudy{untimed("B2", "英语"), timed("自习", "自习", 540, 640)};
        const QList<TeacherEntry> b4{untimed("B4", "英语"), timed("B5", "数学", 785, 825)};
        const QList<TeacherEntry> activity{untimed("ASA", "机器人社")};

        QTest::newRow("in a lesson") << twoLessons << "09:00" << teaching << true << QStringList{"数学"}
                                     << "数学";
        QTest::newRow("same start ordered by subject")
            << QList<TeacherEntry>{timed("B1", "物理", 510, 550), timed("B1", "化学", 510, 550)} << "08:40"
            << "老师课表时间冲突，请核对" << true << QStringList{"化学", "物理"} << "";

        QTest::newRow("untimed B2 overrides at 09:25") << b2OverStudy << "09:25"
                                                       << "B2" + unsettled << false << QStringList() << "";
        QTest::newRow("untimed B2 not yet at 09:24")
            << b2OverStudy << "09:24" << teaching << true << QStringList{"自习"} << "";
        QTest::newRow("untimed B2 over at 10:20")
            << b2OverStudy << "10:20" << teaching << true << QStringList{"自习"} << "";
        QTest::newRow("untimed B4 from 11:30") << b4 << "11:30"
                                               << "B4" + unsettled << false << QStringList() << "数学";
        QTest::newRow("untimed activity after hours") << activity << "16:00"
                                                      << "ASA" + unsettled << false << QStringList() << "";
        QTest::newRow("untimed activity within hours")
            << activity << "10:00" << free << true << QStringList() << "";

        // An untimed lesson whose window opens before the next timed one may well be the next lesson.
        QTest::newRow("untimed B2 may come before B3")
            << QList<TeacherEntry>{untimed("B2", "英语"), timed("B3", "数学", 635, 675)} << "09:00" << free
            << true << QStringList() << "";
        QTest::newRow("untimed B4 may come before B5")
            << b4 << "10:50" << free << true << QStringList() << "";
        QTest::newRow("untimed B2 window opening with the next lesson")
            << QList<TeacherEntry>{untimed("B2", "英语"), timed("B2", "数学", 565, 620)} << "09:00" << free
            << true << QStringList() << "数学";
        QTest::newRow("untimed B2 window already open")
            << QList<TeacherEntry>{untimed("B2", "英语"), timed("B3", "数学", 635, 675)} << "09:30"
            << "B2" + unsettled << false << QStringList() << "数学";
    }

    void answersTeacherMoment()
    {
        QFETCH(QList<TeacherEntry>, entries);
        QFETCH(QString, clock);
        QFETCH(QString, message);
        QFETCH(bool, available);
        QFETCH(QStringList, current);
        QFETCH(QString, next);

        const ScheduleResult result = schedule(entries).result(fixtures::at("2025-03-03", clock));
        fixtures::compareAnswer(result, message, available, current, next);
        qsizetype timedCount = 0;
        for (const TeacherEntry &entry : entries)
            timedCount += entry.isTimed() ? 1 : 0;
        QCOMPARE(result.today.size(), timedCount);
    }

    void refusesMomentOffTheDay_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("taskEnd");
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("next day") << "2025-03-02"
                                  << "2025-07-06" << fixtures::at("2025-03-03", "09:00");
        QTest::newRow("day outside the task") << "2025-03-03"
                                              << "2025-03-02" << fixtures::at("2025-03-03", "09:00");
        QTest::newRow("no moment") << "2025-03-03"
                                   << "2025-07-06" << QDateTime();
    }

    void refusesMomentOffTheDay()
    {
        QFETCH(QString, day);
        QFETCH(QString, taskEnd);
        QFETCH(QDateTime, moment);
        TeacherSchedule day0 = schedule({timed("B1", "数学", 510, 550)});
        day0.date = fixtures::day(day);
        day0.task.endDate = taskEnd;
        const ScheduleResult expected{
            QStringLiteral("查询日期已变化，请重新读取该日的老师课表"), {}, {}, std::nullopt, false};
        QCOMPARE(day0.result(moment), expected);
    }

    void namesClassesOfALesson()
    {
        const TeacherSchedule day = schedule({
            timed("B1", "数学", 510, 550, QStringLiteral("高一2班")),
            timed("B1", "数学", 510, 550, QStringLiteral("高一1班")),
            timed("B1", "数学", 510, 550, QStringLiteral("高一1班")),
            timed("B1", "数学", 515, 550, QStringLiteral("高一3班")),
            timed("B3", "数学", 635, 675, QString()),
            timed("B5", "数学", 785, 825, QStringLiteral("高一1班 / 高一4班")),
            timed("B5", "数学", 785, 825, QStringLiteral("高一1班")),
        });
        const ScheduleResult result = day.result(fixtures::at("2025-03-03", "08:00"));
        QCOMPARE(result.today.size(), 7);
        const DayLesson first = result.today.first();
        // The lesson's weekday is that of the day: Monday.
        QCOMPARE(first.id(), QStringLiteral("9-1-B1-数学-A101-all"));
        QCOMPARE(day.className(first), std::optional<QString>(QStringLiteral("高一1班 / 高一2班")));
        QCOMPARE(day.className(first.id()),
                 std::optional<QString>(QStringLiteral("高一1班 / 高一2班 / 高一3班")));
        QCOMPARE(day.className(result.today[4]), std::nullopt);
        QCOMPARE(day.className(result.today[5]), std::optional<QString>(QStringLiteral("高一1班 / 高一4班")));
        QCOMPARE(day.className(QStringLiteral("9-2-B1-数学-A101-all")), std::nullopt);
    }

    void refinesAnswerWithDayEvents_data()
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
            << outside << QList<WeekEvent>{asa} << "16:30" << inLesson << true << QStringList{"机器人社"}
            << "" << QStringList{"机器人社"};
        QTest::newRow("lower-case activity is timed too")
            << outside << QList<WeekEvent>{weekEvent("asa", "机器人社", 960, 1050)} << "16:30" << inLesson
            << true << QStringList{"机器人社"} << "" << QStringList{"机器人社"};
        QTest::newRow("activity ending now is over")
            << outside << QList<WeekEvent>{asa} << "17:30"
            << "课表显示当前无课" << true << QStringList() << "" << QStringList{"机器人社"};
        QTest::newRow("untimed events make it undecidable")
            << outside
            << QList<WeekEvent>{weekEvent("晚自习", "自习", {}, {}), weekEvent("SFL", "阅读", {}, {}), asa,
                                weekEvent("晚自习", "补习", {}, {})}
            << "18:00"
            << "SFL、晚自习有安排，但学校作息表未提供钟点，无法判断此刻是否在上课" << false << QStringList()
            << "" << QStringList{"机器人社"};
        QTest::newRow("untimed activity adds nothing")
            << outside << QList<WeekEvent>{weekEvent("ASA", "社团", {}, 1050)} << "16:30"
            << "ASA有安排，但学校作息表未提供钟点，无法判断此刻是否在上课" << false << QStringList() << ""
            << QStringList();
        QTest::newRow("available answer keeps its message")
            << free << QList<WeekEvent>{asa} << "15:55"
            << "课表显示当前无课" << true << QStringList() << "机器人社" << QStringList{"数学", "机器人社"};
        QTest::newRow("lesson and activity overlap")
            << free << QList<WeekEvent>{weekEvent("ASA", "机器人社", 940, 1000)} << "15:45"
            << "课程时间冲突，请核对" << true << QStringList{"数学", "机器人社"} << ""
            << QStringList{"数学", "机器人社"};
        QTest::newRow("other periods are not timed in")
            << outside << QList<WeekEvent>{weekEvent("ASAP", "社团", 960, 1050)} << "16:30"
            << "课表显示当前无课" << true << QStringList() << "" << QStringList();
    }

    void refinesAnswerWithDayEvents()
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

    void leavesAnswerUnchangedOutOfScope_data()
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
            << WeeklySchedule{monday.addDays(-7), {WeekDaySchedule{monday.addDays(-6), events, {}}}}
            << outside;
    }

    void leavesAnswerUnchangedOutOfScope()
    {
        QFETCH(WeeklySchedule, schedule);
        QFETCH(ScheduleResult, incoming);
        QCOMPARE(schedule.refining(incoming, at("2025-03-03", "16:30"), studentId), incoming);
    }

    void addsActivityAsLessonOfTheDay()
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
};

int runLessonNowTests(int argc, char **argv)
{
    LessonNowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lessonnow.moc"
