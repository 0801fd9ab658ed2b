#include "weekfixture.h"

#include "app/look/appearance.h"
#include "app/look/painting.h"
#include "app/look/reducemotion.h"
#include "app/week/coursedetailcard.h"
#include "app/week/dayarea.h"
#include "app/week/deferredsection.h"
#include "app/week/detailoverlay.h"
#include "app/week/timeaxis.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"
#include "tests/support/pixels.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace quorvale;
using namespace quorvale::weekfixture;

using quorvale::testing::pixelsOf;

namespace {

// Three lessons at once on every weekday, so each column needs three lanes and a narrow page scrolls
// the grid sideways; the last lesson of the day ends at 17:00.
WeeklySchedule crowdedWeek()
{
    QList<WeekEvent> events;
    for (int offset = 0; offset < 5; ++offset) {
        for (int lane = 0; lane < 3; ++lane) {
            WeekEvent e = lesson(QStringLiteral("%1-%2").arg(offset).arg(lane), offset, 480 + 60 * lane,
                                 600 + 60 * lane, QStringLiteral("课程%1").arg(lane));
            e.room = QStringLiteral("A10%1").arg(lane);
            events.append(e);
        }
        events.append(
            lesson(QStringLiteral("%1-late").arg(offset), offset, 960, 1020, QStringLiteral("自习")));
    }
    return weekOf(events);
}

// The week in a page that scrolls, as the query screen shows it, with a field above it.
struct Page
{
    Page(const WeeklySchedule &week, const QDateTime &reference, QSize size)
    {
        auto *content = new QWidget;
        auto *layout = new QVBoxLayout(content);
        field = new QLineEdit;
        view = new WeekTimetableView(week, reference, true);
        layout->addWidget(field);
        layout->addSpacing(600);
        layout->addWidget(view);
        layout->addSpacing(600);
        scroll.setWidget(content);
        scroll.setWidgetResizable(true);
        scroll.resize(size);
        scroll.show();
        QApplication::setActiveWindow(&scroll);
        QApplication::processEvents();
    }

    // A wheel turned with the pointer at `point` of `widget`, delivered as the application delivers a
    // wheel from the window system: to the widget under the pointer, then to each parent in turn until
    // one takes it.
    void wheel(QWidget *widget, QPoint point, QPoint angle, Qt::KeyboardModifiers modifiers)
    {
        const QPoint global = widget->mapToGlobal(point);
        for (QWidget *target = scroll.childAt(scroll.mapFromGlobal(global)); target;
             target = target->parentWidget()) {
            QWheelEvent event(target->mapFromGlobal(QPointF(global)), QPointF(global), QPoint(), angle,
                              Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &event);
            if (event.isAccepted() || target->isWindow())
                return;
        }
    }

    QScrollArea scroll;
    QLineEdit *field = nullptr;
    WeekTimetableView *view = nullptr;
};

// Counts the paint and layout events widgets of the week receive.
class Repaints : public QObject
{
public:
    explicit Repaints(QWidget *root)
        : m_root(root)
    {
        qApp->installEventFilter(this);
    }
    ~Repaints() override { qApp->removeEventFilter(this); }

    QList<QWidget *> painted;
    int layouts = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && (widget == m_root || m_root->isAncestorOf(widget))) {
            if (event->type() == QEvent::Paint)
                painted.append(widget);
            else if (event->type() == QEvent::LayoutRequest)
                ++layouts;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_root;
};

// Pixels of the now line's red on the light background, whatever their antialiasing.
int redPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            count += qRed(pixel) > 150 && qGreen(pixel) < 130 && qBlue(pixel) < 150 ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TestWeekUnderHands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wheelScrollsPageOrGrid_data();
    void wheelScrollsPageOrGrid();
    void tallDetailCardStaysInside();
    void tabReachesBlockAndKeysPinAndClose();
    void pressedBlockTakesThePinnedDetail_data();
    void pressedBlockTakesThePinnedDetail();
    void openedDetailComesIntoView();
    void clickOnAnotherCoursePinsItInPlace_data();
    void clickOnAnotherCoursePinsItInPlace();
    void keepsShortRoomOnOneLine();
    void otherArrangementsTellTheyAreOpen();
    void tagLeavesNoLabelHalfCovered_data();
    void tagLeavesNoLabelHalfCovered();
    void nowLineLeavesBlockTextClear();
    void tickRepaintsOnlyWhatMoved();
};

