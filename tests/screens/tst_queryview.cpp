#include "app/look/searchactionbutton.h"
#include "app/screens/lessoncard.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/segmentedcontrol.h"
#include "app/screens/suggestionpanel.h"
#include "app/screens/suggestionrow.h"
#include "app/week/tintedlabel.h"
#include "core/base/shanghai.h"
#include "suites.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/screenrig.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// A signed-in query screen on screen and active, with the search field focused.
struct Screen
{
    Screen()
    {
        rig.signIn();
        view = std::make_unique<QueryView>(rig.model.get(), rig.clock());
        view->resize(1200, 850);
        view->show();
        QApplication::setActiveWindow(view.get());
        focus();
    }

    SearchField *field() const { return view->searchBox()->field(); }
    SuggestionPanel *panel() const { return view->searchBox()->panel(); }
    const QStringList &queries() const { return rig.api->queries; }

    void focus()
    {
        field()->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(view->searchFocused());
        // The screen reacts to the focus on its next pass.
        settle();
    }

    // Types the name and waits for the search's rows.
    void search(const QString &name)
    {
        typeText(field(), name);
        QTRY_VERIFY(!queries().isEmpty() && !rig.model->busy() && !view->suggestions().isEmpty());
        QTRY_VERIFY(view->dropdownVisible());
    }

    // Lets queued passes and posted work run.
    static void settle()
    {
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();
    }

    ScreenRig rig;
    std::unique_ptr<QueryView> view;
};

// A character found in the names of two or more courses, so that a search by course has a choice.
QString sharedByCourses(const ScreenRig &rig)
{
    const QList<demo::SchoolCourse> &courses = rig.school().courses;
    for (const demo::SchoolCourse &course : courses) {
        for (const QChar character : course.name) {
            if (std::count_if(courses.cbegin(), courses.cend(), [character](const demo::SchoolCourse &other) {
                    return other.name.contains(character);
                }) >= 2)
                return QString(character);
        }
    }
    return {};
}

} // namespace

class QueryViewTest : public QObject
{
    Q_OBJECT

private slots:
    void typingSearchesOnceAfterThePause_data();
    void typingSearchesOnceAfterThePause();
    void leavingTheFieldCancelsThePendingSearch_data();
    void leavingTheFieldCancelsThePendingSearch();
    void arrowsMoveTheHighlightNotTheCaretOrThePage();
    void clickOnASuggestionSelectsIt();
    void newDayReloadsOnceAndNewTimeNever_data();
    void newDayReloadsOnceAndNewTimeNever();
    void chineseTextReachesTheModel_data();
    void chineseTextReachesTheModel();
    void platformTextIsNeverMarkup();
    void switchingKindClosesAndResets();
    void narrowingTheTeacherSearchKeepsTheListOpen();
};

void QueryViewTest::typingSearchesOnceAfterThePause_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("searched");
    QTest::newRow("a word") << QStringLiteral("xyz") << QStringList{QStringLiteral("xyz")};
    QTest::newRow("blanks") << QStringLiteral("   ") << QStringList();
    QTest::newRow("edit restored within the pause")
        << QStringLiteral("ab\bb ") << QStringList{QStringLiteral("ab")};
}

void QueryViewTest::typingSearchesOnceAfterThePause()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, searched);
    Screen screen;
    QTest::keyClicks(screen.field(), keys);
    Screen::settle();
    // Nothing is searched while typing; a query worth searching waits 350 ms with the list open.
    QVERIFY(screen.queries().isEmpty());
    QCOMPARE(screen.view->debounceTimer()->isActive(), !searched.isEmpty());
    QCOMPARE(screen.view->suggestionsOpen(), !searched.isEmpty());
    QCOMPARE(screen.view->searchBox()->searchButton()->isEnabled(), !searched.isEmpty());
    if (searched.isEmpty())
        return;
    QCOMPARE(screen.rig.model->query(), screen.field()->text());
    QCOMPARE(screen.view->debounceTimer()->interval(), 350);
    QVERIFY(screen.view->dropdownVisible());

    QTRY_COMPARE(screen.queries().size(), 1);
    QTRY_VERIFY(!screen.rig.model->busy());
    Screen::settle();
    QCOMPARE(screen.queries(), searched);
}

void QueryViewTest::leavingTheFieldCancelsThePendingSearch_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("focus moves away") << false;
    QTest::newRow("escape, with the caret left at the end") << true;
}

void QueryViewTest::leavingTheFieldCancelsThePendingSearch()
{
    QFETCH(bool, escape);
    Screen screen;
    QTest::keyClicks(screen.field(), QStringLiteral("xyz"));
    if (escape) {
        screen.field()->setSelection(0, 2);
        QTest::keyClick(screen.field(), Qt::Key_Escape);
    } else {
        screen.view->dismissSuggestions();
    }
    Screen::settle();
    QVERIFY(!screen.view->searchFocused());
    QVERIFY(!screen.view->suggestionsOpen());
    QVERIFY(!screen.view->debounceTimer()->isActive());
    QVERIFY(screen.queries().isEmpty());
    if (escape) {
        QVERIFY(!screen.field()->hasSelectedText());
        QCOMPARE(screen.field()->cursorPosition(), 3);
    }
}

