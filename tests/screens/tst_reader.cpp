// What a screen reader is told while a person works the query screen from the keyboard, with the
// accessibility bridge on as under a desktop with a reader running: the focus is never reported on
// anything hidden; the suggestions' highlight, an opened course detail and a lesson's progress are
// heard by what they show.

#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/screens/answergroup.h"
#include "app/screens/contentview.h"
#include "app/screens/lessonprogress.h"
#include "app/screens/loginview.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/segmentedcontrol.h"
#include "app/screens/storagenotice.h"
#include "app/screens/suggestionlist.h"
#include "app/screens/suggestionpanel.h"
#include "app/screens/switchtoggle.h"
#include "app/screens/topbar.h"
#include "app/week/coursedetailcard.h"
#include "app/week/coursetext.h"
#include "app/week/daylabels.h"
#include "app/week/weekcourseblock.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"
#include "tests/support/awaittask.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QTest>
#include <QToolTip>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// The focus reports that reached the bridge, as the widget and the part of it (-1 for itself).
QList<std::pair<QPointer<QObject>, int>> focusReports;

void recordFocus(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::Focus)
        focusReports.append({event->object(), event->child()});
}

// Everything told to the bridge while it lives, as the element it was about when it was told; the
// handler before it still hears all.
class Heard
{
public:
    struct Told
    {
        QAccessible::Event type;
        QString name;
        QAccessible::Role role;
        QString parentName;
    };

    Heard()
        : m_before(QAccessible::installUpdateHandler(&Heard::record))
    {
        told.clear();
        before = m_before;
    }
    ~Heard() { QAccessible::installUpdateHandler(m_before); }

    QList<Told> of(QAccessible::Event type) const
    {
        QList<Told> found;
        for (const Told &one : std::as_const(told)) {
            if (one.type == type)
                found.append(one);
        }
        return found;
    }

    static inline QList<Told> told;

private:
    static void record(QAccessibleEvent *event)
    {
        if (QAccessibleInterface *element = event->accessibleInterface()) {
            QAccessibleInterface *parent = element->parent();
            told.append({event->type(), element->text(QAccessible::Name), element->role(),
                         parent ? parent->text(QAccessible::Name) : QString()});
        }
        if (before)
            before(event);
    }

    static inline QAccessible::UpdateHandler before = nullptr;
    QAccessible::UpdateHandler m_before;
};

// The names of the elements under `element` that say something, in reading order.
void readTexts(QAccessibleInterface *element, QStringList &texts)
{
    for (int index = 0; index < element->childCount(); ++index) {
        QAccessibleInterface *child = element->child(index);
        if (!child || child->state().invisible)
            continue;
        if (const QString name = child->text(QAccessible::Name); !name.isEmpty())
            texts.append(name);
        readTexts(child, texts);
    }
}

} // namespace

class ReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hiddenPartsTakeNoFocus_data();
    void hiddenPartsTakeNoFocus();

    // The first of its kind in the program, so that nothing was asked of the bar before it was made.
    void lessonProgressIsHeardAsABar_data();
    void lessonProgressIsHeardAsABar();
    void suggestionHighlightIsHeard_data();
    void suggestionHighlightIsHeard();
    void suggestionsAreToldAndTypingLeavesNoGoneRow();
    void openedDetailIsNamedByItsCourse_data();
    void openedDetailIsNamedByItsCourse();
    void searchModeIsToldInTheFieldsDescription_data();
    void searchModeIsToldInTheFieldsDescription();
    void answerIsToldOnceAsItChanges_data();
    void answerIsToldOnceAsItChanges();
    void accountButtonSaysItOpensAMenu();
    void storageNoticeShowsItsNoteOnKeyboardFocus();
    void signInMessageIsAnnounced();
};

void ReaderTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
    // Stands for the bridge: what the screens let through ends here.
    QAccessible::installUpdateHandler(&recordFocus);
    // The accessibility bus starts on the first question to it; Qt turns the bridge on once it is there.
    // A plain message: an interface object would leave its introspected description behind.
    const QDBusMessage getAddress =
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    QVERIFY2(QDBusConnection::sessionBus().call(getAddress).type() == QDBusMessage::ReplyMessage,
             "cannot run: no accessibility bus on the private session bus");
    QTRY_VERIFY(QAccessible::isActive());
}

void ReaderTest::hiddenPartsTakeNoFocus_data()
{
    QTest::addColumn<QString>("steps");
    QTest::newRow("the screen appears") << QString();
    QTest::newRow("a day stepped with the calendar closed") << QStringLiteral("day");
    QTest::newRow("Shift+Tab round the screen") << QStringLiteral("back");
}

void ReaderTest::hiddenPartsTakeNoFocus()
{
    QFETCH(QString, steps);
    focusReports.clear();
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    QWidget *window = signedIn.window.get();
    if (!steps.isEmpty())
        focusReports.clear();
    if (steps == QLatin1String("day")) {
        MomentEditor *editor = focusDateEditor(query);
        QVERIFY(editor);
        editor->setCurrentSection(QDateTimeEdit::DaySection);
        const QDate before = editor->date();
        QTest::keyClick(editor, Qt::Key_Up);
        QTest::keyClick(editor, Qt::Key_Up);
        settle();
        QCOMPARE(editor->date(), before.addDays(2));
    } else if (steps == QLatin1String("back")) {
        walk(window, int(tabControls(window).size()), false);
    }
    QVERIFY(!focusReports.isEmpty());
    for (const auto &[object, child] : std::as_const(focusReports)) {
        // Widgets since deleted, such as the sign-in screen's, were shown when they were reported.
        const auto *widget = qobject_cast<const QWidget *>(object.data());
        if (widget && !widget->isVisible())
            QFAIL(qPrintable(
                QStringLiteral("hidden %1, part %2").arg(widget->metaObject()->className()).arg(child)));
    }
}

void ReaderTest::lessonProgressIsHeardAsABar_data()
{
    // Seconds run of a 40-minute lesson.
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<int>("percent");
    QTest::newRow("not begun") << qint64(0) << 0;
    QTest::newRow("a quarter, cut down") << qint64(622) << 25;
    QTest::newRow("over") << qint64(2400) << 100;
}

void ReaderTest::lessonProgressIsHeardAsABar()
{
    QFETCH(qint64, seconds);
    QFETCH(int, percent);
    LessonProgress bar(Appearance::currentGreen);
    bar.setRun({1200, 2400});
    bar.show();
    Heard heard;
    bar.setRun({seconds, 2400});
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(&bar);
    QCOMPARE(element->role(), QAccessible::ProgressBar);
    QCOMPARE(element->text(QAccessible::Name), QStringLiteral("本节课进度"));
    QCOMPARE(element->text(QAccessible::Value), QStringLiteral("%1%").arg(percent));
    QAccessibleValueInterface *value = element->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), percent);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 100);
    QCOMPARE(heard.of(QAccessible::ValueChanged).size(), 1);
}

void ReaderTest::suggestionHighlightIsHeard_data()
{
    QTest::addColumn<QList<int>>("steps");
    // The row highlighted after each step; -1 for the last row.
    QTest::addColumn<QList<int>>("rows");
    QTest::newRow("Down") << QList<int>{1} << QList<int>{0};
    QTest::newRow("Down, Down, Up") << QList<int>{1, 1, -1} << QList<int>{0, 1, 0};
    QTest::newRow("Up") << QList<int>{-1} << QList<int>{-1};
}