void TestWeekUnderHands::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void TestWeekUnderHands::wheelScrollsPageOrGrid_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("pageMoves");
    QTest::addColumn<bool>("gridMoves");
    const QPoint down(0, -120);
    const QPoint sideways(-120, 0);
    for (const QString where : {"top left corner", "bottom right corner", "on a block"}) {
        QTest::addRow("%s, upright wheel", qPrintable(where))
            << where << down << Qt::KeyboardModifiers() << true << false;
        QTest::addRow("%s, sideways wheel", qPrintable(where))
            << where << sideways << Qt::KeyboardModifiers() << false << true;
        QTest::addRow("%s, upright wheel with shift", qPrintable(where))
            << where << down << Qt::KeyboardModifiers(Qt::ShiftModifier) << false << true;
    }
}

void TestWeekUnderHands::wheelScrollsPageOrGrid()
{
    QFETCH(QString, where);
    QFETCH(QPoint, angle);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, pageMoves);
    QFETCH(bool, gridMoves);
    Page page(crowdedWeek(), at(1, 10, 0), QSize(620, 700));
    DayArea *area = page.view->dayArea();
    QVERIFY(area->scrollBar()->isVisible());
    page.scroll.ensureWidgetVisible(area, 0, 0);
    QApplication::processEvents();
    const int pageBefore = page.scroll.verticalScrollBar()->value();
    const int gridBefore = area->scrollBar()->value();

    QPoint point(1, 1);
    QWidget *widget = area;
    if (where == QLatin1String("bottom right corner")) {
        point = QPoint(area->width() - 2, area->height() - 14);
    } else if (where == QLatin1String("on a block")) {
        widget = area->columns().at(0)->blocks().at(0);
        point = QPoint(widget->width() - 1, 0);
    }
    page.wheel(widget, point, angle, modifiers);
    QCOMPARE(page.scroll.verticalScrollBar()->value() != pageBefore, pageMoves);
    QCOMPARE(area->scrollBar()->value() != gridBefore, gridMoves);
}

void TestWeekUnderHands::tallDetailCardStaysInside()
{
    WeeklySchedule week = crowdedWeek();
    WeekEvent &late = week.days[2].events[3];
    late.subject = QString(QStringLiteral("跨学科综合实践与研究性学习")).repeated(8);
    late.className = QString(QStringLiteral("高一1班 / 高一2班 / ")).repeated(6);
    WeekTimetableView view(week, at(2, 10, 0), true);
    view.resize(1100, 700);
    view.show();
    QApplication::processEvents();

    WeekCourseBlock *block = view.dayArea()->columns().at(2)->blocks().at(3);
    // Clicked near its right edge, not in its middle.
    QTest::mouseClick(block, Qt::LeftButton, {}, QPoint(block->width() - 3, block->height() / 2));
    CourseDetailCard *card = view.detailOverlay()->card();
    QVERIFY(card);
    QVERIFY2(card->height() >= 400, qPrintable(QString::number(card->height())));
    const QRect inside = view.rect().adjusted(8, 8, -8, -8);
    QVERIFY2(inside.contains(card->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5")
                                                               .arg(card->x())
                                                               .arg(card->y())
                                                               .arg(card->width())
                                                               .arg(card->height())
                                                               .arg(view.height())));
}

