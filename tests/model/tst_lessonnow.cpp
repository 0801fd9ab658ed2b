#include "fixtures.h"

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

Timetable variant(const QString &name)
{
    Timetable table = baseTable();
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
    // A sample table serves only sample students (negative ids); a table read in part serves nobody
    // it does not name as complete.
    if (name == "sample")
        table.isSample = true;
    if (name == "incomplete")
        table.completeStudentIds = {-1};
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

ScheduleResult answer(const QString &message, bool available, const QList<DayLesson> &today = {})
{
    return ScheduleResult{message, today, {}, std::nullopt, available};
}

} // namespace

class LessonNowTest : public QObject
{
    Q_OBJECT

private slots:
    void answersStudentMoment_data()
    {
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

        QTest::newRow("last minute of the window") << "plain" << at("2025-07-06", "23:59") << free << true
                                                   << QStringList() << "" << QStringList{"补课"};
        QTest::newRow("day after the window") << "plain" << at("2025-07-07", "00:00") << outside << false
                                              << QStringList() << "" << QStringList();
        QTest::newRow("before week one")
            << "early window" << at("2025-02-16", "09:00") << "日期早于第一教学周" << false << QStringList()
            << "" << QStringList();

        QTest::newRow("Sunday of week one") << "plain" << at("2025-02-23", "08:40") << inLesson << true
                                            << QStringList{"补课"} << "" << QStringList{"补课"};
        QTest::newRow("even week two") << "plain" << at("2025-02-24", "10:40") << inLesson << true
                                       << QStringList{"物理"} << "" << monday2;
        QTest::newRow("odd week three") << "plain" << at("2025-03-03", "10:40") << inLesson << true
                                        << QStringList{"化学"} << "" << monday1;
        QTest::newRow("lesson end minute")
            << "plain" << at("2025-02-17", "09:10") << free << true << QStringList() << "英语" << monday1;
        QTest::newRow("high B2 at 09:25") << "plain" << at("2025-02-17", "09:25") << inLesson << true
                                          << QStringList{"英语"} << "化学" << monday1;
        QTest::newRow("high B4 at 12:10") << "plain" << at("2025-02-18", "12:10") << inLesson << true
                                          << QStringList{"历史"} << "" << QStringList{"历史"};
        QTest::newRow("period only in the other section")
            << "other section's period" << at("2025-02-21", "16:30")
            << "该学生的课程节次没有匹配到所属学部作息：ASA" << false << QStringList() << "" << QStringList();

        QTest::newRow("last core minute") << "core hours only" << at("2025-02-18", "15:49") << free << true
                                          << QStringList() << "" << QStringList{"历史"};
        QTest::newRow("sample table for a real student")
            << "sample" << at("2025-03-03", "10:40") << "示例课表不能用于真实学生" << false << QStringList()
            << "" << QStringList();
        QTest::newRow("table without the student complete")
            << "incomplete" << at("2025-03-03", "10:40") << "该学生的课表尚未完整获取，无法判断当前课程"
            << false << QStringList() << "" << QStringList();

        QTest::newRow("core hours over") << "core hours only" << at("2025-02-18", "15:50") << outsideCore
                                         << false << QStringList() << "" << QStringList{"历史"};
    }

    void answersStudentMoment()
    {
        QFETCH(QString, table);
        QFETCH(QDateTime, moment);
        QFETCH(QString, message);
        QFETCH(bool, available);
        QFETCH(QStringList, current);
        QFETCH(QString, next);
        QFETCH(QStringList, today);

        const ScheduleResult result = Engine::result(fixtures::student(studentId, 3), variant(table), moment);
        fixtures::compareAnswer(result, message, available, current, next);
        QCOMPARE(fixtures::subjects(result.today), today);
    }

