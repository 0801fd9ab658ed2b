#include "weekfixture.h"

#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/reducemotion.h"
#include "app/week/coursedetailcard.h"
#include "app/week/coursedetailpopover.h"
#include "app/week/dayarea.h"
#include "app/week/deferredsection.h"
#include "app/week/detailoverlay.h"
#include "app/week/detailplacement.h"
#include "app/week/timeaxis.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"
#include "tests/support/pixels.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QTest>

using namespace quorvale;
using namespace quorvale::weekfixture;

using quorvale::testing::pixelsOf;

namespace {

const QStringList subjects = {"数学", "语文", "英语", "物理", "化学", "体育", "生物"};

// A high-school week: seven lessons a day on the bell times, two electives side by side on Tuesday, an
// activity after school on Monday, evening study without times, Wednesday unconfirmed, an empty weekend.
WeeklySchedule realWeek()
{
    const QList<Period> bells = BellSchedule::periods(QStringLiteral("high"));
    QList<WeekEvent> events;
    for (int offset : {0, 1, 3, 4}) {
        for (int i = 0; i < bells.size(); ++i) {
            WeekEvent e =
                lesson(QStringLiteral("%1-%2").arg(offset).arg(i), offset, Engine::minutes(bells[i].start),
                       Engine::minutes(bells[i].end), subjects[(i + offset) % subjects.size()], bells[i].id);
            e.room = QStringLiteral("A%1").arg(101 + i);
            e.className = QStringLiteral("高一1班");
            events.append(e);
        }
    }
    WeekEvent elective = events[8];
    elective.id = QStringLiteral("elective");
    elective.subject = QStringLiteral("选修·天文");
    events.append(elective);
    events.append(
        lesson(QStringLiteral("club"), 0, 960, 1020, QStringLiteral("机器人社"), QStringLiteral("ASA")));
    events.append(lesson(QStringLiteral("study"), 3, std::nullopt, std::nullopt, QStringLiteral("自习"),
                         QStringLiteral("晚自习")));
    events.append(lesson(QStringLiteral("evening"), 4, std::nullopt, std::nullopt, QStringLiteral("英语"),
                         QStringLiteral("晚课1")));
    WeeklySchedule week = weekOf(events, 7);
    week.days.removeAt(2);
    return week;
}

struct ShownView
{
    explicit ShownView(const WeeklySchedule &week, const QDateTime &reference, bool live = true)
        : view(week, reference, live)
    {
        view.resize(1100, 1000);
        view.show();
        QApplication::processEvents();
    }

    DayColumn *column(int i) const { return view.dayArea()->columns().at(i); }
    WeekCourseBlock *block(int column, int i) const { return this->column(column)->blocks().at(i); }

    WeekTimetableView view;
};

} // namespace

class TestWeekView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rendersRealWeek();
    void tagsReferenceTimeOutsideGrid_data();
    void tagsReferenceTimeOutsideGrid();
    void pinsAndDismissesDetailCard();
    void showsPlatformTextAsPlainText();
};

void TestWeekView::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void TestWeekView::rendersRealWeek()
{
    ShownView shown(realWeek(), at(1, 10, 15));
    WeekTimetableView &view = shown.view;
    QCOMPARE(view.dayArea()->columns().size(), 5);
    QCOMPARE(view.model().weekRange(), QStringLiteral("9月1日 – 9月7日"));
    QCOMPARE(shown.column(0)->placements().size(), 8);
    QCOMPARE(shown.column(1)->placements()[1].lanes, 2);
    QVERIFY(shown.column(1)->width() >= 172);
    QCOMPARE(view.model().compactEnd(), 1080);

    for (int i = 0; i < 5; ++i)
        QCOMPARE(shown.column(i)->nowLine() != nullptr, i == 1);
    QCOMPARE(view.timeAxis()->tagText(), QStringLiteral("10:15"));
    QVERIFY(view.timeTag()->isHidden());
    QCOMPARE(view.fullDayToggle()->label()->text(), QStringLiteral("展开至 21:30"));
    QCOMPARE(view.noteLines(), (QList<QPair<QString, QString>>{{"周三 9/3", "该日数据待确认"}}));
    QCOMPARE(view.deferredSection()->title(), QStringLiteral("其他安排 · 2"));
    QCOMPARE(view.deferredSection()->explanation(), QStringLiteral("晚课时间未提供"));
    view.setShowDeferred(true);
    QCOMPARE(view.deferredSection()->groupLabels(), (QStringList{"周四 9/4", "周五 9/5"}));

    const QImage image = view.grab().toImage();
    QCOMPARE(image.size(), view.size() * image.devicePixelRatio());
    // The axis tag and the now line's dot are drawn in the reference red.
    QVERIFY(pixelsOf(image, painting::referenceRed()) > 50);
}