void TestWeekUnderHands::tabReachesBlockAndKeysPinAndClose()
{
    Page page(crowdedWeek(), at(1, 10, 0), QSize(1100, 700));
    page.field->setFocus();
    QApplication::processEvents();
    const QList<WeekCourseBlock *> monday = page.view->dayArea()->columns().at(0)->blocks();
    WeekCourseBlock *first = monday.at(0);
    const QColor accent = Appearance::accentBlue.resolve(page.view->palette());
    const int ringBefore = pixelsOf(first->grab().toImage(), accent);

    QTest::keyClick(page.field, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), first);
    // The focus shows as a ring in the accent colour.
    QVERIFY(pixelsOf(first->grab().toImage(), accent) > ringBefore + 2 * first->height());

    QTest::keyClick(first, Qt::Key_Return);
    QVERIFY(first->pinned());
    CourseDetailCard *card = page.view->detailOverlay()->card();
    QVERIFY(card);
    QCOMPARE(card->anchorId(), first->event().id);
    QVERIFY(card->hasFocus());
    QTest::keyClick(card, Qt::Key_Escape);
    QVERIFY(!first->showsDetails());
    QVERIFY(!page.view->detailOverlay()->card());
    QCOMPARE(QApplication::focusWidget(), first);

    // On along the lessons in view order; Space opens, Escape on the block closes.
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), monday.at(1));
    QTest::keyClick(monday.at(1), Qt::Key_Space);
    QVERIFY(monday.at(1)->pinned());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!monday.at(1)->showsDetails());
}

void TestWeekUnderHands::pressedBlockTakesThePinnedDetail_data()
{
    QTest::addColumn<bool>("byAction");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    for (const bool byAction : {false, true}) {
        const char *press = byAction ? "assistive action" : "Space";
        QTest::addRow("%s on an earlier block", press) << byAction << 2 << 0;
        QTest::addRow("%s on a later block", press) << byAction << 0 << 2;
    }
}

void TestWeekUnderHands::openedDetailComesIntoView()
{
    Page page(crowdedWeek(), at(1, 10, 0), QSize(1100, 400));
    WeekCourseBlock *block = page.view->dayArea()->columns().at(0)->blocks().constLast();
    // The block just inside the bottom edge of the page, where its detail has no room below it.
    page.scroll.ensureWidgetVisible(block, 0, 0);
    QApplication::processEvents();
    block->setFocus(Qt::TabFocusReason);
    QTest::keyClick(block, Qt::Key_Space);
    CourseDetailCard *card = page.view->detailOverlay()->card();
    QVERIFY(card);
    const QWidget *viewport = page.scroll.viewport();
    const QRect shown(card->mapTo(viewport, QPoint(0, 0)), card->size());
    QVERIFY2(viewport->rect().contains(shown), qPrintable(QStringLiteral("card at y %1 to %2 in a page of %3")
                                                               .arg(shown.top())
                                                               .arg(shown.bottom())
                                                               .arg(viewport->height())));
}

void TestWeekUnderHands::clickOnAnotherCoursePinsItInPlace_data()
{
    // The first and the second course clicked, as (weekday, block of that day).
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QPoint>("second");
    QTest::newRow("a later course, at the bottom of the page") << QPoint(0, 0) << QPoint(3, 3);
    QTest::newRow("an earlier course") << QPoint(3, 3) << QPoint(0, 0);
}

void TestWeekUnderHands::clickOnAnotherCoursePinsItInPlace()
{
    QFETCH(QPoint, first);
    QFETCH(QPoint, second);
    Page page(crowdedWeek(), at(1, 10, 0), QSize(1100, 700));
    const auto block = [&page](QPoint at) {
        return page.view->dayArea()->columns().at(at.x())->blocks().at(at.y());
    };
    // Both in view, the latest lesson just inside the bottom edge of the page.
    page.scroll.ensureWidgetVisible(block(QPoint(3, 3)), 0, 0);
    QApplication::processEvents();
    const int scrolled = page.scroll.verticalScrollBar()->value();
    // Clicked as the window system delivers it, to whatever lies under the pointer.
    const auto click = [&page](WeekCourseBlock *target) {
        QTest::mouseClick(page.scroll.windowHandle(), Qt::LeftButton, {},
                          target->mapTo(&page.scroll, target->rect().center()));
        QApplication::processEvents();
    };
    click(block(first));
    QVERIFY(block(first)->pinned());
    click(block(second));

    CourseDetailCard *card = page.view->detailOverlay()->card();
    QVERIFY(card);
    QCOMPARE(card->anchorId(), block(second)->event().id);
    QVERIFY(block(second)->pinned());
    QVERIFY(!block(first)->showsDetails());
    QCOMPARE(page.scroll.verticalScrollBar()->value(), scrolled);
}

