#include "weekfixture.h"

#include "app/week/deferredevents.h"
#include "app/week/detailplacement.h"
#include "app/week/weekgrid.h"
#include "app/week/weekmodel.h"

#include <QTest>

using namespace quorvale;
using namespace quorvale::weekfixture;

namespace {

// Events of Monday given as "id start-end", for instance "A 480-600".
QList<WeekEvent> mondayEvents(const QStringList &rows)
{
    QList<WeekEvent> events;
    for (const QString &row : rows) {
        const QStringList parts = row.split(QLatin1Char(' '));
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

} // namespace

Q_DECLARE_METATYPE(quorvale::DetailPlacement)

class TestWeekModel : public QObject
{
    Q_OBJECT

private slots:
    void placesOverlappingEventsInLanes_data();
    void placesOverlappingEventsInLanes();
    void endsCompactGridAfterLastLesson_data();
    void endsCompactGridAfterLastLesson();
    void showsWeekdaysAndOnlyUsedWeekendDays();
    void locatesReferenceTime_data();
    void locatesReferenceTime();
    void defersWhatGridCannotDraw();
    void placesDetailCardBesideBlock_data();
    void placesDetailCardBesideBlock();
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

void TestWeekModel::placesDetailCardBesideBlock_data()
{
    QTest::addColumn<QRectF>("block");
    QTest::addColumn<QSizeF>("area");
    QTest::addColumn<qreal>("cardHeight");
    QTest::addColumn<DetailPlacement>("expected");
    QTest::newRow("right of the block")
        << QRectF(300, 100, 100, 40) << QSizeF(900, 800) << 280.0 << DetailPlacement{310, {414, 88}, false};
    QTest::newRow("left near the right edge")
        << QRectF(700, 100, 100, 40) << QSizeF(900, 800) << 280.0 << DetailPlacement{310, {376, 88}, true};
    QTest::newRow("narrow area, block on the left")
        << QRectF(20, 40, 100, 40) << QSizeF(300, 800) << 280.0 << DetailPlacement{276, {8, 28}, true};
    QTest::newRow("narrower than the card")
        << QRectF(10, 40, 100, 40) << QSizeF(240, 800) << 280.0 << DetailPlacement{240, {8, 28}, true};
    QTest::newRow("low block") << QRectF(300, 700, 100, 40) << QSizeF(900, 800) << 280.0
                               << DetailPlacement{310, {414, 470}, false};
    QTest::newRow("short area") << QRectF(300, 100, 100, 40) << QSizeF(900, 300) << 280.0
                                << DetailPlacement{310, {414, 8}, false};
    QTest::newRow("tall card near the bottom moves up to stay inside")
        << QRectF(300, 700, 100, 40) << QSizeF(900, 800) << 400.0 << DetailPlacement{310, {414, 392}, false};
    QTest::newRow("tall card high up stays by its block")
        << QRectF(300, 100, 100, 40) << QSizeF(900, 800) << 400.0 << DetailPlacement{310, {414, 88}, false};
    QTest::newRow("card taller than the area keeps the top margin")
        << QRectF(300, 300, 100, 40) << QSizeF(900, 380) << 400.0 << DetailPlacement{310, {414, 8}, false};
}

void TestWeekModel::placesDetailCardBesideBlock()
{
    QFETCH(QRectF, block);
    QFETCH(QSizeF, area);
    QFETCH(qreal, cardHeight);
    QFETCH(DetailPlacement, expected);
    QCOMPARE(placeDetail(block, area, cardHeight), expected);
}

QTEST_MAIN(TestWeekModel)

#include "tst_weekmodel.moc"
