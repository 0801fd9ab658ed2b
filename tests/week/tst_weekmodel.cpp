#include "suites.h"
#include "weekfixture.h"

#include "app/week/coursetext.h"
#include "app/week/daylabels.h"
#include "app/week/deferredevents.h"
#include "app/week/detailplacement.h"
#include "app/week/subjecttint.h"
#include "app/week/weekgrid.h"
#include "app/week/weekmodel.h"

#include "app/look/appearance.h"

#include <QTest>

using namespace quorvale;
using namespace quorvale::weekfixture;

namespace {

// Events of Monday given as "id start-end", for instance "A 480-600".
QList<WeekEvent> mondayEvents(const QStringList &specs)
{
    QList<WeekEvent> events;
    for (const QString &spec : specs) {
        const QStringList parts = spec.split(QLatin1Char(' '));
        const QStringList times = parts.value(1).split(QLatin1Char('-'));
        const auto time = [](const QString &text) -> std::optional<qint64> {
            return text.isEmpty() ? std::nullopt : std::optional<qint64>(text.toInt());
        };
        events.append(lesson(parts[0], 0, time(times.value(0)), time(times.value(1)), parts[0]));
    }
    return events;
}

QStringList lanes(const QList<WeekPlacement> &placements)
{
    QStringList result;
    for (const WeekPlacement &p : placements)
        result.append(QStringLiteral("%1:%2/%3").arg(p.event.id).arg(p.lane).arg(p.lanes));
    return result;
}

WeekEvent untimed(const QString &id, int offset, const QString &period, std::optional<QString> className,
                  std::optional<QString> room = std::nullopt)
{
    WeekEvent e = lesson(id, offset, std::nullopt, std::nullopt, QStringLiteral("Math"), period);
    e.className = className;
    e.room = room;
    return e;
}

} // namespace

Q_DECLARE_METATYPE(quorvale::DetailPlacement)

class TestWeekModel : public QObject
{
    Q_OBJECT

private slots:
    void placesOverlappingEventsInLanes_data();
    void placesOverlappingEventsInLanes();
    void drawsBlocksAtTheirMinutes_data();
    void drawsBlocksAtTheirMinutes();
    void widensColumnsForLanes();
    void endsCompactGridAfterLastLesson_data();
    void endsCompactGridAfterLastLesson();
    void showsWeekdaysAndOnlyUsedWeekendDays();
    void locatesReferenceTime_data();
    void locatesReferenceTime();
    void labelsHoursUpToVisibleEnd_data();
    void labelsHoursUpToVisibleEnd();
    void mergesDeferredEventsOfOneLesson();
    void defersWhatGridCannotDraw();
    void explainsDeferredEvents_data();
    void explainsDeferredEvents();
    void placesDetailCardBesideBlock_data();
    void placesDetailCardBesideBlock();
    void coloursSubjectsInCodePointOrder();
    void writesDayLabelsInChinese();
    void describesCourses();
    void marksRunningCourseInShanghaiTime_data();
    void marksRunningCourseInShanghaiTime();
};

void TestWeekModel::placesOverlappingEventsInLanes_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("cluster with a reused lane")
        << QStringList{"A 480-600", "B 510-540", "C 540-570", "D 600-645"}
        << QStringList{"A:0/2", "B:1/2", "C:1/2", "D:0/1"};
    QTest::newRow("back to back") << QStringList{"B 525-570", "A 480-525"} << QStringList{"A:0/1", "B:0/1"};
    QTest::newRow("equal times by id")
        << QStringList{"b 480-525", "a 480-525", "c 480-525"} << QStringList{"a:0/3", "b:1/3", "c:2/3"};
    QTest::newRow("long first lesson")
        << QStringList{"L 480-720", "S 540-585", "T 600-645"} << QStringList{"L:0/2", "S:1/2", "T:1/2"};
    QTest::newRow("starts before the grid") << QStringList{"E 450-510"} << QStringList{"E:0/1"};
    QTest::newRow("never placed") << QStringList{"Z 500-500", "N 500-", "O -560", "M 420-480", "P 990-1020"}
                                  << QStringList{};
}

