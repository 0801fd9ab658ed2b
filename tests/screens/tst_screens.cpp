#include "app/look/reducemotion.h"
#include "app/look/searchactionbutton.h"
#include "app/screens/contentview.h"
#include "app/screens/lessoncard.h"
#include "app/screens/lessonclock.h"
#include "app/screens/lessonprogress.h"
#include "app/screens/loginview.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/resultplan.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/suggestionmodel.h"
#include "app/screens/suggestionpanel.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/screenrig.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/captchaimage.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString loginPath = QStringLiteral("/api/MemberShip/Login");
const QString password = QStringLiteral("Kejing#Demo1");

// Lets queued passes and posted work run.
void settle()
{
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
}

// The sign-in screen over a client prepared for a sign-in; with a captcha asked for when `captcha` is set.
struct Form
{
    explicit Form(bool captcha = false)
    {
        awaitTask(rig.client->start());
        if (captcha) {
            rig.platform.faults().answer(
                QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin"),
                demo::envelope(QStringLiteral("data:image/png;base64,") +
                               QString::fromLatin1(demo::captchaImage(QStringLiteral("4711")).toBase64())));
            awaitTask(rig.client->refreshCaptcha());
        }
        view = std::make_unique<LoginView>(rig.client);
        view->show();
        view->accountField()->setText(QStringLiteral("demo"));
        view->passwordField()->setText(password);
    }

    ScreenRig rig;
    std::unique_ptr<LoginView> view;
};

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
    const QStringList &queries() const { return rig.api->queries; }

    void focus()
    {
        field()->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(view->searchFocused());
        settle();
    }

    // Types the name and waits for the search's rows.
    void search(const QString &name)
    {
        typeText(field(), name);
        QTRY_VERIFY(!queries().isEmpty() && !rig.model->busy() && !view->suggestions().isEmpty());
        QTRY_VERIFY(view->dropdownVisible());
    }

    ScreenRig rig;
    std::unique_ptr<QueryView> view;
};

ResultInput loaded(QList<DayLesson> current, std::optional<DayLesson> next, bool available)
{
    ResultInput input;
    input.hasSchedule = true;
    input.result = {QString(), {}, current, next, available};
    return input;
}

} // namespace

class ScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void countdownRoundsUpAndNeverGoesBelowZero_data();
    void countdownRoundsUpAndNeverGoesBelowZero();
    void progressIsToldInWholeSecondsRun_data();
    void progressIsToldInWholeSecondsRun();
    void lessonAreaFollowsTheAnswer_data();
    void lessonAreaFollowsTheAnswer();
    void blankCaptchaIsRefusedBeforeThePasswordGoes_data();
    void blankCaptchaIsRefusedBeforeThePasswordGoes();
    void signInMessageIsShownAsPlainText();
    void typingSearchesOnceAfterThePause_data();
    void typingSearchesOnceAfterThePause();
    void arrowsMoveTheHighlightNotTheCaretOrThePage();
    void clickOnASuggestionSelectsIt();
    void hoverRepaintsOnlyTheRowsItMoves();
    void newDayReloadsOnceAndNewTimeNever_data();
    void newDayReloadsOnceAndNewTimeNever();
    void chineseKeyEventsReachTheModel();
    void suggestionErrorIsShownAsPlainText();
    void springingShadowMatchesDirectPaint_data();
    void springingShadowMatchesDirectPaint();
};

void ScreensTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Every change takes its final look at once, so a test reads the end state.
    motion::setReduced(true);
}

void ScreensTest::countdownRoundsUpAndNeverGoesBelowZero_data()
{
    QTest::addColumn<qint64>("second");
    QTest::addColumn<QString>("text");
    const qint64 start = 600 * 60;
    QTest::newRow("30 s before") << start - 30 << QStringLiteral("距上课 1 分钟");
    QTest::newRow("one second in") << start + 1 << QStringLiteral("距下课 40 分钟");
    QTest::newRow("long after") << start + 90 * 60 << QStringLiteral("距下课 0 分钟");
}