    void refusesUnsupportedSectionFirst()
    {
        for (const qint64 section : {0, 1, 4}) {
            const ScheduleResult result = Engine::result(fixtures::student(studentId, section), std::nullopt,
                                                         at("2025-02-17", "09:00"));
            QCOMPARE(result,
                     (ScheduleResult{QStringLiteral("仅支持初中和高中"), {}, {}, std::nullopt, false}));
        }
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

        QTest::newRow("untimed B2 overrides at 09:25") << b2OverStudy << "09:25"
                                                       << "B2" + unsettled << false << QStringList() << "";
        QTest::newRow("untimed B2 not yet at 09:24")
            << b2OverStudy << "09:24" << teaching << true << QStringList{"自习"} << "";
        QTest::newRow("untimed B2 over at 10:20")
            << b2OverStudy << "10:20" << teaching << true << QStringList{"自习"} << "";
        QTest::newRow("untimed B4 from 11:30") << b4 << "11:30"
                                               << "B4" + unsettled << false << QStringList() << "数学";

        // An untimed lesson whose window opens before the next timed one may well be the next lesson.
        QTest::newRow("untimed B2 may come before B3")
            << QList<TeacherEntry>{untimed("B2", "英语"), timed("B3", "数学", 635, 675)} << "09:00" << free
            << true << QStringList() << "";
        QTest::newRow("untimed B4 may come before B5")
            << b4 << "10:50" << free << true << QStringList() << "";
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

    void namesClassesOfALesson()
    {
        const TeacherSchedule day = schedule({
            timed("B1", "数学", 510, 550, QStringLiteral("高一2班")),
            timed("B1", "数学", 510, 550, QStringLiteral("高一1班")),
            timed("B1", "数学", 510, 550, QStringLiteral("高一1班")),
            timed("B1", "数学", 515, 550, QStringLiteral("高一3班")),
        });
        const ScheduleResult result = day.result(fixtures::at("2025-03-03", "08:00"));
        const DayLesson first = result.today.first();
        QCOMPARE(first.id(), QStringLiteral("9-1-B1-数学-A101-all"));
        QCOMPARE(day.className(first), std::optional<QString>(QStringLiteral("高一1班 / 高一2班")));
        QCOMPARE(day.className(first.id()),
                 std::optional<QString>(QStringLiteral("高一1班 / 高一2班 / 高一3班")));
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
        const WeekEvent asa = weekEvent("ASA", "机器人社", 960, 1050);
        const QString inLesson = QStringLiteral("按课表，此时应在上课");

        QTest::newRow("timed activity becomes current")
            << outside << QList<WeekEvent>{asa} << "16:30" << inLesson << true << QStringList{"机器人社"}
            << "" << QStringList{"机器人社"};
        QTest::newRow("lower-case activity is timed too")
            << outside << QList<WeekEvent>{weekEvent("asa", "机器人社", 960, 1050)} << "16:30" << inLesson
            << true << QStringList{"机器人社"} << "" << QStringList{"机器人社"};
        QTest::newRow("untimed events make it undecidable")
            << outside
            << QList<WeekEvent>{weekEvent("晚自习", "自习", {}, {}), weekEvent("SFL", "阅读", {}, {}), asa,
                                weekEvent("晚自习", "补习", {}, {})}
            << "18:00"
            << "SFL、晚自习有安排，但学校作息表未提供钟点，无法判断此刻是否在上课" << false << QStringList()
            << "" << QStringList{"机器人社"};
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

    void leavesAnswerUnchangedOnRefusalOrNotedDay()
    {
        const QList<WeekEvent> events{weekEvent("ASA", "机器人社", 960, 1050),
                                      weekEvent("晚自习", "自习", {}, {})};
        const ScheduleResult refusal = answer(QStringLiteral("查询日期不在课表有效期内"), false);
        const ScheduleResult outside =
            answer(QStringLiteral("当前在 B1–B7 范围外，活动与晚课时间尚未确认"), false);
        const QDateTime moment = at("2025-03-03", "16:30");
        QCOMPARE(week(events).refining(refusal, moment, studentId), refusal);
        QCOMPARE(week(events, QStringLiteral("该日课表待确认")).refining(outside, moment, studentId),
                 outside);
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

QTEST_GUILESS_MAIN(LessonNowTest)

#include "tst_lessonnow.moc"