void TestWeekUnderHands::pressedBlockTakesThePinnedDetail()
{
    QFETCH(bool, byAction);
    QFETCH(int, first);
    QFETCH(int, second);
    Page page(crowdedWeek(), at(1, 10, 0), QSize(1100, 700));
    const QList<WeekCourseBlock *> monday = page.view->dayArea()->columns().at(0)->blocks();
    const auto press = [byAction](WeekCourseBlock *block) {
        block->setFocus(Qt::TabFocusReason);
        if (byAction)
            QAccessible::queryAccessibleInterface(block)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        else
            QTest::keyClick(block, Qt::Key_Space);
    };
    press(monday.at(first));
    press(monday.at(second));

    // The second press shows its own course, pinned, and the first detail is closed, not hidden.
    CourseDetailCard *card = page.view->detailOverlay()->card();
    QVERIFY(card);
    QCOMPARE(card->anchorId(), monday.at(second)->event().id);
    QVERIFY(card->hasFocus());
    QVERIFY(monday.at(second)->pinned());
    QVERIFY(!monday.at(first)->showsDetails());
    QTest::keyClick(card, Qt::Key_Escape);
    QVERIFY(!page.view->detailOverlay()->card());
    QVERIFY(std::none_of(monday.cbegin(), monday.cend(),
                         [](const WeekCourseBlock *block) { return block->showsDetails(); }));
}

void TestWeekUnderHands::otherArrangementsTellTheyAreOpen()
{
    WeeklySchedule week = crowdedWeek();
    week.days[0].events.append(lesson(QStringLiteral("evening"), 0, std::nullopt, std::nullopt,
                                      QStringLiteral("英语听说"), QStringLiteral("晚课1")));
    WeekTimetableView view(week, at(0, 9, 0), true);
    view.show();
    QApplication::processEvents();
    QAbstractButton *header = view.deferredSection()->header();
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(header);
    QCOMPARE(element->text(QAccessible::Name), QStringLiteral("其他安排 · 1"));
    QVERIFY(element->state().expandable);
    QVERIFY(element->state().collapsed && !element->state().expanded);
    header->setFocus(Qt::TabFocusReason);
    QTest::keyClick(header, Qt::Key_Space);
    QVERIFY(view.deferredSection()->expanded());
    QVERIFY(element->state().expanded && !element->state().collapsed);
}

void TestWeekUnderHands::keepsShortRoomOnOneLine()
{
    WeeklySchedule week = crowdedWeek();
    WeekEvent evening = lesson(QStringLiteral("evening"), 0, std::nullopt, std::nullopt,
                               QStringLiteral("英语听说"), QStringLiteral("晚课1"));
    evening.room = QStringLiteral("语言教室2");
    week.days[0].events.append(evening);
    WeekTimetableView view(week, at(0, 9, 0), true);
    view.resize(760, 900);
    view.show();
    view.setShowDeferred(true);
    QApplication::processEvents();

    QLabel *room = nullptr;
    for (QLabel *label : view.deferredSection()->findChildren<QLabel *>()) {
        if (label->text() == evening.room)
            room = label;
    }
    QVERIFY(room);
    QVERIFY(room->isVisible());
    QVERIFY2(room->height() < 2 * room->fontMetrics().lineSpacing(),
             qPrintable(QString::number(room->height())));
    QVERIFY(room->width() >= room->fontMetrics().horizontalAdvance(*evening.room));
}

void TestWeekUnderHands::tagLeavesNoLabelHalfCovered_data()
{
    QTest::addColumn<QDateTime>("reference");
    QTest::addColumn<QList<int>>("hidden");
    QTest::newRow("on the hour") << at(1, 10, 0, 20) << QList<int>{600};
    QTest::newRow("just before the hour") << at(1, 10, 53) << QList<int>{660};
    QTest::newRow("between labels") << at(1, 10, 30) << QList<int>{};
}

