#include "app/look/statusbadge.h"
#include "app/screens/lessonclock.h"
#include "app/screens/querydate.h"
#include "app/screens/resultplan.h"
#include "app/screens/suggestionlist.h"
#include "core/base/shanghai.h"
#include "suites.h"

#include <QFontMetrics>
#include <QTest>

using namespace quorvale;

namespace {

DayLesson lessonAt(qint64 start, qint64 end, const std::optional<QString> &room = QStringLiteral("A101"))
{
    Lesson lesson;
    lesson.room = room;
    return {lesson, start, end};
}

// A moment on 2025-03-12 in Shanghai, given as seconds since midnight.
QDateTime secondInShanghai(qint64 second)
{
    return shanghai::startOf(QDate(2025, 3, 12)).addSecs(second);
}

ScheduleResult answer(QList<DayLesson> current, std::optional<DayLesson> next, bool available,
                      const QString &message = {})
{
    return {message, {}, current, next, available};
}

} // namespace

class PartTest : public QObject
{
    Q_OBJECT

private slots:
    void countdownRoundsUpAndNeverGoesBelowZero_data();
    void countdownRoundsUpAndNeverGoesBelowZero();
    void progressStaysWithinTheLesson_data();
    void progressStaysWithinTheLesson();
    void roomFallsBackOnlyWhenMissingOrEmpty_data();
    void roomFallsBackOnlyWhenMissingOrEmpty();
    void highlightStepsWithoutWrapping_data();
    void highlightStepsWithoutWrapping();
    void lessonAreaFollowsTheAnswer_data();
    void lessonAreaFollowsTheAnswer();
    void dateLineShowsShanghaiWallClock();
    void badgeHoldsItsWholeTitleAtItsSizeHint_data();
    void badgeHoldsItsWholeTitleAtItsSizeHint();
};

void PartTest::countdownRoundsUpAndNeverGoesBelowZero_data()
{
    QTest::addColumn<qint64>("second");
    QTest::addColumn<QString>("text");
    const qint64 start = 600 * 60;
    QTest::newRow("at the start") << start << QStringLiteral("距下课 40 分钟");
    QTest::newRow("30 s before") << start - 30 << QStringLiteral("距上课 1 分钟");
    QTest::newRow("61 s before") << start - 61 << QStringLiteral("距上课 2 分钟");
    QTest::newRow("one second in") << start + 1 << QStringLiteral("距下课 40 分钟");
    QTest::newRow("at the end") << start + 40 * 60 << QStringLiteral("距下课 0 分钟");
    QTest::newRow("long after") << start + 90 * 60 << QStringLiteral("距下课 0 分钟");
}

void PartTest::countdownRoundsUpAndNeverGoesBelowZero()
{
    QFETCH(qint64, second);
    QFETCH(QString, text);
    QCOMPARE(lessonclock::countdown(lessonAt(600, 640), secondInShanghai(second)), text);
}

void PartTest::progressStaysWithinTheLesson_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<qint64>("second");
    QTest::addColumn<double>("fraction");
    QTest::newRow("before") << qint64(600) << qint64(640) << qint64(590 * 60) << 0.0;
    QTest::newRow("a quarter") << qint64(600) << qint64(640) << qint64(610 * 60) << 0.25;
    QTest::newRow("seconds count") << qint64(600) << qint64(640) << qint64(600 * 60 + 30) << 0.5 / 40.0;
    QTest::newRow("after") << qint64(600) << qint64(640) << qint64(700 * 60) << 1.0;
    QTest::newRow("end before start") << qint64(600) << qint64(590) << qint64(600 * 60 + 30) << 0.5;
    QTest::newRow("empty lesson") << qint64(600) << qint64(600) << qint64(602 * 60) << 1.0;
}

void PartTest::progressStaysWithinTheLesson()
{
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(qint64, second);
    QFETCH(double, fraction);
    QCOMPARE(lessonclock::progress(lessonAt(start, end), secondInShanghai(second)), fraction);
}

void PartTest::roomFallsBackOnlyWhenMissingOrEmpty_data()
{
    QTest::addColumn<std::optional<QString>>("room");
    QTest::addColumn<QString>("shown");
    QTest::newRow("missing") << std::optional<QString>() << QStringLiteral("教室待确认");
    QTest::newRow("empty") << std::optional<QString>(QString()) << QStringLiteral("教室待确认");
    QTest::newRow("blanks stay") << std::optional<QString>(QStringLiteral("  ")) << QStringLiteral("  ");
    QTest::newRow("room") << std::optional<QString>(QStringLiteral("初中楼601"))
                          << QStringLiteral("初中楼601");
}

void PartTest::roomFallsBackOnlyWhenMissingOrEmpty()
{
    QFETCH(std::optional<QString>, room);
    QFETCH(QString, shown);
    QCOMPARE(lessonclock::roomText(lessonAt(600, 640, room)), shown);
}

void PartTest::highlightStepsWithoutWrapping_data()
{
    QTest::addColumn<std::optional<int>>("from");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("count");
    QTest::addColumn<std::optional<int>>("to");
    QTest::newRow("down from none") << std::optional<int>() << 1 << 3 << std::optional<int>(0);
    QTest::newRow("up from none") << std::optional<int>() << -1 << 3 << std::optional<int>(2);
    QTest::newRow("down stops at last") << std::optional<int>(2) << 1 << 3 << std::optional<int>(2);
    QTest::newRow("up stops at first") << std::optional<int>(0) << -1 << 3 << std::optional<int>(0);
    QTest::newRow("beyond a shorter list") << std::optional<int>(7) << 1 << 3 << std::optional<int>(2);
    QTest::newRow("no rows keeps it") << std::optional<int>(4) << 1 << 0 << std::optional<int>(4);
}