void TestWeekModel::placesOverlappingEventsInLanes()
{
    QFETCH(QStringList, events);
    QFETCH(QStringList, expected);
    QCOMPARE(lanes(weekgrid::layout(mondayEvents(events), 990)), expected);
}

void TestWeekModel::drawsBlocksAtTheirMinutes_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("starts before 08:00") << "E 450-510" << QRectF(4, 1, 128, 27);
    QTest::newRow("one minute long") << "E 480-481" << QRectF(4, 1, 128, 4);
    QTest::newRow("clipped at the collapsed end") << "E 960-1020" << QRectF(4, 481, 128, 27);
}

void TestWeekModel::drawsBlocksAtTheirMinutes()
{
    QFETCH(QString, spec);
    QFETCH(QRectF, expected);
    const QList<WeekPlacement> placements = weekgrid::layout(mondayEvents({spec}), 990);
    QCOMPARE(placements.size(), 1);
    QCOMPARE(placements[0].start, mondayEvents({spec})[0].start.value());
    QCOMPARE(weekgrid::blockRect(placements[0], 140, 990), expected);
}

void TestWeekModel::widensColumnsForLanes()
{
    QCOMPARE(weekgrid::columnWidth({}, 100), 132.0);
    QCOMPARE(weekgrid::columnWidth({}, 200), 200.0);
    const auto three = weekgrid::layout(mondayEvents({"a 480-525", "b 480-525", "c 480-525"}), 990);
    QCOMPARE(weekgrid::columnWidth(three, 100), 254.0);
    QCOMPARE(weekgrid::blockRect(three[2], 254, 990).left(), 4 + 2 * 82.0);
    QCOMPARE(three[0].id(), QStringLiteral("a|480|525|0"));
}

void TestWeekModel::endsCompactGridAfterLastLesson_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("expected");
    QTest::newRow("no timed lessons") << QStringList{"U -"} << 990;
    QTest::newRow("15:50") << QStringList{"A 900-950"} << 990;
    QTest::newRow("16:40") << QStringList{"A 900-1000"} << 1050;
    QTest::newRow("21:00") << QStringList{"A 1200-1260"} << 1290;
    QTest::newRow("past the full day") << QStringList{"A 1200-1320"} << 1290;
    QTest::newRow("ends at 08:00") << QStringList{"A 420-480"} << 990;
}

void TestWeekModel::endsCompactGridAfterLastLesson()
{
    QFETCH(QStringList, events);
    QFETCH(int, expected);
    const WeekModel model(weekOf(mondayEvents(events)), at(0, 9, 0), false);
    QCOMPARE(model.compactEnd(), expected);
    QCOMPARE(WeekModel(model.schedule(), at(0, 9, 0), true).visibleEnd(), weekgrid::fullDayEnd);
}

void TestWeekModel::showsWeekdaysAndOnlyUsedWeekendDays()
{
    WeeklySchedule week = weekOf({}, 7);
    week.days.removeAt(2);
    week.days[4].note = QString();
    const WeekModel model(week, at(0, 9, 0), false);
    const QList<DisplayWeekDay> days = model.days();
    QCOMPARE(days.size(), 7);
    QCOMPARE(days[2].date, day(2));
    QCOMPARE(days[2].note, QStringLiteral("该日数据待确认"));
    QCOMPARE(model.visibleDays().size(), 5);

    week.days[5].events.append(lesson(QStringLiteral("S"), 6, 540, 600));
    week.days[5].events.append(lesson(QStringLiteral("wrong day"), 2, 540, 600));
    const WeekModel withSunday(week, at(0, 9, 0), false);
    QCOMPARE(withSunday.visibleDays().size(), 6);
    QCOMPARE(withSunday.days()[6].events.size(), 1);

    const WeekModel fiveDays(weekOf({}), at(0, 9, 0), false);
    QCOMPARE(fiveDays.visibleDays().size(), 7);
    QCOMPARE(fiveDays.visibleDays()[5].note, QStringLiteral("该日数据待确认"));
}