void QueryViewTest::arrowsMoveTheHighlightNotTheCaretOrThePage()
{
    Screen screen;
    // Low enough that the page could scroll, so a key that reached it would move it.
    screen.view->resize(900, 160);
    screen.search(screen.rig.school().students.first().name.left(1));
    QVERIFY(screen.view->suggestions().size() >= 2);
    QScrollBar *page = screen.view->findChild<QScrollArea *>()->verticalScrollBar();
    QVERIFY(page->maximum() > 0);
    page->setValue(page->maximum() / 2);
    screen.field()->setCursorPosition(0);
    const int pageAt = page->value();

    QTest::keyClick(screen.field(), Qt::Key_Down);
    QCOMPARE(screen.view->highlighted(), std::optional<int>(0));
    QTest::keyClick(screen.field(), Qt::Key_Down);
    QCOMPARE(screen.view->highlighted(), std::optional<int>(1));
    QTest::keyClick(screen.field(), Qt::Key_Up);
    QTest::keyClick(screen.field(), Qt::Key_Up);
    QCOMPARE(screen.view->highlighted(), std::optional<int>(0));
    QCOMPARE(screen.field()->cursorPosition(), 0);
    QCOMPARE(page->value(), pageAt);

    // The rows show it: the highlighted row is marked and ends with the return mark.
    Screen::settle();
    const QList<SuggestionRow *> shown = screen.panel()->rows();
    QVERIFY(shown.first()->highlighted() && shown.first()->marked());
    QVERIFY(!shown.at(1)->highlighted());
    // Return chooses the highlighted row.
    const Student first = std::get<Student>(screen.view->suggestions().first().value);
    QTest::keyClick(screen.field(), Qt::Key_Return);
    QTRY_COMPARE(screen.rig.model->selected(), std::optional<Student>(first));
}

void QueryViewTest::clickOnASuggestionSelectsIt()
{
    Screen screen;
    screen.search(screen.rig.school().students.first().name.left(1));
    Screen::settle();
    SuggestionRow *row = screen.panel()->rows().at(1);
    const Student chosen = std::get<Student>(row->suggestion().value);
    // The screen reacts between the press and the release, as it does under a real pointer: the
    // press must leave the field focused and the list open, or the release finds no row.
    QTest::mousePress(row, Qt::LeftButton, {}, row->rect().center());
    Screen::settle();
    QVERIFY(screen.view->searchFocused());
    QVERIFY(screen.view->dropdownVisible());
    QVERIFY(row->isVisible());
    QTest::mouseRelease(row, Qt::LeftButton, {}, row->rect().center());
    QTRY_COMPARE(screen.rig.model->selected(), std::optional<Student>(chosen));
    QTRY_VERIFY(!screen.view->dropdownVisible());
    QVERIFY(!screen.view->searchFocused());
}

void QueryViewTest::newDayReloadsOnceAndNewTimeNever_data()
{
    QTest::addColumn<bool>("nextDay");
    QTest::newRow("later the same day") << false;
    QTest::newRow("the next day") << true;
}

