#include "weekfixture.h"

#include "app/look/reducemotion.h"
#include "app/week/dayarea.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

using namespace quorvale;
using namespace quorvale::weekfixture;

namespace {

// The week's width in the narrowest window the application allows (860 pixels less the query
// screen's margins), and wider ones up to the widest the query screen gives it.
const QList<int> widths = {786, 900, 1100};

// Lessons on every day given, one a day, and beside the first of them `sideBySide` more at the same time.
WeeklySchedule weekOfLessons(int days, int sideBySide)
{
    QList<WeekEvent> events;
    for (int offset = 0; offset < days; ++offset)
        events.append(lesson(QStringLiteral("%1").arg(offset), offset, 480, 525));
    for (int lane = 0; lane < sideBySide; ++lane)
        events.append(lesson(QStringLiteral("beside-%1").arg(lane), 0, 480, 525, QStringLiteral("选修")));
    return weekOf(events, days);
}

} // namespace

class TestWeekWidth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keepsEveryColumnWhole_data();
    void keepsEveryColumnWhole();
};

void TestWeekWidth::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void TestWeekWidth::keepsEveryColumnWhole_data()
{
    QTest::addColumn<WeeklySchedule>("week");
    QTest::addColumn<int>("width");
    const QList<std::pair<const char *, WeeklySchedule>> weeks = {
        {"five school days", weekOfLessons(5, 0)},
        {"lessons on Saturday", weekOfLessons(6, 0)},
        {"lessons every day", weekOfLessons(7, 0)},
        {"every day, two lessons side by side", weekOfLessons(7, 1)},
        {"five days, three lessons side by side", weekOfLessons(5, 2)},
    };
    for (const auto &[name, week] : weeks) {
        for (const int width : widths)
            QTest::addRow("%s, %d wide", name, width) << week << width;
    }
}

void TestWeekWidth::keepsEveryColumnWhole()
{
    QFETCH(WeeklySchedule, week);
    QFETCH(int, width);
    WeekTimetableView view(week, at(1, 10, 0), true);
    view.resize(width, 1000);
    view.show();
    QApplication::processEvents();

    const DayArea *area = view.dayArea();
    QVERIFY(!area->columns().isEmpty());
    QVERIFY(!area->scrollBar()->isVisible());
    for (const DayColumn *column : area->columns()) {
        const QRect inArea(column->mapTo(area, QPoint()), column->size());
        QVERIFY2(inArea.left() >= 0 && inArea.right() < area->width(),
                 qPrintable(column->accessibleName() + QStringLiteral(" cut")));
        for (const WeekCourseBlock *block : column->blocks()) {
            const QRect blockInArea(block->mapTo(area, QPoint()), block->size());
            QVERIFY(blockInArea.width() > 0);
            QVERIFY(inArea.contains(blockInArea));
        }
    }
}

QTEST_MAIN(TestWeekWidth)

#include "tst_weekwidth.moc"