void TestWeekModel::locatesReferenceTime_data()
{
    QTest::addColumn<QDateTime>("reference");
    QTest::addColumn<double>("now");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<bool>("outside");
    QTest::newRow("before 08:00") << at(1, 7, 59, 30) << 479.5 << false << true;
    QTest::newRow("noon") << at(1, 12, 0, 45) << 720.75 << true << false;
    QTest::newRow("at the collapsed end") << at(4, 16, 30) << 990.0 << true << false;
    QTest::newRow("after the collapsed end") << at(4, 16, 40) << 1000.0 << false << true;
    QTest::newRow("another week") << at(7, 10, 0) << 600.0 << false << false;
}

void TestWeekModel::locatesReferenceTime()
{
    QFETCH(QDateTime, reference);
    QFETCH(double, now);
    QFETCH(bool, inRange);
    QFETCH(bool, outside);
    const WeekModel model(weekOf({}), reference, false);
    QCOMPARE(model.nowMinute(), now);
    QCOMPARE(model.timeInRange(), inRange);
    QCOMPARE(model.outsideTimeRange(), outside);
}

void TestWeekModel::labelsHoursUpToVisibleEnd_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("fullDay");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("collapsed") << QStringList{} << false
                               << QList<int>{480, 540, 600, 660, 720, 780, 840, 900, 960, 990};
    QTest::newRow("on the hour") << QStringList{"A 900-960"} << false
                                 << QList<int>{480, 540, 600, 660, 720, 780, 840, 900, 960, 1020};
    QTest::newRow("full day") << QStringList{} << true
                              << QList<int>{480, 540,  600,  660,  720,  780,  840, 900,
                                            960, 1020, 1080, 1140, 1200, 1260, 1290};
}

void TestWeekModel::labelsHoursUpToVisibleEnd()
{
    QFETCH(QStringList, events);
    QFETCH(bool, fullDay);
    QFETCH(QList<int>, expected);
    QCOMPARE(WeekModel(weekOf(mondayEvents(events)), at(0, 9, 0), fullDay).labelledMinutes(), expected);
}

void TestWeekModel::mergesDeferredEventsOfOneLesson()
{
    const QList<WeekEvent> merged = mergeDeferred({
        untimed(QStringLiteral("1"), 0, QStringLiteral("晚课1"), QStringLiteral("P")),
        untimed(QStringLiteral("2"), 1, QStringLiteral("晚课1"), QStringLiteral("X")),
        untimed(QStringLiteral("3"), 0, QStringLiteral("晚课1"), QStringLiteral(" P / Q / m ath ")),
    });
    QCOMPARE(merged.size(), 2);
    QCOMPARE(merged[0].className, QStringLiteral("P / Q"));
    QCOMPARE(merged[0].id, deferredKey(merged[0]));
    QCOMPARE(merged[1].date, day(1));

    // An absent and an empty room are one key; the later event's room and times win only where they agree.
    WeekEvent first = untimed(QStringLiteral("a"), 2, QStringLiteral("B8"), std::nullopt);
    first.start = 1000;
    first.end = 1060;
    WeekEvent second =
        untimed(QStringLiteral("b"), 2, QStringLiteral("B8"), QStringLiteral("Math"), QString());
    second.start = 1000;
    second.end = 1070;
    const QList<WeekEvent> pair = mergeDeferred({first, second});
    QCOMPARE(pair.size(), 1);
    QCOMPARE(pair[0].room, std::optional<QString>(QString()));
    QCOMPARE(pair[0].className, std::nullopt);
    QCOMPARE(pair[0].start, std::optional<qint64>(1000));
    QCOMPARE(pair[0].end, std::nullopt);

    // The key is Base64 of the JSON array of day, period, subject and room.
    const QByteArray json = QByteArray::fromBase64(deferredKey(first).toLatin1());
    QCOMPARE(
        QString::fromUtf8(json),
        QStringLiteral("[\"%1.0\",\"B8\",\"Math\",\"\"]").arg(shanghai::startOf(day(2)).toSecsSinceEpoch()));
}