void ReaderTest::suggestionHighlightIsHeard()
{
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, rows);
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    SearchField *field = query->searchBox()->field();
    clickAt(signedIn.window.get(), inWindow(field).center());
    typeText(field, QStringLiteral("张"));
    QTRY_VERIFY_WITH_TIMEOUT(query->suggestions().size() > 2 && !signedIn.rig.model->busy(), 15000);
    settle();
    const QList<SearchSuggestion> shown = query->suggestions();
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(query->searchBox()->panel()->list());
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("选择学生"));
    for (qsizetype step = 0; step < steps.size(); ++step) {
        const int row = rows.at(step) < 0 ? int(shown.size()) - 1 : rows.at(step);
        const QString name = suggestionlist::rowHelp(shown.at(row));
        Heard heard;
        QTest::keyClick(field, steps.at(step) > 0 ? Qt::Key_Down : Qt::Key_Up);
        settle();
        QCOMPARE(QApplication::focusWidget(), field);
        const QList<Heard::Told> focus = heard.of(QAccessible::Focus);
        QCOMPARE(focus.size(), 1);
        QCOMPARE(focus.first().name, name);
        QCOMPARE(focus.first().role, QAccessible::ListItem);
        QCOMPARE(focus.first().parentName, QStringLiteral("选择学生"));
        QAccessibleInterface *item = list->child(row);
        QCOMPARE(item->text(QAccessible::Name), name);
        QVERIFY(item->state().selected && item->state().focused);
        QCOMPARE(list->focusChild()->text(QAccessible::Name), name);
        QCOMPARE(list->tableInterface()->selectedCellCount(), 1);
    }
}

void ReaderTest::suggestionsAreToldAndTypingLeavesNoGoneRow()
{
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    SearchField *field = query->searchBox()->field();
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(field);
    clickAt(signedIn.window.get(), inWindow(field).center());
    Heard heard;
    typeText(field, QStringLiteral("张"));
    QTRY_VERIFY_WITH_TIMEOUT(query->suggestions().size() > 2 && !signedIn.rig.model->busy(), 15000);
    settle();
    // The reader of this desktop speaks the new description of the field it is in.
    const QString told = QStringLiteral("选择学生 · %1 项").arg(query->suggestions().size());
    QCOMPARE(element->text(QAccessible::Description), told);
    const QList<Heard::Told> described = heard.of(QAccessible::DescriptionChanged);
    QVERIFY(std::any_of(described.cbegin(), described.cend(),
                        [&](const Heard::Told &one) { return one.name == element->text(QAccessible::Name); }));

    QTest::keyClick(field, Qt::Key_Down);
    settle();
    Heard::told.clear();
    typeText(field, QStringLiteral("文"));
    QTRY_VERIFY_WITH_TIMEOUT(!signedIn.rig.model->busy(), 15000);
    settle();
    // What the keys work on again is the field, not a row of the list before.
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(!heard.of(QAccessible::Focus).isEmpty());
    QCOMPARE(heard.of(QAccessible::Focus).last().name, element->text(QAccessible::Name));
    QCOMPARE(heard.of(QAccessible::Focus).last().role, QAccessible::EditableText);
}

void ReaderTest::openedDetailIsNamedByItsCourse_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Space on the course") << true;
    QTest::newRow("the course's press action") << false;
}