void ScreensTest::countdownRoundsUpAndNeverGoesBelowZero()
{
    QFETCH(qint64, second);
    QFETCH(QString, text);
    QCOMPARE(lessonclock::countdown(DayLesson{Lesson{}, 600, 640},
                                    shanghai::startOf(QDate(2025, 3, 12)).addSecs(second)),
             text);
}

void ScreensTest::progressIsToldInWholeSecondsRun_data()
{
    QTest::addColumn<qint64>("second");
    QTest::addColumn<QString>("value");
    // A start where minutes in floating point put 696 s a hair under 29%.
    const qint64 start = 1020 * 60;
    QTest::newRow("696 s of 2400 s") << start + 696 << QStringLiteral("29%");
    QTest::newRow("before the start") << start - 30 << QStringLiteral("0%");
    QTest::newRow("after the end") << start + 50 * 60 << QStringLiteral("100%");
}

void ScreensTest::progressIsToldInWholeSecondsRun()
{
    QFETCH(qint64, second);
    QFETCH(QString, value);
    LessonCard card;
    card.present(DayLesson{Lesson{}, 1020, 1060}, CourseState::current,
                 shanghai::startOf(QDate(2025, 3, 12)).addSecs(second), std::nullopt);
    QCOMPARE(QAccessible::queryAccessibleInterface(card.progressBar())->text(QAccessible::Value), value);
}

void ScreensTest::lessonAreaFollowsTheAnswer_data()
{
    using Kind = LessonPlan::Kind;
    QTest::addColumn<ResultInput>("input");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("state");
    const DayLesson first = DayLesson{Lesson{}, 600, 640};
    const DayLesson second = DayLesson{Lesson{}, 620, 660};
    QTest::newRow("overlap is a conflict, no next")
        << loaded({first, second}, DayLesson{Lesson{}, 700, 740}, true) << int(Kind::cards) << 2
        << int(CourseState::failure);
    QTest::newRow("one running hides the next")
        << loaded({first}, second, true) << int(Kind::cards) << 1 << int(CourseState::current);
    QTest::newRow("next") << loaded({}, second, true) << int(Kind::cards) << 1 << int(CourseState::upcoming);
    QTest::newRow("free") << loaded({}, std::nullopt, true) << int(Kind::emptyState) << 0
                          << int(CourseState::free);
    QTest::newRow("undecided") << loaded({}, second, false) << int(Kind::emptyState) << 0
                               << int(CourseState::unknown);
}

void ScreensTest::lessonAreaFollowsTheAnswer()
{
    QFETCH(ResultInput, input);
    QFETCH(int, kind);
    QFETCH(int, cards);
    QFETCH(int, state);
    const LessonPlan plan = planLessons(input);
    QCOMPARE(int(plan.kind), kind);
    QCOMPARE(plan.lessons.size(), cards);
    QCOMPARE(int(plan.state), state);
}

void ScreensTest::blankCaptchaIsRefusedBeforeThePasswordGoes_data()
{
    QTest::addColumn<QString>("captcha");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces") << QStringLiteral("   ");
}

void ScreensTest::blankCaptchaIsRefusedBeforeThePasswordGoes()
{
    QFETCH(QString, captcha);
    Form form(true);
    QTRY_VERIFY(form.view->captchaRow()->isVisible());
    form.view->captchaField()->setText(captcha);
    form.rig.platform.clearLog();
    form.view->submit();
    QCoreApplication::processEvents();
    // Nothing was sent and nothing typed is lost; the captcha field asks for the code.
    QCOMPARE(form.view->passwordField()->text(), password);
    QCOMPARE(form.rig.platform.requestsTo(loginPath).size(), 0);
    QCOMPARE(form.view->window()->focusWidget(), form.view->captchaField());
}

void ScreensTest::signInMessageIsShownAsPlainText()
{
    Form form;
    const QString markup = QStringLiteral("<b>账号已停用</b><img src=\"https://example.com/x.png\">&amp;");
    form.rig.platform.faults().answer(loginPath, demo::refusal(1002, markup));
    form.view->submit();
    QTRY_VERIFY(!form.view->messageLabel()->text().isEmpty());
    QCOMPARE(form.view->messageLabel()->textFormat(), Qt::PlainText);
    QVERIFY(form.view->messageLabel()->text().startsWith(markup));
}

