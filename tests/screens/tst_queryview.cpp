#include "app/look/searchactionbutton.h"
#include "app/screens/datecontrols.h"
#include "app/screens/lessoncard.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/segmentedcontrol.h"
#include "app/screens/statecards.h"
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
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString rosterPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
const QString tablePath = QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable");

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

    void focus()
    {
        field()->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(view->searchFocused());
        // The screen reacts to the focus on its next pass.
        settle();
    }

    // Text typed as the keyboard sends it: one key event per character, carrying the character.
    void type(const QString &text)
    {
        for (const QChar character : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(field(), &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(field(), &release);
        }
    }

    // Text an input method commits at once.
    void commit(const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(field(), &event);
    }

    // Types the name and waits for the search's rows.
    void search(const QString &name)
    {
        type(name);
        QTRY_VERIFY(rig.api->searches > 0 && !rig.model->busy() && !view->suggestions().isEmpty());
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
    for (const demo::SchoolCourse &course : rig.school().courses) {
        for (const QChar character : course.name) {
            const auto holders = std::count_if(
                rig.school().courses.cbegin(), rig.school().courses.cend(),
                [character](const demo::SchoolCourse &other) { return other.name.contains(character); });
            if (holders >= 2)
                return QString(character);
        }
    }
    return {};
}

QString surnameOf(const ScreenRig &rig)
{
    return rig.school().students.first().name.left(1);
}

} // namespace

class QueryViewTest : public QObject
{
    Q_OBJECT

private slots:
    void typingSearchesOnceAfterThePause();
    void blankQueryNeitherOpensNorSearches();
    void editRestoredWithinThePauseSearchesOnce();
    void focusLossCancelsThePendingSearch();
    void arrowsMoveTheHighlightNotTheCaretOrThePage();
    void clickOnASuggestionSelectsIt();
    void returnChoosesTheHighlightedRow();
    void escapeEndsEditingWithTheCaretAtTheEnd();
    void newTimeOnTheSameDayDoesNotReload();
    void newDayReloadsExactlyOnce();
    void chineseTextReachesTheModel_data();
    void chineseTextReachesTheModel();
    void platformTextIsNeverMarkup();
    void switchingKindClosesAndResets();
    void narrowingTheTeacherSearchKeepsTheListOpen();
};

void QueryViewTest::typingSearchesOnceAfterThePause()
{
    Screen screen;
    QTest::keyClicks(screen.field(), QStringLiteral("xyz"));
    Screen::settle();
    QCOMPARE(screen.rig.model->query(), QStringLiteral("xyz"));
    QCOMPARE(screen.rig.api->searches, 0);
    QVERIFY(screen.view->debounceTimer()->isActive());
    QCOMPARE(screen.view->debounceTimer()->interval(), 350);
    QVERIFY(screen.view->dropdownVisible());

    QTRY_COMPARE(screen.rig.api->searches, 1);
    QTRY_VERIFY(!screen.rig.model->busy());
    Screen::settle();
    QCOMPARE(screen.rig.api->searches, 1);
    QCOMPARE(screen.rig.api->queries, QStringList{QStringLiteral("xyz")});
}

void QueryViewTest::blankQueryNeitherOpensNorSearches()
{
    Screen screen;
    QTest::keyClicks(screen.field(), QStringLiteral("   "));
    Screen::settle();
    QVERIFY(!screen.view->suggestionsOpen());
    QVERIFY(!screen.view->debounceTimer()->isActive());
    QVERIFY(!screen.view->searchBox()->searchButton()->isEnabled());
    QCOMPARE(screen.rig.api->searches, 0);
}

void QueryViewTest::editRestoredWithinThePauseSearchesOnce()
{
    Screen screen;
    QTest::keyClicks(screen.field(), QStringLiteral("ab"));
    QTest::keyClick(screen.field(), Qt::Key_Backspace);
    QTest::keyClicks(screen.field(), QStringLiteral("b "));
    QTRY_COMPARE(screen.rig.api->searches, 1);
    QTRY_VERIFY(!screen.rig.model->busy());
    Screen::settle();
    QCOMPARE(screen.rig.api->queries, QStringList{QStringLiteral("ab")});
}

void QueryViewTest::focusLossCancelsThePendingSearch()
{
    Screen screen;
    QTest::keyClicks(screen.field(), QStringLiteral("xyz"));
    screen.view->dismissSuggestions();
    Screen::settle();
    QVERIFY(!screen.view->searchFocused());
    QVERIFY(!screen.view->debounceTimer()->isActive());
    QCOMPARE(screen.rig.api->searches, 0);
}

void QueryViewTest::arrowsMoveTheHighlightNotTheCaretOrThePage()
{
    Screen screen;
    // Low enough that the page could scroll, so a key that reached it would move it.
    screen.view->resize(900, 160);
    screen.search(surnameOf(screen.rig));
    const int rows = int(screen.view->suggestions().size());
    QVERIFY(rows >= 2);
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
}