void ReaderTest::openedDetailIsNamedByItsCourse()
{
    QFETCH(bool, byKey);
    SignedInWindow signedIn;
    QVERIFY(signedIn.choose(QStringLiteral("张文博")));
    QTRY_VERIFY(signedIn.rig.model->week());
    settle();
    QWidget *window = signedIn.window.get();
    WeekCourseBlock *block = nullptr;
    for (WeekCourseBlock *candidate : window->findChildren<WeekCourseBlock *>()) {
        if (candidate->isVisible() && classLabel(candidate->event()))
            block = candidate;
    }
    QVERIFY(block);
    const WeekEvent event = block->event();
    block->setFocus(Qt::TabFocusReason);
    Heard heard;
    if (byKey) {
        QTest::keyClick(block, Qt::Key_Space);
    } else {
        QAccessible::queryAccessibleInterface(block)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    }
    settle();
    CourseDetailCard *card = window->findChild<CourseDetailCard *>();
    QVERIFY(card && card->isVisible());
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused == card || card->isAncestorOf(focused));
    const QStringList course{event.subject, detailDate(event.date), clock(event), roomText(event),
                             *event.className};
    const QString name = course.join(QStringLiteral(" · "));
    QCOMPARE(QAccessible::queryAccessibleInterface(focused)->text(QAccessible::Name), name);
    QVERIFY(!heard.of(QAccessible::Focus).isEmpty());
    QCOMPARE(heard.of(QAccessible::Focus).last().name, name);

    // Its texts read in the order they stand, the close button among them.
    QStringList texts;
    readTexts(QAccessible::queryAccessibleInterface(card), texts);
    qsizetype at = texts.indexOf(event.period);
    QVERIFY2(at >= 0 && texts.indexOf(QStringLiteral("关闭课程详情")) > at, qPrintable(texts.join(u'|')));
    for (const QString &text : course) {
        const qsizetype next = texts.indexOf(text, at + 1);
        QVERIFY2(next > at, qPrintable(texts.join(u'|')));
        at = next;
    }
    // Nothing on the screen takes the focus without a name (a focus proxy hands it on).
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->isVisible() && widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy()) {
            QVERIFY2(!QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty(),
                     widget->metaObject()->className());
        }
    }
    // Closed, it hands the focus back to its course and is not read once more.
    Heard::told.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    settle();
    QCOMPARE(QApplication::focusWidget(), block);
    QCOMPARE(heard.of(QAccessible::Focus).size(), 1);
    QCOMPARE(heard.of(QAccessible::Focus).first().name, block->accessibleName());
}

void ReaderTest::searchModeIsToldInTheFieldsDescription_data()
{
    QTest::addColumn<bool>("byCourse");
    QTest::newRow("老师") << false;
    QTest::newRow("老师, then 按课程") << true;
}

void ReaderTest::searchModeIsToldInTheFieldsDescription()
{
    QFETCH(bool, byCourse);
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QWidget *window = signedIn.window.get();
    QList<SegmentedControl *> pickers{query->searchArea()->kindPicker()};
    if (byCourse)
        pickers.append(query->searchArea()->teacherPicker());
    Heard heard;
    for (SegmentedControl *picker : pickers)
        clickAt(window, picker->mapTo(window, picker->segmentRect(1).center()));
    settle();
    const QString placeholder = query->searchBox()->field()->placeholderText();
    QCOMPARE(placeholder, byCourse ? QStringLiteral("输入课程名称") : QStringLiteral("输入老师姓名"));
    QAccessibleInterface *field = QAccessible::queryAccessibleInterface(query->searchBox()->field());
    QCOMPARE(field->text(QAccessible::Description), placeholder);
    QCOMPARE(heard.of(QAccessible::DescriptionChanged).size(), byCourse ? 2 : 1);
}

void ReaderTest::answerIsToldOnceAsItChanges_data()
{
    QTest::addColumn<bool>("begins");
    QTest::newRow("a minute on, the same next lesson") << false;
    QTest::newRow("the lesson begins") << true;
}