void ScreensTest::typingSearchesOnceAfterThePause_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("searched");
    QTest::newRow("a word") << QStringLiteral("xyz") << QStringList{QStringLiteral("xyz")};
    QTest::newRow("blanks") << QStringLiteral("   ") << QStringList();
}

void ScreensTest::typingSearchesOnceAfterThePause()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, searched);
    Screen screen;
    QTest::keyClicks(screen.field(), keys);
    settle();
    // Nothing is searched while typing; a query worth searching waits 350 ms with the list open.
    QVERIFY(screen.queries().isEmpty());
    QCOMPARE(screen.view->debounceTimer()->isActive(), !searched.isEmpty());
    QCOMPARE(screen.view->searchBox()->searchButton()->isEnabled(), !searched.isEmpty());
    if (searched.isEmpty())
        return;
    QCOMPARE(screen.view->debounceTimer()->interval(), 350);
    QVERIFY(screen.view->dropdownVisible());
    QTRY_COMPARE(screen.queries().size(), 1);
    QTRY_VERIFY(!screen.rig.model->busy());
    settle();
    QCOMPARE(screen.queries(), searched);
}

void ScreensTest::arrowsMoveTheHighlightNotTheCaretOrThePage()
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
    QTest::keyClick(screen.field(), Qt::Key_Down);
    QCOMPARE(screen.view->highlighted(), std::optional<int>(1));
    QTest::keyClick(screen.field(), Qt::Key_Up);
    QTest::keyClick(screen.field(), Qt::Key_Up);
    QCOMPARE(screen.view->highlighted(), std::optional<int>(0));
    QCOMPARE(screen.field()->cursorPosition(), 0);
    QCOMPARE(page->value(), pageAt);
    // Return chooses the highlighted row.
    const Student first = std::get<Student>(screen.view->suggestions().first().value);
    QTest::keyClick(screen.field(), Qt::Key_Return);
    QTRY_COMPARE(screen.rig.model->selected(), std::optional<Student>(first));
}

void ScreensTest::clickOnASuggestionSelectsIt()
{
    Screen screen;
    screen.search(screen.rig.school().students.first().name.left(1));
    settle();
    SuggestionPanel *panel = screen.view->searchBox()->panel();
    const Student chosen = std::get<Student>(panel->model()->at(1).value);
    QWidget *list = panel->list()->viewport();
    const QPoint point = panel->rowRect(panel->model()->at(1).id()).center();
    // The screen reacts between the press and the release, as it does under a real pointer: the
    // press must leave the field focused and the list open, or the release finds no row.
    QTest::mousePress(list, Qt::LeftButton, {}, point);
    settle();
    QVERIFY(screen.view->searchFocused());
    QVERIFY(list->isVisible());
    QTest::mouseRelease(list, Qt::LeftButton, {}, point);
    QTRY_COMPARE(screen.rig.model->selected(), std::optional<Student>(chosen));
    QTRY_VERIFY(!screen.view->dropdownVisible());
}

void ScreensTest::hoverRepaintsOnlyTheRowsItMoves()
{
    Screen screen;
    screen.search(screen.rig.school().students.first().name.left(1));
    settle();
    SuggestionPanel *panel = screen.view->searchBox()->panel();
    QVERIFY(panel->model()->rowCount() >= 3);
    QWidget *list = panel->list()->viewport();
    QTest::mouseMove(list, panel->rowRect(panel->model()->at(0).id()).center());
    settle();
    QCOMPARE(panel->model()->markedRow(), std::optional<int>(0));
    QList<int> touched;
    bool reset = false;
    connect(panel->model(), &QAbstractItemModel::dataChanged, this,
            [&](const QModelIndex &from, const QModelIndex &to) {
                for (int row = from.row(); row <= to.row(); ++row)
                    touched.append(row);
            });
    connect(panel->model(), &QAbstractItemModel::modelReset, this, [&] { reset = true; });
    QTest::mouseMove(list, panel->rowRect(panel->model()->at(2).id()).center());
    settle();
    QCOMPARE(panel->model()->markedRow(), std::optional<int>(2));
    std::sort(touched.begin(), touched.end());
    QCOMPARE(touched, (QList<int>{0, 2}));
    QVERIFY(!reset);
}