void QueryViewTest::clickOnASuggestionSelectsIt()
{
    Screen screen;
    screen.search(surnameOf(screen.rig));
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

void QueryViewTest::returnChoosesTheHighlightedRow()
{
    Screen screen;
    screen.search(surnameOf(screen.rig));
    QTest::keyClick(screen.field(), Qt::Key_Up);
    const Student last = std::get<Student>(screen.view->suggestions().last().value);
    QTest::keyClick(screen.field(), Qt::Key_Return);
    QTRY_COMPARE(screen.rig.model->selected(), std::optional<Student>(last));
}

void QueryViewTest::escapeEndsEditingWithTheCaretAtTheEnd()
{
    Screen screen;
    QTest::keyClicks(screen.field(), QStringLiteral("xyz"));
    screen.field()->setSelection(0, 2);
    QTest::keyClick(screen.field(), Qt::Key_Escape);
    Screen::settle();
    QVERIFY(!screen.view->searchFocused());
    QVERIFY(!screen.view->suggestionsOpen());
    QVERIFY(!screen.field()->hasSelectedText());
    QCOMPARE(screen.field()->cursorPosition(), 3);
}

void QueryViewTest::newTimeOnTheSameDayDoesNotReload()
{
    Screen screen;
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(screen.rig.school(), shanghai::dateOf(screen.rig.now()), 3);
    QVERIFY(lesson);
    screen.search(lesson->studentName);
    screen.view->choose(screen.view->suggestions().first());
    QTRY_VERIFY(screen.rig.model->hasSchedule() && !screen.rig.model->loadingSchedule());
    QSignalSpy loads(screen.rig.model.get(), &Model::loadingScheduleChanged);
    screen.rig.platform.clearLog();
    screen.focus();

    screen.rig.model->setFollowNow(false);
    screen.rig.model->setDate(lesson->before);
    Screen::settle();
    QCOMPARE(loads.size(), 0);
    QCOMPARE(screen.rig.platform.requestsTo(tablePath).size(), 0);
    // The answer follows the new moment without a reload: the next lesson now.
    QTRY_COMPARE(screen.view->resultArea()->lessonCards().size(), 1);
    QCOMPARE(screen.view->resultArea()->lessonCards().first()->state(), CourseState::upcoming);
    QVERIFY(screen.view->searchFocused());
}

void QueryViewTest::newDayReloadsExactlyOnce()
{
    Screen screen;
    screen.search(surnameOf(screen.rig));
    screen.view->choose(screen.view->suggestions().first());
    QTRY_VERIFY(screen.rig.model->hasSchedule() && !screen.rig.model->loadingSchedule());
    int started = 0;
    QObject::connect(screen.rig.model.get(), &Model::loadingScheduleChanged, screen.view.get(),
                     [&] { started += screen.rig.model->loadingSchedule() ? 1 : 0; });
    screen.focus();

    screen.rig.model->setFollowNow(false);
    screen.rig.model->setDate(screen.rig.now().addDays(1));
    QTRY_COMPARE(started, 1);
    QTRY_VERIFY(!screen.rig.model->loadingSchedule());
    Screen::settle();
    QCOMPARE(started, 1);
    QVERIFY(!screen.view->searchFocused());
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
    if (inputMethod)
        screen.commit(name);
    else
        screen.type(name);
    QCOMPARE(screen.field()->text(), name);
    QTRY_COMPARE(screen.rig.model->query(), name);
    QTRY_COMPARE(screen.rig.api->queries, QStringList{name});
    QTRY_VERIFY(!screen.view->suggestions().isEmpty());
    QCOMPARE(std::get<Student>(screen.view->suggestions().first().value).name, name);
}

void QueryViewTest::platformTextIsNeverMarkup()
{
    Screen screen;
    const QString markup = QStringLiteral("<h1>出错</h1><a href=\"x\">点这里</a> & <b>重试</b>");
    screen.rig.platform.faults().answer(rosterPath, demo::refusal(1, markup), demo::Faults::always);
    screen.type(QStringLiteral("xyz"));
    QTRY_VERIFY(!screen.rig.model->suggestionError().isEmpty());
    Screen::settle();
    QVERIFY(screen.panel()->message().startsWith(markup));
    for (const QLabel *label : screen.panel()->findChildren<QLabel *>())
        QCOMPARE(label->textFormat(), Qt::PlainText);

    // A row's hover text shows a class name with markup as written.
    Student student;
    student.id = 5;
    student.name = QStringLiteral("<i>王</i>");
    student.className = QStringLiteral("<b>7A</b>");
    const SuggestionRow row(SearchSuggestion{student});
    QCOMPARE(QTextDocumentFragment::fromHtml(row.toolTip()).toPlainText(),
             QStringLiteral("<i>王</i> · <b>7A</b>"));
}

void QueryViewTest::switchingKindClosesAndResets()
{
    Screen screen;
    screen.search(surnameOf(screen.rig));
    QTest::mouseClick(screen.view->searchArea()->kindPicker(), Qt::LeftButton, {},
                      screen.view->searchArea()->kindPicker()->segmentRect(1).center());
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
    screen.type(sharedByCourses(screen.rig));
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