void TestWeekView::tagsReferenceTimeOutsideGrid_data()
{
    QTest::addColumn<QDateTime>("reference");
    QTest::addColumn<bool>("live");
    QTest::addColumn<QString>("tag");
    QTest::newRow("early, following the clock") << at(2, 7, 30, 40) << true << "现在 07:30";
    QTest::newRow("evening, chosen") << at(4, 19, 5) << false << "选定 19:05";
    QTest::newRow("another week") << at(9, 7, 30) << true << "";
}

void TestWeekView::tagsReferenceTimeOutsideGrid()
{
    QFETCH(QDateTime, reference);
    QFETCH(bool, live);
    QFETCH(QString, tag);
    ShownView shown(realWeek(), reference, live);
    QCOMPARE(shown.view.timeTag()->isHidden(), tag.isEmpty());
    if (!tag.isEmpty())
        QCOMPARE(shown.view.timeTag()->text(), tag);
    QVERIFY(!shown.view.timeAxis()->showsTag());
    for (const DayColumn *column : shown.view.dayArea()->columns())
        QVERIFY(!column->nowLine());
}

void TestWeekView::pinsAndDismissesDetailCard()
{
    ShownView shown(realWeek(), at(1, 10, 15));
    WeekTimetableView &view = shown.view;
    WeekCourseBlock *block = shown.block(0, 2);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(block, &enter);
    QVERIFY(block->hoverPending());

    QTest::mouseClick(block, Qt::LeftButton);
    QVERIFY(!block->hoverPending());
    QVERIFY(block->pinned());
    CourseDetailCard *card = view.detailOverlay()->card();
    QVERIFY(card);
    QCOMPARE(card->anchorId(), block->event().id);
    const QRectF bounds(block->mapTo(&view, QPoint(0, 0)), block->size());
    const DetailPlacement placement = placeDetail(bounds, view.size(), card->height());
    QCOMPARE(card->pos(), placement.topLeft.toPoint());
    QCOMPARE(card->width(), qRound(placement.cardWidth));
    QVERIFY(view.detailOverlay()->tapLayer()->isVisible());
    QCOMPARE(card->popover()->rowTexts(), (QStringList{"9月1日 周一", "10:35–11:15", "A103", "高一1班"}));

    // A click beside a pinned card only closes it.
    QTest::mouseClick(view.detailOverlay()->tapLayer(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!block->showsDetails());
    QVERIFY(!block->pinned());
    QVERIFY(!view.detailOverlay()->card());
    QVERIFY(!view.detailOverlay()->tapLayer()->isVisible());

    QTest::mouseClick(block, Qt::LeftButton);
    QTest::keyClick(view.detailOverlay()->card(), Qt::Key_Escape);
    QVERIFY(!block->showsDetails());

    QTest::mouseClick(block, Qt::LeftButton);
    QTest::mouseClick(view.detailOverlay()->card()->popover()->closeButton(), Qt::LeftButton);
    QVERIFY(!view.detailOverlay()->card());
}

void TestWeekView::showsPlatformTextAsPlainText()
{
    WeeklySchedule week = realWeek();
    WeekEvent &lesson = week.days[0].events[0];
    lesson.subject = QStringLiteral("<b>粗体</b>");
    lesson.className = QStringLiteral("<a href=\"x\">班</a>");
    lesson.room = QStringLiteral("<i>A&amp;1</i>");
    WeekEvent untimedEvent = lesson;
    untimedEvent.id = QStringLiteral("untimed");
    untimedEvent.start.reset();
    week.days[0].events.append(untimedEvent);
    week.days[1].note = QStringLiteral("<img src=x>备注");

    ShownView shown(week, at(0, 9, 0));
    shown.view.setShowDeferred(true);
    WeekCourseBlock *block = shown.column(0)->blocks().at(0);
    block->pin();
    CourseDetailPopover *popover = shown.view.detailOverlay()->card()->popover();
    QCOMPARE(popover->title(), lesson.subject);
    QVERIFY(popover->rowTexts().contains(*lesson.room));
    QVERIFY(block->accessibleName().contains(*lesson.className));

    QStringList shownTexts;
    for (const QLabel *label : shown.view.findChildren<QLabel *>()) {
        QCOMPARE(label->textFormat(), Qt::PlainText);
        shownTexts.append(label->text());
    }
    QVERIFY(shownTexts.contains(QStringLiteral("<img src=x>备注")));
    QVERIFY(shownTexts.contains(*lesson.className));
    QCOMPARE(shownTexts.count(*lesson.room), 2);
}

QTEST_MAIN(TestWeekView)

#include "tst_weekview.moc"
