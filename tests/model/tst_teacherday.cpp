#include "fixtures.h"
#include "suites.h"

#include "core/model/teacherschedule.h"

#include <QTest>

using namespace quorvale;

Q_DECLARE_METATYPE(quorvale::TeacherEntry)

namespace {

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
    return TeacherEntry{QString::fromUtf8(period),
                        QString::fromUtf8(period),
                        QString::fromUtf8(subject),
                        std::nullopt,
                        std::nullopt,
                        std::nullopt,
                        std::nullopt,
                        QStringLiteral("跨初高中")};
}

// Monday 3 March 2025, inside a spring task.
TeacherSchedule schedule(const QList<TeacherEntry> &entries)
{
    const CourseTaskOption task{5,
                                QStringLiteral("2025春季"),
                                std::nullopt,
                                QStringLiteral("2025-02-17"),
                                QStringLiteral("2025-07-06"),
                                true};
    return TeacherSchedule{Teacher{9, QStringLiteral("王老师"), QString()},
                           task,
                           fixtures::day("2025-03-03"),
                           entries,
                           {},
                           std::nullopt};
}

} // namespace

class TeacherDayTest : public QObject
{
    Q_OBJECT

private slots:
    void answersTeacherMoment_data();
    void answersTeacherMoment();
    void refusesMomentOffTheDay_data();
    void refusesMomentOffTheDay();
    void namesClassesOfALesson();
};

void TeacherDayTest::answersTeacherMoment_data()
{
    QTest::addColumn<QList<TeacherEntry>>("entries");
    QTest::addColumn<QString>("clock");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QString>("next");

    const QString free = QStringLiteral("课表显示老师当前无课");
    const QString teaching = QStringLiteral("按课表，老师此时应在上课");
    const QString unsettled = QStringLiteral("有安排，但上下课钟点尚未确认；可在其他安排中查看课程和教室");
    const QList<TeacherEntry> twoLessons{timed("B1", "数学", 510, 550), timed("B2", "数学", 580, 620)};
    const QList<TeacherEntry> b2OverStudy{untimed("B2", "英语"), timed("自习", "自习", 540, 640)};
    const QList<TeacherEntry> b4{untimed("B4", "英语"), timed("B5", "数学", 785, 825)};
    TeacherEntry halfTimed = timed("B2", "英语", 565, 620);
    halfTimed.end.reset();
    const QList<TeacherEntry> activity{untimed("ASA", "机器人社")};
    const QList<TeacherEntry> activityAndReading{untimed("ASA", "机器人社"), timed("早读", "早读", 470, 500)};

    QTest::newRow("no entries") << QList<TeacherEntry>() << "10:00" << free << true << QStringList() << "";
    QTest::newRow("between lessons") << twoLessons << "09:20" << free << true << QStringList() << "数学";
    QTest::newRow("at a lesson's end") << twoLessons << "09:10" << free << true << QStringList() << "数学";
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
    QTest::newRow("entry with a start only is untimed") << QList<TeacherEntry>{halfTimed} << "09:30"
                                                        << "B2" + unsettled << false << QStringList() << "";
    QTest::newRow("untimed B4 from 11:30") << b4 << "11:30"
                                           << "B4" + unsettled << false << QStringList() << "数学";
    QTest::newRow("untimed B4 until 12:49") << b4 << "12:49"
                                            << "B4" + unsettled << false << QStringList() << "数学";
    QTest::newRow("untimed B4 over at 12:50") << b4 << "12:50" << free << true << QStringList() << "数学";
    QTest::newRow("untimed B3 never decides")
        << QList<TeacherEntry>{untimed("B3", "英语")} << "10:40" << free << true << QStringList() << "";
    QTest::newRow("untimed activity after hours") << activity << "16:00"
                                                  << "ASA" + unsettled << false << QStringList() << "";
    QTest::newRow("untimed activity within hours")
        << activity << "10:00" << free << true << QStringList() << "";
    QTest::newRow("untimed activity before hours") << activity << "08:00"
                                                   << "ASA" + unsettled << false << QStringList() << "";
    QTest::newRow("timed lesson outweighs untimed activity")
        << activityAndReading << "08:00" << teaching << true << QStringList{"早读"} << "";
    QTest::newRow("earlier untimed entry decides")
        << QList<TeacherEntry>{untimed("晚自习", "自习"), untimed("ASA", "机器人社")} << "19:00"
        << "晚自习" + unsettled << false << QStringList() << "";

    // An untimed lesson whose window opens before the next timed one may well be the next lesson.
    QTest::newRow("untimed B2 may come before B3")
        << QList<TeacherEntry>{untimed("B2", "英语"), timed("B3", "数学", 635, 675)} << "09:00" << free
        << true << QStringList() << "";
    QTest::newRow("untimed B4 may come before B5") << b4 << "10:50" << free << true << QStringList() << "";
    QTest::newRow("untimed B2 window opening with the next lesson")
        << QList<TeacherEntry>{untimed("B2", "英语"), timed("B2", "数学", 565, 620)} << "09:00" << free
        << true << QStringList() << "数学";
    QTest::newRow("untimed B2 window already open")
        << QList<TeacherEntry>{untimed("B2", "英语"), timed("B3", "数学", 635, 675)} << "09:30"
        << "B2" + unsettled << false << QStringList() << "数学";
}

void TeacherDayTest::answersTeacherMoment()
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

void TeacherDayTest::refusesMomentOffTheDay_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("taskEnd");
    QTest::addColumn<QDateTime>("moment");
    QTest::newRow("next day") << "2025-03-02"
                              << "2025-07-06" << fixtures::at("2025-03-03", "09:00");
    QTest::newRow("previous day") << "2025-03-04"
                                  << "2025-07-06" << fixtures::at("2025-03-03", "23:59");
    QTest::newRow("day outside the task") << "2025-03-03"
                                          << "2025-03-02" << fixtures::at("2025-03-03", "09:00");
    QTest::newRow("no moment") << "2025-03-03"
                               << "2025-07-06" << QDateTime();
}

void TeacherDayTest::refusesMomentOffTheDay()
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

void TeacherDayTest::namesClassesOfALesson()
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

int runTeacherDayTests(int argc, char **argv)
{
    TeacherDayTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_teacherday.moc"