void TestWeekModel::defersWhatGridCannotDraw()
{
    const QList<WeekEvent> events = mondayEvents({"in 540-600", "late 1000-1060", "early 420-480", "U -"});
    const WeekModel collapsed(weekOf(events), at(0, 9, 0), false);
    QCOMPARE(collapsed.compactEnd(), 1110);
    QCOMPARE(collapsed.deferred().size(), 2);

    const WeekModel withLate(weekOf(mondayEvents({"late 1200-1260", "U -"})), at(0, 9, 0), false);
    QCOMPARE(withLate.deferred().size(), 1);
    const WeekModel evening(weekOf(mondayEvents({"in 540-600", "late 1000-1060"})), at(0, 9, 0), false);
    QVERIFY(evening.deferred().isEmpty());
}

void TestWeekModel::explainsDeferredEvents_data()
{
    QTest::addColumn<QStringList>("periods");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all timed") << QStringList{"timed", "timed"} << "显示时段外的安排";
    QTest::newRow("evening only") << QStringList{"晚自习", "晚课2", "timed"} << "晚课时间未提供";
    QTest::newRow("another period") << QStringList{"晚自习", "晚课2", "B3"} << "部分课程作息待确认";
}

void TestWeekModel::explainsDeferredEvents()
{
    QFETCH(QStringList, periods);
    QFETCH(QString, expected);
    QList<WeekEvent> events;
    for (const QString &period : periods) {
        const bool timed = period == QStringLiteral("timed");
        events.append(lesson(period, 0, timed ? std::optional<qint64>(1000) : std::nullopt,
                             timed ? std::optional<qint64>(1060) : std::nullopt, QStringLiteral("x"),
                             period));
    }
    QCOMPARE(deferredExplanation(events), expected);
}

void TestWeekModel::placesDetailCardBesideBlock_data()
{
    QTest::addColumn<QRectF>("block");
    QTest::addColumn<QSizeF>("area");
    QTest::addColumn<DetailPlacement>("expected");
    QTest::newRow("right of the block")
        << QRectF(300, 100, 100, 40) << QSizeF(900, 800) << DetailPlacement{310, {414, 88}, false};
    QTest::newRow("left near the right edge")
        << QRectF(700, 100, 100, 40) << QSizeF(900, 800) << DetailPlacement{310, {376, 88}, true};
    QTest::newRow("narrow area, block on the left")
        << QRectF(20, 40, 100, 40) << QSizeF(300, 800) << DetailPlacement{276, {8, 28}, true};
    QTest::newRow("narrow area, block on the right")
        << QRectF(310, 40, 100, 40) << QSizeF(300, 800) << DetailPlacement{276, {16, 28}, true};
    QTest::newRow("narrower than the card")
        << QRectF(10, 40, 100, 40) << QSizeF(240, 800) << DetailPlacement{240, {8, 28}, true};
    QTest::newRow("low block") << QRectF(300, 700, 100, 40) << QSizeF(900, 800)
                               << DetailPlacement{310, {414, 470}, false};
    QTest::newRow("short area") << QRectF(300, 100, 100, 40) << QSizeF(900, 300)
                                << DetailPlacement{310, {414, 8}, false};
}

void TestWeekModel::placesDetailCardBesideBlock()
{
    QFETCH(QRectF, block);
    QFETCH(QSizeF, area);
    QFETCH(DetailPlacement, expected);
    QCOMPARE(placeDetail(block, area), expected);
}