void TestWeekUnderHands::tagLeavesNoLabelHalfCovered()
{
    QFETCH(QDateTime, reference);
    QFETCH(QList<int>, hidden);
    WeekTimetableView view(crowdedWeek(), reference, true);
    view.resize(1100, 900);
    view.show();
    QApplication::processEvents();
    TimeAxis *axis = view.timeAxis();
    QList<int> missing = axis->labels();
    for (const int minute : axis->shownLabels())
        missing.removeOne(minute);
    QCOMPARE(missing, hidden);

    // Whatever label is drawn lies wholly clear of the tag.
    const QImage image = axis->grab().toImage();
    const QRect tag = axis->tagRect().toAlignedRect();
    const QColor secondary = Appearance::secondaryText.resolve(axis->palette());
    QCOMPARE(pixelsOf(image.copy(tag), secondary), 0);
}

void TestWeekUnderHands::nowLineLeavesBlockTextClear()
{
    // 08:53 runs through the middle of the first lesson's text on Tuesday.
    WeekTimetableView view(crowdedWeek(), at(1, 8, 53), true);
    view.resize(1100, 900);
    view.show();
    QApplication::processEvents();
    DayColumn *column = view.dayArea()->columns().at(1);
    QVERIFY(column->nowLine());
    const qreal y = column->nowLine()->centre();
    const QImage image = column->grab().toImage();
    int crossed = 0;
    for (const WeekCourseBlock *block : column->blocks()) {
        for (const QRectF &text : block->textBounds()) {
            const QRect box = text.translated(block->pos()).toAlignedRect();
            if (y < box.top() || y > box.bottom())
                continue;
            ++crossed;
            QCOMPARE(redPixels(image.copy(box)), 0);
        }
    }
    QVERIFY(crossed > 0);
    // Elsewhere on its row the line is drawn.
    const int row = qRound(y);
    QVERIFY(redPixels(image.copy(0, row - 1, image.width(), 3)) > column->width() / 3);
}

void TestWeekUnderHands::tickRepaintsOnlyWhatMoved()
{
    const WeeklySchedule week = crowdedWeek();
    WeekTimetableView view(week, at(1, 10, 15), true);
    view.resize(1100, 900);
    view.show();
    QApplication::processEvents();
    DayColumn *column = view.dayArea()->columns().at(1);

    {
        // Fifteen seconds move the line by a quarter pixel and change no text: nothing is drawn again.
        Repaints repaints(&view);
        view.setWeek(week, at(1, 10, 15, 15), true);
        QApplication::processEvents();
        QCOMPARE(repaints.layouts, 0);
        QCOMPARE(repaints.painted.size(), 0);
        QCOMPARE(column->nowLine()->centre(), weekgrid::headerHeight + 135.25);
    }
    {
        // A minute later the tag's text and the line's pixel row change, without a glide and without
        // laying anything out; only what lies on that row is drawn again.
        Repaints repaints(&view);
        view.setWeek(week, at(1, 10, 16), true);
        QApplication::processEvents();
        QCOMPARE(repaints.layouts, 0);
        QCOMPARE(view.timeAxis()->tagText(), QStringLiteral("10:16"));
        QCOMPARE(column->nowLine()->centre(), weekgrid::headerHeight + 136.0);
        QVERIFY(repaints.painted.contains(view.timeAxis()));
        const int row = qRound(column->nowLine()->centre());
        for (QWidget *widget : std::as_const(repaints.painted)) {
            const auto *block = qobject_cast<WeekCourseBlock *>(widget);
            if (!block)
                continue;
            const QRect inColumn = block->geometry();
            QVERIFY(inColumn.top() <= row + 3 && inColumn.bottom() >= row - 3);
        }
    }
}

QTEST_MAIN(TestWeekUnderHands)

#include "tst_weekhands.moc"