void PartTest::highlightStepsWithoutWrapping()
{
    QFETCH(std::optional<int>, from);
    QFETCH(int, step);
    QFETCH(int, count);
    QFETCH(std::optional<int>, to);
    QCOMPARE(suggestionlist::movedHighlight(from, step, count), to);
}

void PartTest::lessonAreaFollowsTheAnswer_data()
{
    using Kind = LessonPlan::Kind;
    QTest::addColumn<ResultInput>("input");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("title");

    const DayLesson first = lessonAt(600, 640);
    const DayLesson second = lessonAt(620, 660);
    const auto loaded = [](const ScheduleResult &result) {
        ResultInput input;
        input.hasSchedule = true;
        input.result = result;
        return input;
    };
    ResultInput loading = loaded(answer({first}, std::nullopt, true));
    loading.loadingSchedule = true;
    QTest::newRow("loading wins") << loading << int(Kind::loading) << 0 << 0 << QString();
    QTest::newRow("overlap is a conflict, no next")
        << loaded(answer({first, second}, lessonAt(700, 740), true)) << int(Kind::cards) << 2
        << int(CourseState::failure) << QString();
    QTest::newRow("one running hides the next") << loaded(answer({first}, second, true)) << int(Kind::cards)
                                                << 1 << int(CourseState::current) << QString();
    QTest::newRow("next") << loaded(answer({}, second, true)) << int(Kind::cards) << 1
                          << int(CourseState::upcoming) << QString();
    QTest::newRow("free") << loaded(answer({}, std::nullopt, true)) << int(Kind::emptyState) << 0
                          << int(CourseState::free) << QStringLiteral("当前无课");
    QTest::newRow("undecided") << loaded(answer({}, second, false, QStringLiteral("原因")))
                               << int(Kind::emptyState) << 0 << int(CourseState::unknown)
                               << QStringLiteral("当前时段未确认");
    ResultInput untimed = loaded(answer({}, std::nullopt, false));
    untimed.untimedTeacherEntries = true;
    QTest::newRow("teacher without times") << untimed << int(Kind::emptyState) << 0
                                           << int(CourseState::unknown) << QStringLiteral("授课时间待确认");
    ResultInput tasks;
    tasks.taskStage = true;
    tasks.taskChoices = 2;
    QTest::newRow("task choice") << tasks << int(Kind::taskButton) << 0 << 0 << QString();
    ResultInput oneTask = tasks;
    oneTask.taskChoices = 1;
    oneTask.scheduleStatus = QStringLiteral("请选择课表");
    QTest::newRow("one task is a failure") << oneTask << int(Kind::errorCard) << 0
                                           << int(CourseState::failure) << QStringLiteral("课表读取失败");
}

void PartTest::lessonAreaFollowsTheAnswer()
{
    QFETCH(ResultInput, input);
    QFETCH(int, kind);
    QFETCH(int, cards);
    QFETCH(int, state);
    QFETCH(QString, title);
    const LessonPlan plan = planLessons(input);
    QCOMPARE(int(plan.kind), kind);
    QCOMPARE(plan.lessons.size(), cards);
    if (cards > 0 || !title.isEmpty())
        QCOMPARE(int(plan.state), state);
    QCOMPARE(plan.title, title);
    if (plan.kind == LessonPlan::Kind::errorCard)
        QCOMPARE(plan.message, std::optional<QString>(input.scheduleStatus));
}

void PartTest::dateLineShowsShanghaiWallClock()
{
    // 02:30 UTC is 10:30 in Shanghai whatever the machine's zone (the tests run in Los Angeles).
    QCOMPARE(querydate::text(QDateTime(QDate(2025, 3, 12), QTime(2, 30), QTimeZone::utc())),
             QStringLiteral("3月12日 周三 上午 10:30"));
    QCOMPARE(querydate::text(QDateTime(QDate(2025, 3, 12), QTime(11, 5), QTimeZone::utc())),
             QStringLiteral("3月12日 周三 下午 7:05"));
    // The date editor shows the same wall clock and gives back the same moment.
    const QDateTime moment(QDate(2025, 3, 12), QTime(16, 45), QTimeZone::utc());
    const QDateTime wallClock = querydate::toWallClock(moment);
    QCOMPARE(wallClock.date(), QDate(2025, 3, 13));
    QCOMPARE(wallClock.time(), QTime(0, 45));
    QCOMPARE(querydate::fromWallClock(wallClock), moment);
}

void PartTest::badgeHoldsItsWholeTitleAtItsSizeHint_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("deferred") << QStringLiteral("其他安排 · 2");
    QTest::newRow("week missing") << QStringLiteral("周课表尚未加载");
}

void PartTest::badgeHoldsItsWholeTitleAtItsSizeHint()
{
    QFETCH(QString, title);
    const StatusBadge empty(QString(), CourseState::unknown);
    StatusBadge badge(title, CourseState::unknown);
    QFont font = badge.font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    // The width the badge paints its title in at its hinted size, less the glyph and spacing.
    const int textWidth = badge.sizeHint().width() - empty.sizeHint().width() - 4;
    QCOMPARE(QFontMetrics(font).elidedText(title, Qt::ElideRight, textWidth), title);
}

int runPartTests(int argc, char **argv)
{
    PartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_parts.moc"