void TestWeekModel::coloursSubjectsInCodePointOrder()
{
    QList<WeekEvent> events;
    for (int i = 0; i < 18; ++i)
        events.append(lesson(QString::number(i), i % 5, 540, 600,
                             QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'))));
    events.append(lesson(QStringLiteral("again"), 1, 700, 760, QStringLiteral("S00")));
    const QStringList ordered = orderedSubjects(weekOf(events));
    QCOMPARE(ordered.size(), 18);
    QCOMPARE(subjectTint(ordered, QStringLiteral("S02")).index, 2);
    QCOMPARE(subjectTint(ordered, QStringLiteral("unknown")).index, 0);
    QCOMPARE(subjectTint(ordered, QStringLiteral("S02")).resolve(true),
             Appearance::subjectPalette[2].resolve(true));
    const QColor seventeenth = subjectTint(ordered, QStringLiteral("S16")).resolve(false);
    QVERIFY(qAbs(seventeenth.hsvHueF() - 0.17) < 0.01);
    QVERIFY(qAbs(subjectTint(ordered, QStringLiteral("S17")).resolve(true).hsvHueF() - 0.552) < 0.01);

    // Code-point order puts a supplementary-plane name after every name of the basic plane.
    const QStringList mixed =
        orderedSubjects(weekOf({lesson("a", 0, 540, 600, QString::fromUcs4(U"\U00020000")),
                                lesson("b", 0, 600, 660, QStringLiteral("\uFF21"))}));
    QCOMPARE(mixed.last(), QString::fromUcs4(U"\U00020000"));
}

void TestWeekModel::writesDayLabelsInChinese()
{
    QCOMPARE(shortDay(QDate(2025, 9, 1)), QStringLiteral("周一 9/1"));
    QCOMPARE(shortDay(QDate(2025, 9, 7)), QStringLiteral("周日 9/7"));
    QCOMPARE(columnDate(QDate(2024, 9, 2)), QStringLiteral("09/02"));
    QCOMPARE(detailDate(QDate(2024, 9, 3)), QStringLiteral("9月3日 周二"));
    QCOMPARE(WeekModel(WeeklySchedule{QDate(2024, 9, 2), {}}, at(0, 9, 0), false).weekRange(),
             QStringLiteral("9月2日 – 9月8日"));
}

void TestWeekModel::describesCourses()
{
    WeekEvent e = lesson(QStringLiteral("x"), 0, 540, 580, QStringLiteral("数学"), QStringLiteral("B2"));
    e.className = QStringLiteral("G7-1");
    QCOMPARE(summary(e), QStringLiteral("B2 · 数学 · 09:00–09:40 · G7-1 · 教室待确认"));
    e.className = QStringLiteral("  数 学 ");
    e.room = QStringLiteral("A101");
    e.end.reset();
    QCOMPARE(summary(e), QStringLiteral("B2 · 数学 · A101"));
    QCOMPARE(clock(e), QStringLiteral("上下课时间待确认"));
    e.subject = QStringLiteral("math1");
    e.className = QStringLiteral("Math 1");
    QCOMPARE(classLabel(e), std::nullopt);
    e.className = QStringLiteral("  G8 ");
    QCOMPARE(classLabel(e), QStringLiteral("G8"));
    e.className = QStringLiteral("   ");
    QCOMPARE(classLabel(e), std::nullopt);
}

void TestWeekModel::marksRunningCourseInShanghaiTime_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<bool>("running");
    QTest::newRow("start") << at(0, 8, 30) << true;
    QTest::newRow("last second") << at(0, 9, 9, 59) << true;
    QTest::newRow("end") << at(0, 9, 10) << false;
    QTest::newRow("before") << at(0, 8, 29, 59) << false;
    QTest::newRow("next day") << at(1, 8, 45) << false;
    // 00:45 UTC of the 1st is 08:45 in Shanghai.
    QTest::newRow("utc evening before") << QDateTime(QDate(2025, 9, 1), QTime(0, 45), Qt::UTC) << true;
}

void TestWeekModel::marksRunningCourseInShanghaiTime()
{
    QFETCH(QDateTime, moment);
    QFETCH(bool, running);
    QCOMPARE(isRunning(lesson(QStringLiteral("x"), 0, 510, 550), moment), running);
}

int runWeekModelTests(int argc, char **argv)
{
    TestWeekModel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_weekmodel.moc"