void QueryViewTest::newDayReloadsOnceAndNewTimeNever()
{
    QFETCH(bool, nextDay);
    Screen screen;
    Model &model = *screen.rig.model;
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(screen.rig.school(), shanghai::dateOf(screen.rig.now()), 3);
    QVERIFY(lesson);
    screen.search(lesson->studentName);
    screen.view->choose(screen.view->suggestions().first());
    QTRY_VERIFY(model.hasSchedule() && !model.loadingSchedule());
    int changes = 0;
    int started = 0;
    QObject::connect(&model, &Model::loadingScheduleChanged, screen.view.get(), [&] {
        ++changes;
        started += model.loadingSchedule() ? 1 : 0;
    });
    screen.focus();

    screen.rig.platform.clearLog();
    model.setFollowNow(false);
    model.setDate(nextDay ? screen.rig.now().addDays(1) : lesson->before);
    if (nextDay) {
        QTRY_COMPARE(started, 1);
        QTRY_VERIFY(!model.loadingSchedule());
        Screen::settle();
        QCOMPARE(started, 1);
        QVERIFY(!screen.view->searchFocused());
        return;
    }
    Screen::settle();
    QCOMPARE(changes, 0);
    QCOMPARE(
        screen.rig.platform.requestsTo(QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable")).size(),
        0);
    // The answer follows the new moment without a reload: the next lesson now.
    QTRY_COMPARE(screen.view->resultArea()->lessonCards().size(), 1);
    QCOMPARE(screen.view->resultArea()->lessonCards().first()->state(), CourseState::upcoming);
    QVERIFY(screen.view->searchFocused());
}

void QueryViewTest::chineseTextReachesTheModel_data()
{
    QTest::addColumn<bool>("inputMethod");
    QTest::newRow("key events with text") << false;
    QTest::newRow("input method commit") << true;
}

void QueryViewTest::chineseTextReachesTheModel()
{
    QFETCH(bool, inputMethod);
    Screen screen;
    const QString name = screen.rig.school().students.first().name;
    if (inputMethod) {
        QInputMethodEvent event;
        event.setCommitString(name);
        QApplication::sendEvent(screen.field(), &event);
    } else {
        typeText(screen.field(), name);
    }
    QCOMPARE(screen.field()->text(), name);
    QTRY_COMPARE(screen.rig.model->query(), name);
    QTRY_COMPARE(screen.queries(), QStringList{name});
    QTRY_VERIFY(!screen.view->suggestions().isEmpty());
    QCOMPARE(std::get<Student>(screen.view->suggestions().first().value).name, name);
}

void QueryViewTest::platformTextIsNeverMarkup()
{
    Screen screen;
    const QString markup = QStringLiteral("<h1>出错</h1><a href=\"x\">点这里</a> & <b>重试</b>");
    screen.rig.platform.faults().answer(
        QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage"), demo::refusal(1, markup),
        demo::Faults::always);
    typeText(screen.field(), QStringLiteral("xyz"));
    QTRY_VERIFY(!screen.rig.model->suggestionError().isEmpty());
    Screen::settle();
    QVERIFY(screen.panel()->message().startsWith(markup));
    for (const QLabel *label : screen.panel()->findChildren<QLabel *>())
        QCOMPARE(label->textFormat(), Qt::PlainText);

    // A row's hover text shows a name and class with markup and entities as written.
    Student student;
    student.name = QStringLiteral("<i>王</i>");
    student.className = QStringLiteral("<b>7A</b>&lt;");
    const SuggestionRow row(SearchSuggestion{student});
    QCOMPARE(QTextDocumentFragment::fromHtml(row.toolTip()).toPlainText(),
             QStringLiteral("<i>王</i> · <b>7A</b>&lt;"));
}

void QueryViewTest::switchingKindClosesAndResets()
{
    Screen screen;
    screen.search(screen.rig.school().students.first().name.left(1));
    SegmentedControl *kinds = screen.view->searchArea()->kindPicker();
    QTest::mouseClick(kinds, Qt::LeftButton, {}, kinds->segmentRect(1).center());
    QTRY_COMPARE(screen.rig.model->queryKind(), QueryKind::Teacher);
    QTRY_VERIFY(screen.rig.model->query().isEmpty());
    QVERIFY(!screen.view->dropdownVisible());
    QVERIFY(screen.rig.model->students().isEmpty());
    QTRY_COMPARE(screen.field()->placeholderText(), QStringLiteral("输入老师姓名"));
    QVERIFY(screen.view->searchArea()->teacherPicker()->isVisible());
}

void QueryViewTest::narrowingTheTeacherSearchKeepsTheListOpen()
{
    Screen screen;
    Model &model = *screen.rig.model;
    model.setQueryKind(QueryKind::Teacher);
    model.setTeacherSearchKind(TeacherSearchKind::Course);
    Screen::settle();
    screen.focus();
    typeText(screen.field(), sharedByCourses(screen.rig));
    QTRY_COMPARE(model.suggestionStage(), SuggestionStage::Courses);
    QTRY_VERIFY(!model.busy() && screen.view->suggestions().size() >= 2);

    // Tasks, then courses: each choice narrows the search and keeps the field and the list.
    while (model.suggestionStage() != SuggestionStage::People) {
        const SuggestionStage stage = model.suggestionStage();
        screen.view->choose(screen.view->suggestions().first());
        Screen::settle();
        QVERIFY(screen.view->searchFocused());
        QVERIFY(screen.view->suggestionsOpen());
        QTRY_VERIFY(!model.busy() && model.suggestionStage() != stage);
    }
    QTRY_VERIFY(!screen.view->suggestions().isEmpty());
    QVERIFY(screen.view->dropdownVisible());
    const Teacher teacher = std::get<Teacher>(screen.view->suggestions().first().value);
    screen.view->choose(screen.view->suggestions().first());
    QTRY_COMPARE(model.selectedTeacher(), std::optional<Teacher>(teacher));
    QTRY_VERIFY(screen.view->resultArea());
    QCOMPARE(screen.view->resultArea()->subtitleLabel()->text(), QStringLiteral("任课教师"));
    QVERIFY(!screen.view->dropdownVisible());
    QVERIFY(!screen.view->searchFocused());
}

int runQueryViewTests(int argc, char **argv)
{
    QueryViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_queryview.moc"