void ScreensTest::newDayReloadsOnceAndNewTimeNever_data()
{
    QTest::addColumn<bool>("nextDay");
    QTest::newRow("later the same day") << false;
    QTest::newRow("the next day") << true;
}

void ScreensTest::newDayReloadsOnceAndNewTimeNever()
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
    int changes = 0, started = 0;
    QObject::connect(&model, &Model::loadingScheduleChanged, screen.view.get(), [&] {
        ++changes;
        started += model.loadingSchedule() ? 1 : 0;
    });
    model.setFollowNow(false);
    model.setDate(nextDay ? screen.rig.now().addDays(1) : lesson->before);
    if (nextDay) {
        QTRY_COMPARE(started, 1);
        QTRY_VERIFY(!model.loadingSchedule());
        settle();
        QCOMPARE(started, 1);
        return;
    }
    settle();
    QCOMPARE(changes, 0);
    // The answer follows the new moment without a reload: the next lesson now.
    QTRY_COMPARE(screen.view->resultArea()->lessonCards().size(), 1);
    QCOMPARE(screen.view->resultArea()->lessonCards().first()->state(), CourseState::upcoming);
}

void ScreensTest::chineseKeyEventsReachTheModel()
{
    Screen screen;
    const QString name = screen.rig.school().students.first().name;
    typeText(screen.field(), name);
    QCOMPARE(screen.field()->text(), name);
    QTRY_COMPARE(screen.queries(), QStringList{name});
    QTRY_VERIFY(!screen.view->suggestions().isEmpty());
    QCOMPARE(std::get<Student>(screen.view->suggestions().first().value).name, name);
}

void ScreensTest::suggestionErrorIsShownAsPlainText()
{
    Screen screen;
    const QString markup = QStringLiteral("<h1>出错</h1><a href=\"x\">点这里</a> & <b>重试</b>");
    screen.rig.platform.faults().answer(
        QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage"), demo::refusal(1, markup),
        demo::Faults::always);
    typeText(screen.field(), QStringLiteral("xyz"));
    QTRY_VERIFY(!screen.rig.model->suggestionError().isEmpty());
    settle();
    SuggestionPanel *panel = screen.view->searchBox()->panel();
    QVERIFY(panel->message().startsWith(markup));
    for (const QLabel *label : panel->findChildren<QLabel *>())
        QCOMPARE(label->textFormat(), Qt::PlainText);
}

void ScreensTest::springingShadowMatchesDirectPaint_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("dropdown");
    QTest::newRow("open dropdown") << 420 << 1.0 << true << true;
    QTest::newRow("open dropdown at twice the pixels") << 421 << 2.0 << true << true;
    QTest::newRow("open dropdown at one and a half") << 420 << 1.5 << true << true;
    QTest::newRow("the other rows at one and a half") << 423 << 1.5 << true << true;
    QTest::newRow("focused field at one and a half") << 166 << 1.5 << true << false;
    QTest::newRow("resting field") << 150 << 1.0 << false << false;
    QTest::newRow("too low to stretch") << 100 << 1.0 << true << true;
}

void ScreensTest::springingShadowMatchesDirectPaint()
{
    QFETCH(int, height);
    QFETCH(qreal, ratio);
    QFETCH(bool, focused);
    QFETCH(bool, dropdown);
    SearchShadow shadow;
    shadow.setLook(focused, dropdown);
    const auto render = [&] {
        QImage image((QSizeF(shadow.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        shadow.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    // Twice while it springs, the second time from the pictures the first drew; then at rest.
    shadow.resize(700, height - 1);
    render();
    shadow.resize(700, height);
    const QImage springing = render();
    const auto *settling = shadow.findChild<QTimer *>();
    QVERIFY(settling && settling->isActive());
    QTRY_VERIFY(!settling->isActive());
    QCOMPARE(springing, render());
}

QTEST_MAIN(ScreensTest)

#include "tst_screens.moc"