void ReaderTest::answerIsToldOnceAsItChanges()
{
    QFETCH(bool, begins);
    SignedInWindow signedIn;
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(signedIn.rig.school(), shanghai::dateOf(signedIn.rig.now()), 3);
    QVERIFY(lesson);
    Model *model = signedIn.rig.model.get();
    model->setFollowNow(false);
    model->setDate(lesson->before);
    QVERIFY(signedIn.choose(lesson->studentName));
    settle();
    QWidget *answer = signedIn.query()->resultArea()->answer();
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(answer);
    const QString before = element->text(QAccessible::Name);
    QCOMPARE(before, QStringLiteral("%1 · 下一节 · %2 · %3 · %4 · %5 · 距上课 10 分钟")
                         .arg(lesson->studentName, lesson->subject, lesson->room, lesson->period, lesson->times));
    Heard heard;
    model->setDate(begins ? lesson->during : lesson->before.addSecs(60));
    settle();
    const QString now = element->text(QAccessible::Name);
    // A running lesson also tells how far it has run, ten minutes in.
    const QString progress = QStringLiteral(" · 本节课进度 %1%").arg(10 * 100 / lesson->length);
    QCOMPARE(now, begins ? QStringLiteral("%1 · 正在上课 · %2 · %3 · %4 · %5")
                                   .arg(lesson->studentName, lesson->subject, lesson->room, lesson->period,
                                        lesson->times) +
                               progress + now.mid(now.lastIndexOf(QStringLiteral(" · ")))
                         : QStringLiteral("%1 · 下一节 · %2 · %3 · %4 · %5 · 距上课 9 分钟")
                               .arg(lesson->studentName, lesson->subject, lesson->room, lesson->period,
                                    lesson->times));
    // The countdown is read when asked for; only a new lesson is told.
    const QList<Heard::Told> renamed = heard.of(QAccessible::NameChanged);
    const qsizetype told = std::count_if(renamed.begin(), renamed.end(),
                                         [&now](const Heard::Told &one) { return one.name == now; });
    QCOMPARE(told, begins ? 1 : 0);
}

void ReaderTest::accountButtonSaysItOpensAMenu()
{
    SignedInWindow signedIn;
    QAccessibleInterface *button =
        QAccessible::queryAccessibleInterface(signedIn.query()->topBar()->accountButton());
    QCOMPARE(button->role(), QAccessible::ButtonMenu);
    QVERIFY(button->state().hasPopup);
    QVERIFY(button->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
}

void ReaderTest::storageNoticeShowsItsNoteOnKeyboardFocus()
{
    QWidget window;
    auto *before = new QLineEdit(&window);
    auto *notice = new StorageNotice(window.font(), &window);
    notice->move(0, 40);
    const QString note = QStringLiteral("暂时无法保存账号，请稍后再试");
    notice->setNote(note);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    before->setFocus();
    // As the window system delivers the keys: each to the widget with the focus at that time.
    QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), notice);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), notice->toolTip());
    QVERIFY(QToolTip::text().contains(note));
    QTest::keyClick(window.windowHandle(), Qt::Key_Backtab);
    QTRY_VERIFY(!QToolTip::isVisible());
}

void ReaderTest::signInMessageIsAnnounced()
{
    ScreenRig rig;
    awaitTask(rig.client->start());
    LoginView view(rig.client);
    view.show();
    view.accountField()->setText(QStringLiteral("demo"));
    view.passwordField()->setText(QStringLiteral("Kejing#Demo1"));
    const QString message = QStringLiteral("请输入验证码完成登录");
    rig.platform.faults().answer(QStringLiteral("/api/MemberShip/Login"), demo::refusal(1002, message));
    Heard heard;
    view.submit();
    QTRY_VERIFY(!view.messageLabel()->text().isEmpty());
    settle();
    QCOMPARE(heard.of(QAccessible::Alert).size(), 1);
    QCOMPARE(heard.of(QAccessible::Alert).first().name, view.messageLabel()->text());
    // What a reader of this desktop speaks: the new description of the field it is in.
    QAccessibleInterface *focused = QAccessible::queryAccessibleInterface(view.passwordField());
    QCOMPARE(focused->text(QAccessible::Description), view.messageLabel()->text());
    const QList<Heard::Told> described = heard.of(QAccessible::DescriptionChanged);
    QVERIFY(std::any_of(described.begin(), described.end(), [focused](const Heard::Told &told) {
        return told.name == focused->text(QAccessible::Name) && told.role == focused->role();
    }));
}

QTEST_MAIN(ReaderTest)

#include "tst_reader.moc"
