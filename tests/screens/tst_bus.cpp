// What a screen reader hears on the accessibility bus: the test registers for object and focus events
// with the accessibility registry, as a reader does, listens to what the application's bridge sends
// and asks the bridge what a control is and which states it has. The closed calendar says nothing;
// the focus the bus last told of is where the keyboard is, after each step of a person's task; every
// control a reader can reach is named.

#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/look/tintedlabel.h"
#include "app/screens/answergroup.h"
#include "app/screens/calendardays.h"
#include "app/screens/captchabutton.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/lessoncard.h"
#include "app/screens/lessonprogress.h"
#include "app/screens/loginview.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/secrettext.h"
#include "app/screens/signinbutton.h"
#include "app/screens/switchtoggle.h"
#include "app/screens/topbar.h"
#include "app/screens/weblogindialog.h"
#include "app/state/memorywebview.h"
#include "app/state/quorvaleclient.h"
#include "app/updates/updatesettingsview.h"
#include "app/week/coursedetailcard.h"
#include "app/week/dayarea.h"
#include "app/week/daycolumn.h"
#include "app/week/deferredsection.h"
#include "app/week/detailoverlay.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"
#include "core/base/shanghai.h"
#include "tests/screens/windowrig.h"
#include "tests/support/awaittask.h"
#include "tests/support/settingsbench.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString registry = QStringLiteral("org.a11y.atspi.Registry");
const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");

// Numbers of the accessibility bus's roles and states, as readers know them.
constexpr uint frameRole = 23;
constexpr uint pushButtonRole = 43;
constexpr uint labelledByRelation = 2;
constexpr uint collapsedState = 5;
constexpr uint expandableState = 9;
constexpr uint expandedState = 10;
constexpr uint focusableState = 11;
constexpr uint focusedState = 12;
constexpr uint showingState = 25;

// The path the bridge gives an element on the bus.
QString pathOf(QAccessibleInterface *element)
{
    return QStringLiteral("/org/a11y/atspi/accessible/%1").arg(QAccessible::uniqueId(element));
}

// The accessible an event on the bus came from, by the number that ends its path.
QAccessibleInterface *sourceOf(const QDBusMessage &message)
{
    bool number = false;
    const QAccessible::Id id = message.path().section(QLatin1Char('/'), -1).toUInt(&number);
    return number ? QAccessible::accessibleInterface(id) : nullptr;
}

// Whether the source is a day of a calendar not shown: a part of the calendar's grid of days, which
// has no object of its own.
bool dayOfHiddenCalendar(QAccessibleInterface *source)
{
    QAccessibleInterface *grid = source && !source->object() ? source->parent() : nullptr;
    const auto *days = grid ? qobject_cast<const QAbstractItemView *>(grid->object()) : nullptr;
    const auto *calendar = days ? qobject_cast<const QCalendarWidget *>(days->parent()) : nullptr;
    return calendar && !calendar->isVisible();
}

// Qt's bridge to the accessibility bus holds back every key a window is sent until the bus's registry
// answers, or 100 ms of waiting for it have passed, then posts a copy to the same receiver; a key whose
// receiver has gone by then is never freed. This watch, ahead of the bridge's, notes each key the bridge
// takes and each copy it hands on.
class HeldKeys : public QObject
{
public:
    using QObject::QObject;

    // Puts the watch ahead of every other, the bridge's included.
    void watch() { QCoreApplication::instance()->installEventFilter(this); }
    // True once every key still to be handed on has been, but for those whose receiver has gone.
    bool allHandedOn()
    {
        m_held.removeIf([](const Key &key) { return !key.receiver; });
        return m_held.isEmpty();
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        const Key key{receiver, event->type(), static_cast<const QKeyEvent *>(event)->key()};
        // What the window system sends is the key the bridge holds back; its copy arrives posted.
        if (event->spontaneous()) {
            m_held.append(key);
        } else {
            const auto copy = std::find(m_held.begin(), m_held.end(), key);
            if (copy != m_held.end())
                m_held.erase(copy);
        }
        return false;
    }

private:
    struct Key
    {
        QPointer<QObject> receiver;
        QEvent::Type type;
        int key;

        bool operator==(const Key &other) const
        {
            return receiver == other.receiver && type == other.type && key == other.key;
        }
    };
    QList<Key> m_held;
};

HeldKeys &heldKeys()
{
    static auto *keys = new HeldKeys(QCoreApplication::instance());
    return *keys;
}

// A window waits until the bridge has handed on every key it was sent before it closes.
void letTheBridgeHandOnItsKeys()
{
    ScreenRig::waitFor([] { return heldKeys().allHandedOn(); }, 10000);
}

// A signed-in window that lets the bridge hand on its keys before it closes.
struct HeardWindow : SignedInWindow
{
    using SignedInWindow::SignedInWindow;
    ~HeardWindow() { letTheBridgeHandOnItsKeys(); }
};

// A sign-in screen in the window with a client ready to sign in.
struct SignInWindow
{
    SignInWindow()
    {
        window.resize(1200, 850);
        window.show();
        QApplication::setActiveWindow(&window);
    }
    ~SignInWindow() { letTheBridgeHandOnItsKeys(); }

    // The screen once the client is ready and its form usable, with the captcha when one is asked for.
    LoginView *usable(bool captcha)
    {
        const auto login = [this] { return qobject_cast<LoginView *>(window.screen()); };
        if (!ScreenRig::waitFor(
                [&] { return login() && rig.client->ready() && login()->accountField()->isEnabled(); }))
            return nullptr;
        if (captcha) {
            rig.platform.sessions().account(rig.school().account.name)->captchaRequired = true;
            awaitTask(rig.client->refreshCaptcha());
            if (!ScreenRig::waitFor([&] { return login()->captchaRow()->isVisible(); }))
                return nullptr;
        }
        settle();
        return login();
    }

    ScreenRig rig;
    ContentView window{rig.model.get(), rig.clock()};
};

// A window signed in with the account remembered, so that the client signs in again by itself when
// the session runs out.
struct RememberingWindow : SignedInWindow
{
    RememberingWindow()
        : SignedInWindow(ScreenRig::defaultMoment(), true)
    {}
    ~RememberingWindow() { letTheBridgeHandOnItsKeys(); }
};

// A web view whose page is a plain widget that takes the keyboard.
class PageWebView : public MemoryWebView
{
public:
    QWidget *createView(QWidget *parent) override
    {
        auto *page = new QWidget(parent);
        page->setFocusPolicy(Qt::StrongFocus);
        return page;
    }
};

} // namespace

class BusTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void closedCalendarStaysSilent_data();
    void closedCalendarStaysSilent();
    void focusGoesWhereTheQueryGoesOn_data();
    void focusGoesWhereTheQueryGoesOn();
    void focusGoesWhereTheSignInGoesOn_data();
    void focusGoesWhereTheSignInGoesOn();
    void accountButtonOpensItsMenuOnItsFirstItem();
    void closingTheAccountMenuTellsTheFocusOnce_data();
    void closingTheAccountMenuTellsTheFocusOnce();
    void dateEditorValueIsThePartTheArrowsStep_data();
    void dateEditorValueIsThePartTheArrowsStep();
    void everyFocusableObjectHasAName_data();
    void everyFocusableObjectHasAName();
    void keyboardKeepsItsPlaceThroughAReSignIn_data();
    void keyboardKeepsItsPlaceThroughAReSignIn();
    void signInFieldAloneIsFocused();
    void queryScreenOpensTellingTheStorageNote();
    void returnPressesTheFocusedButton_data();
    void returnPressesTheFocusedButton();
    void courseBlocksTellTheirDay();
    void answerTellsEachCardsPeriodAndTime();
    void otherArrangementsAreInTheTabOrder();
    void pickedDayTakesTheKeyboardToTheAnswer_data();
    void pickedDayTakesTheKeyboardToTheAnswer();
    void followedMomentIsReachedByTab();
    void reloadedAnswerIsHeardBeforeTheLinkTakesTheKeyboardBack();
    void frequencyPickerIsLabelledByItsRow();
    void calendarOpensOnTheMomentsDayAlone_data();
    void calendarOpensOnTheMomentsDayAlone();
    void calendarTellsEachDayItReaches();
    void typedPasswordNeverGoesOnTheBus();
    void failedWebSignInIsToldInTheSheet();

public slots:
    void hear(const QDBusMessage &message);

private:
    // Waits until every event sent so far has arrived: the bus keeps a sender's order, so once a
    // name change sent now is heard, all before it are too.
    bool heardAllSoFar();
    // What is wrong with the focus the bus last told of, which should be on the widget that has the
    // keyboard, `expected`; empty when nothing is.
    QString focusToldOn(QWidget *expected);
    // Asks the bridge over the bus about the element at `path`, as a reader does.
    QDBusMessage ask(const QString &path, const QString &method, const QVariantList &arguments = {},
                     const QString &interface = accessibleInterface);
    QSet<uint> statesOf(const QString &path);
    // A property of the element at `path`, read through the bus's property interface.
    QVariant propertyOf(const QString &path, const QString &interface, const QString &property);
    QString nameOf(const QString &path);
    // Every object under `path` that shows and takes the focus but has no name, as its path and role.
    void findUnnamedFocusable(const QString &path, QStringList &found);
    // The objects the element at `path` stands in a relation of this kind to, by their paths.
    QStringList relatedTo(const QString &path, uint relation);

    QDBusConnection m_bus{QString()};
    // The application's bridge on the bus, as the sender of what was heard.
    QString m_bridge;
    QWidget m_marker;
    QString m_markerHeard;
    // What was heard from the hidden calendar, as the signal and its first argument.
    QStringList m_fromHiddenCalendar;
    // The name of what was last reported focused.
    QString m_focused;
    // The widget last reported focused.
    QPointer<QObject> m_focusedObject;
    // The names of everything reported focused, in order.
    QStringList m_focusedNames;
    // The paths of everything reported focused, in order.
    QStringList m_focusedPaths;
    // The text changes told of this object, as their kind and text.
    QPointer<QObject> m_textSource;
    QStringList m_textChanges;
};

void BusTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
    // As the program does as it starts.
    secrettext::install();
    const QDBusMessage getAddress =
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusMessage address = QDBusConnection::sessionBus().call(getAddress);
    QVERIFY2(address.type() == QDBusMessage::ReplyMessage,
             "cannot run: no accessibility bus on the private session bus");
    m_bus = QDBusConnection::connectToBus(address.arguments().constFirst().toString(),
                                          QStringLiteral("listener"));
    QVERIFY(m_bus.isConnected());
    for (const char *signal :
         {"StateChanged", "SelectionChanged", "ActiveDescendantChanged", "PropertyChange"})
        QVERIFY(m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                              QString::fromLatin1(signal), this, SLOT(hear(QDBusMessage))));
    QVERIFY(m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                          QStringLiteral("TextChanged"), this, SLOT(hear(QDBusMessage))));
    QVERIFY(m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Focus"),
                          QStringLiteral("Focus"), this, SLOT(hear(QDBusMessage))));
    for (const char *events : {"Object:", "Focus:"}) {
        QDBusMessage registering = QDBusMessage::createMethodCall(
            registry, QStringLiteral("/org/a11y/atspi/registry"), registry, QStringLiteral("RegisterEvent"));
        registering << QString::fromLatin1(events) << QStringList() << QString();
        QCOMPARE(m_bus.call(registering).type(), QDBusMessage::ReplyMessage);
    }
    // The bridge asks the registry for its listeners as it starts.
    QTRY_VERIFY(QAccessible::isActive());
    QVERIFY(heardAllSoFar());
}

void BusTest::init()
{
    // The bridge puts its own watch first again whenever a listener comes or goes.
    heldKeys().watch();
}

void BusTest::hear(const QDBusMessage &message)
{
    const QVariant first = message.arguments().value(0);
    m_bridge = message.service();
    QAccessibleInterface *source = sourceOf(message);
    if (source && source->object() == &m_marker && first == QStringLiteral("accessible-name"))
        m_markerHeard = m_marker.accessibleName();
    else if (dayOfHiddenCalendar(source))
        m_fromHiddenCalendar.append(message.member() + QLatin1Char(' ') + first.toString());
    if (message.member() == QLatin1String("TextChanged") && m_textSource && source &&
        source->object() == m_textSource) {
        m_textChanges.append(first.toString() + QLatin1Char(' ') +
                             qvariant_cast<QDBusVariant>(message.arguments().value(3)).variant().toString());
    }
    if (message.member() == QLatin1String("StateChanged") && first == QStringLiteral("focused") &&
        message.arguments().value(1).toInt() == 1) {
        m_focused = source ? source->text(QAccessible::Name) : QString();
        m_focusedObject = source ? source->object() : nullptr;
        m_focusedNames.append(m_focused);
        m_focusedPaths.append(message.path());
    }
}

bool BusTest::heardAllSoFar()
{
    static int round = 0;
    const QString name = QString::number(++round);
    m_marker.setAccessibleName(name);
    return ScreenRig::waitFor([this, name] { return m_markerHeard == name; }, 10000);
}

void BusTest::closedCalendarStaysSilent_data()
{
    QTest::addColumn<bool>("stepDays");
    QTest::addColumn<bool>("openedBefore");
    QTest::newRow("the screen appears") << false << false;
    QTest::newRow("a day stepped") << true << false;
    QTest::newRow("a day stepped after the calendar was open") << true << true;
}

void BusTest::closedCalendarStaysSilent()
{
    QFETCH(bool, stepDays);
    QFETCH(bool, openedBefore);
    m_fromHiddenCalendar.clear();
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    QVERIFY(heardAllSoFar());
    if (stepDays) {
        MomentEditor *editor = focusDateEditor(query);
        QVERIFY(editor);
        if (openedBefore) {
            QTest::keyClick(editor, Qt::Key_F4);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QVERIFY(heardAllSoFar());
            // The open calendar is heard on the chosen day, by its full date. The day is told a turn
            // after the grid, which may come after the marker above was sent.
            QTRY_COMPARE_WITH_TIMEOUT(m_focused, calendardays::dayName(editor->date()), 10000);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }
        // What closing the calendar sent is heard before the days are stepped.
        QVERIFY(heardAllSoFar());
        m_fromHiddenCalendar.clear();
        editor->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(editor, Qt::Key_Up);
        QTest::keyClick(editor, Qt::Key_Up);
        settle();
    }
    QVERIFY(heardAllSoFar());
    QVERIFY2(m_fromHiddenCalendar.isEmpty(), qPrintable(m_fromHiddenCalendar.join(QStringLiteral(", "))));
}

QString BusTest::focusToldOn(QWidget *expected)
{
    if (!heardAllSoFar())
        return QStringLiteral("the bus fell silent");
    QWidget *focused = QApplication::focusWidget();
    const auto nameOf = [](const QObject *object) {
        return object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("nothing");
    };
    if (focused != expected || m_focusedObject != focused) {
        return QStringLiteral("%1 has the keyboard, the bus told of %2 \"%3\", expected %4")
            .arg(nameOf(focused), nameOf(m_focusedObject), m_focused, nameOf(expected));
    }
    return QAccessible::queryAccessibleInterface(focused)->state().focused
               ? QString()
               : QStringLiteral("not in a focused state");
}

void BusTest::focusGoesWhereTheQueryGoesOn_data()
{
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a suggestion chosen with Return")
        << QStringLiteral("suggestion") << QStringLiteral("answer");
    QTest::newRow("a search that finds one person") << QStringLiteral("search") << QStringLiteral("answer");
    QTest::newRow("Escape in the open suggestions") << QStringLiteral("escape") << QStringLiteral("field");
    QTest::newRow("a moment picked, the date controls closed")
        << QStringLiteral("moment") << QStringLiteral("answer");
}

void BusTest::focusGoesWhereTheQueryGoesOn()
{
    QFETCH(QString, task);
    QFETCH(QString, expected);
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    // A student whose whole name finds no one else.
    const auto &students = signedIn.rig.school().students;
    const auto unique = std::find_if(students.begin(), students.end(), [&students](const auto &candidate) {
        return std::count_if(students.begin(), students.end(), [&candidate](const auto &other) {
                   return other.name.contains(candidate.name);
               }) == 1;
    });
    QVERIFY(unique != students.end());
    const auto &student = *unique;
    if (task == QLatin1String("moment"))
        QVERIFY(signedIn.choose(student.name));
    SearchField *field = query->searchBox()->field();
    QVERIFY(heardAllSoFar());
    if (task == QLatin1String("moment")) {
        MomentEditor *editor = focusDateEditor(query);
        QVERIFY(editor);
        editor->setCurrentSection(QDateTimeEdit::HourSection);
        QTest::keyClick(editor, Qt::Key_Up);
        settle();
        QTRY_VERIFY(signedIn.rig.model->date() != signedIn.rig.now());
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!query->showDate());
    } else {
        field->setFocus(Qt::TabFocusReason);
        // The whole name finds one student; its first character finds several.
        typeText(field, task == QLatin1String("search") ? student.name : student.name.left(1));
        QTRY_VERIFY(!query->suggestions().isEmpty() && !signedIn.rig.model->busy());
        if (task == QLatin1String("search")) {
            QTest::keyClick(field, Qt::Key_Return);
        } else {
            QTest::keyClick(field, Qt::Key_Down);
            // Keys reach the window through the window system, a turn or more later.
            QTRY_VERIFY(query->highlighted());
            QTest::keyClick(field, task == QLatin1String("escape") ? Qt::Key_Escape : Qt::Key_Return);
        }
    }
    QTRY_VERIFY(!query->dropdownVisible() &&
                (expected == QLatin1String("field") || signedIn.rig.model->hasSelection()));
    settle();
    QWidget *target = field;
    if (expected == QLatin1String("answer")) {
        QTRY_VERIFY(query->resultArea() && query->resultArea()->isAncestorOf(QApplication::focusWidget()));
        target = QApplication::focusWidget();
    }
    const QString wrong = focusToldOn(target);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    if (expected == QLatin1String("answer")) {
        QVERIFY2(m_focused.startsWith(signedIn.rig.model->selectionName() + QStringLiteral(" · ")),
                 qPrintable(m_focused));
        // The answer is named anew as the timetable arrives.
        QTRY_VERIFY(!signedIn.rig.model->loadingSchedule());
        settle();
        QVERIFY(heardAllSoFar());
        QVERIFY(QAccessible::queryAccessibleInterface(target)->text(QAccessible::Name) !=
                signedIn.rig.model->selectionName() + QStringLiteral(" · ") + Model::readingStatus);
    }
}

void BusTest::focusGoesWhereTheSignInGoesOn_data()
{
    QTest::addColumn<QString>("task");
    QTest::newRow("a wrong password with Return") << QStringLiteral("password");
    QTest::newRow("a wrong password with the sign-in button") << QStringLiteral("button");
    QTest::newRow("Space on the captcha picture") << QStringLiteral("captcha");
}

void BusTest::focusGoesWhereTheSignInGoesOn()
{
    QFETCH(QString, task);
    const bool captcha = task == QLatin1String("captcha");
    SignInWindow signIn;
    LoginView *login = signIn.usable(captcha);
    QVERIFY(login);
    login->accountField()->setText(signIn.rig.school().account.name);
    QLineEdit *expected = login->passwordField();
    if (captcha) {
        login->captchaButton()->setFocus(Qt::TabFocusReason);
        QVERIFY(heardAllSoFar());
        const QString captchaPath = QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin");
        const qsizetype asked = signIn.rig.platform.requestsTo(captchaPath).size();
        QTest::keyClick(login->captchaButton(), Qt::Key_Space);
        QTRY_VERIFY(signIn.rig.platform.requestsTo(captchaPath).size() > asked);
        expected = login->captchaField();
    } else {
        login->passwordField()->setFocus(Qt::TabFocusReason);
        typeText(login->passwordField(), QStringLiteral("wrong"));
        QTRY_VERIFY(login->signInButton()->isEnabled());
        if (task == QLatin1String("button")) {
            login->signInButton()->setFocus(Qt::TabFocusReason);
            QVERIFY(heardAllSoFar());
            QTest::keyClick(login->signInButton(), Qt::Key_Space);
        } else {
            QTest::keyClick(login->passwordField(), Qt::Key_Return);
        }
        QTRY_VERIFY(!signIn.rig.client->message().isEmpty());
    }
    QTRY_VERIFY(!signIn.rig.client->working());
    settle();
    const QString wrong = focusToldOn(expected);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QVERIFY(expected->isEnabled() && !expected->isReadOnly());
    // What is typed next lands there.
    typeText(QApplication::focusWidget(), QStringLiteral("k7"));
    QCOMPARE(expected->text(), QStringLiteral("k7"));
    if (!captcha)
        QCOMPARE(expected->accessibleDescription(), signIn.rig.client->message());
}

QDBusMessage BusTest::ask(const QString &path, const QString &method, const QVariantList &arguments,
                          const QString &interface)
{
    QDBusMessage question = QDBusMessage::createMethodCall(m_bridge, path, interface, method);
    question.setArguments(arguments);
    // The bridge answers from this very thread, so the wait keeps the events moving.
    return m_bus.call(question, QDBus::BlockWithGui, 10000);
}

QSet<uint> BusTest::statesOf(const QString &path)
{
    const QDBusMessage answer = ask(path, QStringLiteral("GetState"));
    QList<uint> words;
    answer.arguments().value(0).value<QDBusArgument>() >> words;
    QSet<uint> states;
    for (int word = 0; word < words.size(); ++word) {
        for (uint bit = 0; bit < 32; ++bit) {
            if (words.at(word) & (1u << bit))
                states.insert(uint(word) * 32 + bit);
        }
    }
    return states;
}

QVariant BusTest::propertyOf(const QString &path, const QString &interface, const QString &property)
{
    const QDBusMessage answer =
        ask(path, QStringLiteral("Get"), {interface, property}, QStringLiteral("org.freedesktop.DBus.Properties"));
    return answer.arguments().value(0).value<QDBusVariant>().variant();
}

QString BusTest::nameOf(const QString &path)
{
    return propertyOf(path, accessibleInterface, QStringLiteral("Name")).toString();
}

void BusTest::findUnnamedFocusable(const QString &path, QStringList &found)
{
    const QSet<uint> states = statesOf(path);
    if (!states.contains(showingState))
        return;
    if (states.contains(focusableState) && nameOf(path).trimmed().isEmpty())
        found.append(path + QLatin1Char(' ') + ask(path, QStringLiteral("GetRoleName")).arguments().value(0).toString());
    const QDBusMessage children = ask(path, QStringLiteral("GetChildren"));
    const QDBusArgument list = children.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString service;
        QDBusObjectPath child;
        list.beginStructure();
        list >> service >> child;
        list.endStructure();
        findUnnamedFocusable(child.path(), found);
    }
    list.endArray();
}

void BusTest::accountButtonOpensItsMenuOnItsFirstItem()
{
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    MenuButton *button = query->topBar()->accountButton();
    const QString path = pathOf(QAccessible::queryAccessibleInterface(button));
    // The bridge has no role of its own for a button that opens a menu and leaves out the has-popup
    // state: it is a push button that can expand, collapsed while its menu is closed.
    QCOMPARE(ask(path, QStringLiteral("GetRole")).arguments().value(0).toUInt(), pushButtonRole);
    QSet<uint> states = statesOf(path);
    QVERIFY(states.contains(expandableState));
    QVERIFY(states.contains(collapsedState));

    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    QMenu *menu = query->topBar()->accountMenu();
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(heardAllSoFar());
    QTRY_COMPARE_WITH_TIMEOUT(m_focused, QStringLiteral("检查登录状态"), 10000);
    states = statesOf(path);
    QVERIFY(states.contains(expandedState));
    QVERIFY(!states.contains(collapsedState));
    menu->close();
    QTRY_VERIFY(!menu->isVisible());
}

void BusTest::closingTheAccountMenuTellsTheFocusOnce_data()
{
    QTest::addColumn<int>("item");
    // The key pressed on the item, or none where the pointer clicks it.
    QTest::addColumn<int>("key");
    QTest::newRow("closed by Escape") << 0 << int(Qt::Key_Escape);
    QTest::newRow("检查登录状态") << 0 << int(Qt::Key_Return);
    QTest::newRow("退出并忘记账号") << 1 << int(Qt::Key_Return);
    QTest::newRow("退出并忘记账号 clicked") << 1 << 0;
}

// As the account menu closes, the reader is told once where the keys are: back on the button, or
// after a sign-out in the sign-in screen's field, with nothing told of the query screen that went.
void BusTest::closingTheAccountMenuTellsTheFocusOnce()
{
    QFETCH(int, item);
    QFETCH(int, key);
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    MenuButton *button = query->topBar()->accountButton();
    const QString buttonPath = pathOf(QAccessible::queryAccessibleInterface(button));
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    const QPointer<QMenu> menu = query->topBar()->accountMenu();
    QTRY_VERIFY(menu->isVisible());
    QList<QAction *> items = menu->actions();
    items.removeIf([](const QAction *action) { return action->isSeparator(); });
    // The keyboard walks to the item; the pointer goes straight to it.
    const int marked = key == 0 ? 0 : item;
    if (marked > 0)
        QTest::keyClick(menu, Qt::Key_Down);
    QTRY_COMPARE_WITH_TIMEOUT(m_focused, items.at(marked)->text(), 10000);
    QVERIFY(heardAllSoFar());
    m_focusedPaths.clear();
    if (key == 0)
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(items.at(item)).center());
    else
        QTest::keyClick(menu, Qt::Key(key));
    // Keys reach the window through the window system, a turn or more later; a sign-out takes the
    // menu away with its screen.
    QTRY_VERIFY(!menu || !menu->isVisible());
    QTRY_VERIFY(!signedIn.rig.client->working());
    QWidget *expected = button;
    if (item > 0) {
        LoginView *login = nullptr;
        QTRY_VERIFY((login = qobject_cast<LoginView *>(signedIn.window->screen())));
        expected = login->accountField();
        QTRY_COMPARE(QApplication::focusWidget(), expected);
    }
    settle();
    const QString wrong = focusToldOn(expected);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    // The button is told once as the menu closes, and after a sign-out not again once it has gone.
    const qsizetype told = m_focusedPaths.count(buttonPath);
    QVERIFY2(item > 0 ? told <= 1 : told == 1, qPrintable(m_focusedPaths.join(QStringLiteral(" | "))));
}

void BusTest::dateEditorValueIsThePartTheArrowsStep_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::newRow("day") << int(QDateTimeEdit::DaySection) << 1 << 31;
    QTest::newRow("hour") << int(QDateTimeEdit::HourSection) << 0 << 23;
}

void BusTest::dateEditorValueIsThePartTheArrowsStep()
{
    QFETCH(int, part);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    HeardWindow signedIn;
    MomentEditor *editor = focusDateEditor(signedIn.query());
    QVERIFY(editor);
    editor->setCurrentSection(QDateTimeEdit::Section(part));
    const QString path = pathOf(QAccessible::queryAccessibleInterface(editor));
    const auto value = [this, &path](const QString &property) {
        return propertyOf(path, QStringLiteral("org.a11y.atspi.Value"), property).toDouble();
    };
    const auto shown = [editor, part] {
        return part == QDateTimeEdit::DaySection ? editor->date().day() : editor->time().hour();
    };
    const int before = shown();
    QCOMPARE(value(QStringLiteral("CurrentValue")), double(before));
    QCOMPARE(value(QStringLiteral("MinimumValue")), double(minimum));
    QCOMPARE(value(QStringLiteral("MaximumValue")), double(maximum));
    // The spin box takes a key's step a moment after the key.
    QTest::keyClick(editor, Qt::Key_Up);
    QTRY_COMPARE(shown(), before + 1);
    QCOMPARE(value(QStringLiteral("CurrentValue")), double(before + 1));
}

void BusTest::everyFocusableObjectHasAName_data()
{
    QTest::addColumn<QString>("shown");
    QTest::newRow("sign-in with a captcha") << QStringLiteral("sign-in");
    QTest::newRow("the query screen") << QStringLiteral("query");
    QTest::newRow("query, a student's answer and week") << QStringLiteral("student");
    QTest::newRow("the settings window without an update host") << QStringLiteral("settings");
}

void BusTest::everyFocusableObjectHasAName()
{
    QFETCH(QString, shown);
    const bool settings = shown == QLatin1String("settings");
    m_focused.clear();
    std::unique_ptr<SignInWindow> signIn;
    std::unique_ptr<HeardWindow> signedIn;
    std::unique_ptr<SettingsBench> bench;
    QWidget *window = nullptr;
    if (settings) {
        bench = std::make_unique<SettingsBench>();
        window = &bench->window;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // As the desktop does when the window opens.
        QApplication::setActiveWindow(window);
    } else if (shown == QLatin1String("sign-in")) {
        signIn = std::make_unique<SignInWindow>();
        QVERIFY(signIn->usable(true));
        window = &signIn->window;
    } else {
        signedIn = std::make_unique<HeardWindow>();
        window = signedIn->window.get();
        if (shown == QLatin1String("student"))
            QVERIFY(signedIn->choose(signedIn->rig.school().students.first().name));
    }
    settle();
    QVERIFY(heardAllSoFar());
    if (settings) {
        // The window opens on its close button, which tells why the settings are greyed out.
        QCOMPARE(m_focused, QStringLiteral("关闭"));
        const QString focused = pathOf(QAccessible::queryAccessibleInterface(QApplication::focusWidget()));
        QCOMPARE(propertyOf(focused, accessibleInterface, QStringLiteral("Description")).toString(),
                 QStringLiteral("此构建尚未配置更新地址"));
        const QString path = pathOf(QAccessible::queryAccessibleInterface(window));
        QCOMPARE(ask(path, QStringLiteral("GetRole")).arguments().value(0).toUInt(), frameRole);
        QCOMPARE(nameOf(path), QStringLiteral("设置"));
    }
    QStringList unnamed;
    findUnnamedFocusable(pathOf(QAccessible::queryAccessibleInterface(window)), unnamed);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void BusTest::keyboardKeepsItsPlaceThroughAReSignIn_data()
{
    QTest::addColumn<QString>("place");
    QTest::newRow("typing in the search field") << QStringLiteral("field");
    QTest::newRow("the answer") << QStringLiteral("answer");
    QTest::newRow("a suggestion highlighted, Return meanwhile") << QStringLiteral("suggestion");
    QTest::newRow("the search field over an answer, suggestions closed") << QStringLiteral("over answer");
    QTest::newRow("the date line's calendar button") << QStringLiteral("calendar");
    QTest::newRow("the date editor of the open date controls") << QStringLiteral("editor");
}

// The session runs out while the person works on; the client signs in again with the saved account
// and the screen comes back. The keyboard is where it was, the bus last told of that control, the
// suggestions are as they were, and what was typed before, during and after the new sign-in counts.
void BusTest::keyboardKeepsItsPlaceThroughAReSignIn()
{
    QFETCH(QString, place);
    RememberingWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    const QString student = QStringLiteral("张文博");
    SearchField *field = query->searchBox()->field();
    if (place == QLatin1String("answer") || place == QLatin1String("over answer")) {
        QVERIFY(signedIn.choose(student));
        QTRY_VERIFY(query->resultArea() && query->resultArea()->answer()->hasFocus());
        if (place == QLatin1String("over answer")) {
            field->setFocus(Qt::BacktabFocusReason);
            QTest::keyClick(field, Qt::Key_Escape);
            QTRY_VERIFY(!query->dropdownVisible() && query->searchFocused());
        }
    } else if (place == QLatin1String("calendar")) {
        query->searchArea()->calendarButton()->setFocus(Qt::TabFocusReason);
    } else if (place == QLatin1String("editor")) {
        QVERIFY(focusDateEditor(query));
    } else {
        field->setFocus(Qt::TabFocusReason);
        typeText(field, place == QLatin1String("field") ? QStringLiteral("k1") : student);
        if (place == QLatin1String("suggestion")) {
            // The search for the whole name has run, not only one for the first characters typed.
            const QTimer *debounce = query->findChild<QTimer *>(QStringLiteral("debounce"));
            QVERIFY(debounce);
            QTRY_VERIFY(!debounce->isActive() && !query->suggestions().isEmpty() && !signedIn.rig.model->busy());
            QTest::keyClick(field, Qt::Key_Down);
            QTRY_VERIFY(query->highlighted());
        }
    }
    settle();
    const bool suggestionsShown = query->dropdownVisible();
    QVERIFY(heardAllSoFar());

    // The platform holds the new sign-in, so that keys can come while it runs.
    const QPointer<QueryView> before = query;
    signedIn.rig.platform.sessions().expireAll();
    signedIn.rig.platform.faults().hold(QStringLiteral("/api/MemberShip/Login"));
    QCoro::Task<> check = signedIn.rig.client->verify();
    QTRY_VERIFY(signedIn.window->shownPhase() == SessionPhase::Restoring &&
                signedIn.rig.platform.heldCount() > 0);
    QVERIFY(heardAllSoFar());
    QCOMPARE(m_focused, QStringLiteral("正在重新登录…"));
    if (place == QLatin1String("field")) {
        typeText(QApplication::focusWidget(), QStringLiteral("k2"));
    } else if (place == QLatin1String("suggestion")) {
        // Through the window, as the window system sends it: the bridge to the bus holds the key back
        // and then hands it to the window, which gives it to the field that keeps the keyboard under
        // the re-sign-in's screen.
        QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Return);
    }
    signedIn.rig.platform.releaseHeld();
    awaitTask(std::move(check));
    QTRY_VERIFY(before && signedIn.query() == before);
    settle();
    query = signedIn.query();
    field = query->searchBox()->field();
    QWidget *expected = field;
    if (place == QLatin1String("field")) {
        typeText(QApplication::focusWidget(), QStringLiteral("k3"));
        QCOMPARE(field->text(), QStringLiteral("k1k2k3"));
        QCOMPARE(signedIn.rig.model->query(), field->text());
    } else if (place == QLatin1String("calendar")) {
        expected = query->searchArea()->calendarButton();
    } else if (place == QLatin1String("editor")) {
        QVERIFY(query->showDate());
        expected = query->dateControls()->editor();
    } else if (place != QLatin1String("over answer")) {
        // Return chose the highlighted student, and the answer took the keyboard.
        QTRY_VERIFY_WITH_TIMEOUT(query->resultArea() && query->resultArea()->answer()->hasFocus(), 20000);
        expected = query->resultArea()->answer();
        QCOMPARE(signedIn.rig.model->selectionName(), student);
    }
    settle();
    QCOMPARE(query->dropdownVisible(), suggestionsShown && place == QLatin1String("field"));
    const QString wrong = focusToldOn(expected);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

// The card around a sign-in field is not told focused beside the field that has the keyboard.
void BusTest::signInFieldAloneIsFocused()
{
    SignInWindow signIn;
    LoginView *login = signIn.usable(false);
    QVERIFY(login);
    QTRY_COMPARE(QApplication::focusWidget(), login->accountField());
    QVERIFY(heardAllSoFar());
    const auto focusedHere = [this](QWidget *widget) {
        return statesOf(pathOf(QAccessible::queryAccessibleInterface(widget))).contains(focusedState);
    };
    QVERIFY(focusedHere(login->accountField()));
    QVERIFY(!focusedHere(login->accountField()->parentWidget()));
}

// A sign-in that could not update the keyring opens the query screen on the search field, whose
// description tells the note as the field is heard.
void BusTest::queryScreenOpensTellingTheStorageNote()
{
    SignInWindow signIn;
    QVERIFY(signIn.usable(false));
    signIn.rig.store->failRemove = true;
    signIn.rig.signIn(false);
    const QString note = signIn.rig.client->storageMessage();
    QVERIFY(!note.isEmpty());
    QueryView *query = nullptr;
    QTRY_VERIFY((query = qobject_cast<QueryView *>(signIn.window.screen())));
    settle();
    const QString wrong = focusToldOn(query->searchBox()->field());
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    const QString path = pathOf(QAccessible::queryAccessibleInterface(query->searchBox()->field()));
    const QString description = propertyOf(path, accessibleInterface, QStringLiteral("Description")).toString();
    QVERIFY2(description.contains(note), qPrintable(description));
}

QStringList BusTest::relatedTo(const QString &path, uint relation)
{
    const QDBusMessage answer = ask(path, QStringLiteral("GetRelationSet"));
    const QDBusArgument relations = answer.arguments().value(0).value<QDBusArgument>();
    QStringList found;
    relations.beginArray();
    while (!relations.atEnd()) {
        uint kind = 0;
        relations.beginStructure();
        relations >> kind;
        relations.beginArray();
        while (!relations.atEnd()) {
            QString service;
            QDBusObjectPath target;
            relations.beginStructure();
            relations >> service >> target;
            relations.endStructure();
            if (kind == relation)
                found.append(target.path());
        }
        relations.endArray();
        relations.endStructure();
    }
    relations.endArray();
    return found;
}

namespace {

// A language group's lesson without times on the week's first day, which the grid cannot draw and
// lists among the other arrangements.
void addUntimedLesson(WeekTimetableView *week)
{
    WeeklySchedule schedule = week->schedule();
    WeekEvent untimed = schedule.days.first().events.first();
    untimed.id = QStringLiteral("untimed");
    untimed.period = QStringLiteral("SFL");
    untimed.subject = QStringLiteral("日语");
    untimed.className = QStringLiteral("初中日语组");
    untimed.start.reset();
    untimed.end.reset();
    schedule.days.first().events.append(untimed);
    week->setSchedule(schedule);
}

// The week of the person shown, once the screen shows it; none when it never does.
WeekTimetableView *shownWeek(QueryView *query)
{
    const auto week = [query] { return query->resultArea() ? query->resultArea()->weekView() : nullptr; };
    ScreenRig::waitFor([&week] { return week() != nullptr; });
    return week();
}

// A column's header as a sighted person reads it: 周三 03/12.
QString headerOf(QDate date)
{
    static const QStringList weekdays{QStringLiteral("周一"), QStringLiteral("周二"), QStringLiteral("周三"),
                                      QStringLiteral("周四"), QStringLiteral("周五"), QStringLiteral("周六"),
                                      QStringLiteral("周日")};
    return weekdays.at(date.dayOfWeek() - 1) + date.toString(QStringLiteral(" MM/dd"));
}

} // namespace

void BusTest::returnPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::newRow("the account button") << QStringLiteral("account") << int(Qt::Key_Return);
    QTest::newRow("the calendar button") << QStringLiteral("calendar") << int(Qt::Key_Return);
    QTest::newRow("the calendar button, Enter") << QStringLiteral("calendar") << int(Qt::Key_Enter);
    QTest::newRow("the switch that follows the clock") << QStringLiteral("follow") << int(Qt::Key_Return);
    QTest::newRow("展开至…") << QStringLiteral("full day") << int(Qt::Key_Return);
    QTest::newRow("其他安排") << QStringLiteral("other") << int(Qt::Key_Return);
    QTest::newRow("刷新课表") << QStringLiteral("reload") << int(Qt::Key_Return);
    QTest::newRow("the settings window's close button") << QStringLiteral("close") << int(Qt::Key_Return);
}

void BusTest::returnPressesTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    if (button == QLatin1String("close")) {
        SettingsBench bench;
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        QApplication::setActiveWindow(&bench.window);
        auto *close = bench.window.findChild<QPushButton *>();
        close->setFocus(Qt::TabFocusReason);
        QTest::keyClick(close, Qt::Key(key));
        QTRY_VERIFY(!bench.window.isVisible());
        letTheBridgeHandOnItsKeys();
        return;
    }
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    WeekTimetableView *week = shownWeek(query);
    QVERIFY(week);
    ResultArea *result = query->resultArea();
    QAbstractButton *target = nullptr;
    std::function<bool()> pressed;
    if (button == QLatin1String("account")) {
        target = query->topBar()->accountButton();
        pressed = [query] { return query->topBar()->accountMenu()->isVisible(); };
    } else if (button == QLatin1String("calendar")) {
        target = query->searchArea()->calendarButton();
        pressed = [query] { return query->showDate(); };
    } else if (button == QLatin1String("follow")) {
        query->searchArea()->calendarButton()->click();
        QTRY_VERIFY(query->dateControls()->isVisible());
        target = query->dateControls()->followSwitch();
        const bool before = signedIn.rig.model->followNow();
        pressed = [&signedIn, before] { return signedIn.rig.model->followNow() != before; };
    } else if (button == QLatin1String("full day")) {
        target = week->fullDayToggle();
        const bool before = week->showsFullDay();
        pressed = [week, before] { return week->showsFullDay() != before; };
    } else if (button == QLatin1String("other")) {
        addUntimedLesson(week);
        QTRY_VERIFY(week->deferredSection()->isVisible());
        target = week->deferredSection()->header();
        pressed = [week] { return week->showsDeferred(); };
    } else {
        target = result->reloadButton();
        auto loads = std::make_shared<int>(0);
        QObject::connect(signedIn.rig.model.get(), &Model::loadingScheduleChanged, target,
                         [loads, &signedIn] { *loads += signedIn.rig.model->loadingSchedule(); });
        pressed = [loads] { return *loads > 0; };
    }
    target->setFocus(Qt::TabFocusReason);
    QVERIFY(target->hasFocus());
    QVERIFY(!pressed());
    QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QTRY_VERIFY(pressed());
    if (button == QLatin1String("account")) {
        query->topBar()->accountMenu()->close();
        QTRY_VERIFY(!query->topBar()->accountMenu()->isVisible());
    }
    QTRY_VERIFY(!signedIn.rig.model->loadingSchedule());
}


void BusTest::courseBlocksTellTheirDay()
{
    HeardWindow signedIn;
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    WeekTimetableView *week = shownWeek(signedIn.query());
    QVERIFY(week);
    settle();
    QVERIFY(heardAllSoFar());
    QSet<QDate> days;
    WeekCourseBlock *last = nullptr;
    for (const DayColumn *column : week->dayArea()->columns()) {
        for (WeekCourseBlock *block : column->blocks()) {
            const WeekEvent &event = block->event();
            const QString name = nameOf(pathOf(QAccessible::queryAccessibleInterface(block)));
            // The day first, then the card's summary in its order.
            QVERIFY2(name.startsWith(headerOf(event.date) + QStringLiteral(" · ") + event.period +
                                     QStringLiteral(" · ") + event.subject),
                     qPrintable(name));
            days.insert(event.date);
            last = block;
        }
    }
    QVERIFY(days.size() > 1);
    // The pinned detail is named with its date line.
    last->setFocus(Qt::TabFocusReason);
    QTest::keyClick(last, Qt::Key_Space);
    QTRY_VERIFY(week->detailOverlay()->card());
    const QDate date = last->event().date;
    const QString dateLine = QStringLiteral("%1月%2日 ").arg(date.month()).arg(date.day()) +
                             headerOf(date).section(QLatin1Char(' '), 0, 0);
    const QString detail = nameOf(pathOf(QAccessible::queryAccessibleInterface(week->detailOverlay()->card())));
    QVERIFY2(detail.startsWith(last->event().subject + QStringLiteral(" · ") + dateLine + QStringLiteral(" · ")),
             qPrintable(detail));
}

void BusTest::answerTellsEachCardsPeriodAndTime()
{
    HeardWindow signedIn;
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    QVERIFY(shownWeek(signedIn.query()));
    ResultArea *result = signedIn.query()->resultArea();
    const QList<LessonCard *> cards = result->lessonCards();
    QVERIFY(!cards.isEmpty());
    settle();
    const QString name = nameOf(pathOf(QAccessible::queryAccessibleInterface(result->answer())));
    qsizetype from = 0;
    for (LessonCard *card : cards) {
        // The card's lines in its order: the room, then the period and its times as one line shows them,
        // then a running lesson's progress.
        const QStringList periodAndTime = card->periodLabel()->text().split(QStringLiteral("  ·  "));
        QCOMPARE(periodAndTime.size(), 2);
        QString lines = card->roomLabel()->text() + QStringLiteral(" · ") + periodAndTime.join(QStringLiteral(" · "));
        if (LessonProgress *bar = card->progressBar()) {
            QAccessibleInterface *element = QAccessible::queryAccessibleInterface(bar);
            lines += QStringLiteral(" · ") + element->text(QAccessible::Name) + QLatin1Char(' ') +
                     element->text(QAccessible::Value);
        }
        from = name.indexOf(lines, from);
        QVERIFY2(from >= 0, qPrintable(name));
    }
}

void BusTest::otherArrangementsAreInTheTabOrder()
{
    HeardWindow signedIn;
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    WeekTimetableView *week = shownWeek(signedIn.query());
    QVERIFY(week);
    addUntimedLesson(week);
    DeferredSection *section = week->deferredSection();
    QTRY_VERIFY(section->isVisible());
    section->header()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(section->header(), Qt::Key_Space);
    QTRY_VERIFY(section->expanded());
    settle();
    QVERIFY(heardAllSoFar());
    QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Tab);
    QTRY_VERIFY(QApplication::focusWidget() != section->header());
    QWidget *entry = QApplication::focusWidget();
    QVERIFY(section->isAncestorOf(entry));
    const QString wrong = focusToldOn(entry);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    // The entry with its day, as the list shows it beside it, inside a group named as the list.
    QVERIFY2(m_focused.contains(QStringLiteral("SFL · 日语 · 初中日语组")), qPrintable(m_focused));
    QVERIFY2(m_focused.startsWith(section->groupLabels().first()), qPrintable(m_focused));
    QAccessibleInterface *group = QAccessible::queryAccessibleInterface(entry)->parent();
    while (group && group->role() != QAccessible::Grouping)
        group = group->parent();
    QVERIFY(group);
    QCOMPARE(nameOf(pathOf(group)), section->groupLabels().first());
    QAccessibleInterface *list = group->parent();
    while (list && list->role() != QAccessible::Grouping)
        list = list->parent();
    QVERIFY(list);
    QCOMPARE(nameOf(pathOf(list)), QStringLiteral("其他安排"));
}

void BusTest::pickedDayTakesTheKeyboardToTheAnswer_data()
{
    QTest::addColumn<bool>("click");
    QTest::newRow("Return") << false;
    QTest::newRow("a click") << true;
}

void BusTest::pickedDayTakesTheKeyboardToTheAnswer()
{
    QFETCH(bool, click);
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    QVERIFY(shownWeek(query));
    const QString path = pathOf(QAccessible::queryAccessibleInterface(query->searchArea()->calendarButton()));
    QVERIFY(statesOf(path).contains(collapsedState));
    MomentEditor *editor = focusDateEditor(query);
    QVERIFY(editor);
    // The button that opens the controls says they are open.
    QSet<uint> states = statesOf(path);
    QVERIFY(states.contains(expandableState) && states.contains(expandedState));
    const QDate day = editor->date();
    QSignalSpy loads(signedIn.rig.model.get(), &Model::loadingScheduleChanged);
    QTest::keyClick(editor, Qt::Key_F4);
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto *days = qobject_cast<QAbstractItemView *>(QApplication::focusWidget());
    QVERIFY(days);
    QTest::keyClick(days, Qt::Key_Right);
    QTRY_COMPARE(editor->date(), day.addDays(1));
    if (click) {
        const QRect cell = days->visualRect(days->currentIndex());
        QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        QTest::keyClick(days, Qt::Key_Return);
    }
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QTRY_VERIFY(!query->showDate());
    QTRY_COMPARE(shanghai::dateOf(signedIn.rig.model->date()), day.addDays(1));
    AnswerGroup *answer = query->resultArea()->answer();
    // The new day's timetable is asked for from a later turn of the loop than the pick, and the answer
    // may change before that load starts: only a load that has started and ended gives the new day.
    QTRY_VERIFY_WITH_TIMEOUT(loads.count() >= 2 && !signedIn.rig.model->loadingSchedule() &&
                                 !answer->spoken().contains(Model::readingStatus),
                             30000);
    settle();
    const QString wrong = focusToldOn(answer);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    // The answer for the new day is what the reader now hears.
    const QString answerPath = pathOf(QAccessible::queryAccessibleInterface(answer));
    QTRY_VERIFY_WITH_TIMEOUT(!answer->spoken().contains(Model::readingStatus) &&
                                 nameOf(answerPath) == answer->spoken(),
                             30000);
    QVERIFY(statesOf(path).contains(collapsedState));
}

void BusTest::followedMomentIsReachedByTab()
{
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(signedIn.rig.model->followNow());
    query->searchArea()->calendarButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(query->searchArea()->calendarButton(), Qt::Key_Space);
    QTRY_VERIFY(query->dateControls()->isVisible());
    QVERIFY(heardAllSoFar());
    MomentEditor *editor = query->dateControls()->editor();
    // Tab goes from the button into the controls, to the moment first.
    QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), editor);
    const QString wrong = focusToldOn(editor);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QCOMPARE(m_focused, QStringLiteral("查询时间"));
    // Following the clock, the moment is shown, not changed by the keys.
    const QDateTime shown = editor->dateTime();
    QTest::keyClick(editor, Qt::Key_Up);
    QTest::keyClick(editor, Qt::Key_5);
    settle();
    QCOMPARE(editor->dateTime(), shown);
    QVERIFY(signedIn.rig.model->followNow());
}

void BusTest::reloadedAnswerIsHeardBeforeTheLinkTakesTheKeyboardBack()
{
    HeardWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    QVERIFY(shownWeek(query));
    ResultArea *result = query->resultArea();
    GlyphButton *reload = result->reloadButton();
    reload->setFocus(Qt::TabFocusReason);
    QVERIFY(heardAllSoFar());
    int loads = 0;
    QObject::connect(signedIn.rig.model.get(), &Model::loadingScheduleChanged, reload,
                     [&loads, &signedIn] { loads += signedIn.rig.model->loadingSchedule(); });
    QTest::keyClick(reload, Qt::Key_Space);
    QTRY_COMPARE(loads, 1);
    QTRY_VERIFY(!signedIn.rig.model->loadingSchedule());
    settle();
    const QString wrong = focusToldOn(reload);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    // The link tells the new answer as it takes the keyboard back.
    const QString path = pathOf(QAccessible::queryAccessibleInterface(reload));
    QCOMPARE(propertyOf(path, accessibleInterface, QStringLiteral("Description")).toString(),
             result->answer()->spoken());
    QVERIFY(result->answer()->spoken().startsWith(signedIn.rig.model->selectionName()));
    // Once the keyboard leaves it, it says only what it does.
    query->searchBox()->field()->setFocus(Qt::TabFocusReason);
    QCOMPARE(propertyOf(path, accessibleInterface, QStringLiteral("Description")).toString(), QString());
}

void BusTest::frequencyPickerIsLabelledByItsRow()
{
    SettingsBench bench;
    bench.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
    settle();
    QComboBox *picker = bench.window.findChild<UpdateSettingsView *>()->frequencyPicker();
    const QStringList labels = relatedTo(pathOf(QAccessible::queryAccessibleInterface(picker)), labelledByRelation);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(nameOf(labels.first()), QStringLiteral("检查频率"));
}

void BusTest::calendarOpensOnTheMomentsDayAlone_data()
{
    QTest::addColumn<bool>("openedBefore");
    QTest::newRow("the first time, after an hour was typed") << false;
    QTest::newRow("again, after days were stepped in the editor") << true;
}

void BusTest::calendarOpensOnTheMomentsDayAlone()
{
    QFETCH(bool, openedBefore);
    HeardWindow signedIn;
    MomentEditor *editor = focusDateEditor(signedIn.query());
    QVERIFY(editor);
    QDate day = editor->date();
    if (openedBefore) {
        // Opened once, the calendar follows the editor from then on.
        QTest::keyClick(editor, Qt::Key_F4);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QVERIFY(heardAllSoFar());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(heardAllSoFar());
        editor->setCurrentSection(QDateTimeEdit::DaySection);
        const Qt::Key step = day.day() <= 20 ? Qt::Key_Up : Qt::Key_Down;
        day = day.addDays(step == Qt::Key_Up ? 3 : -3);
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(editor, step);
    } else {
        editor->setSelectedSection(QDateTimeEdit::HourSection);
        typeText(editor, QStringLiteral("10"));
    }
    QTRY_VERIFY(editor->date() == day && (openedBefore || editor->time().hour() == 10));
    settle();
    QVERIFY(heardAllSoFar());
    m_focusedNames.clear();
    QTest::keyClick(editor, Qt::Key_F4);
    QTRY_VERIFY(QApplication::activePopupWidget());
    settle();
    QVERIFY(heardAllSoFar());
    // The reader is told of the grid and the editor's day, and of no other day on the way.
    QVERIFY2(m_focusedNames.filter(QStringLiteral("日")) == QStringList(calendardays::dayName(day)),
             qPrintable(m_focusedNames.join(QStringLiteral(", "))));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

void BusTest::calendarTellsEachDayItReaches()
{
    // A Wednesday of a month's second week: the same place in the next month's grid is five weeks on.
    const QDate opened(2025, 3, 5);
    HeardWindow signedIn(shanghai::at(opened, 10 * 60));
    MomentEditor *editor = focusDateEditor(signedIn.query());
    QVERIFY(editor);
    QCOMPARE(editor->date(), opened);
    // Qt tells the day it starts on as it makes the calendar, while the grid still has a column of week
    // numbers, and the bridge resolves the report to the grid's element at that day's place. Which day
    // that is depends on the machine's clock, so every place of such a grid is resolved here.
    QCalendarWidget *calendar = editor->calendarWidget();
    calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(calendar->focusProxy());
    QVERIFY(grid);
    for (int place = 0; place < grid->childCount(); ++place)
        grid->child(place);
    QVERIFY(heardAllSoFar());
    m_focusedNames.clear();
    m_focusedPaths.clear();
    QTest::keyClick(editor, Qt::Key_F4);
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto *days = qobject_cast<QAbstractItemView *>(QApplication::focusWidget());
    QVERIFY(days);
    // The day is told a turn after the grid.
    QTRY_VERIFY_WITH_TIMEOUT(!m_focusedNames.filter(QStringLiteral("日")).isEmpty(), 10000);
    QCOMPARE(m_focusedNames.filter(QStringLiteral("日")).first(), calendardays::dayName(opened));
    QDate day = opened;
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
        day = day.addDays(key == Qt::Key_Right ? 1 : 7);
        QTest::keyClick(days, key);
        QTRY_COMPARE(editor->date(), day);
        QTRY_COMPARE_WITH_TIMEOUT(m_focused, calendardays::dayName(day), 10000);
    }
    QCOMPARE(day.month(), opened.month() + 1);
    // A reader keeps the name it has learnt of an element: an element told as one day is never told
    // as another.
    QHash<QString, QString> dayOfPath;
    for (qsizetype told = 0; told < m_focusedPaths.size(); ++told) {
        const QString &name = m_focusedNames.at(told);
        const QString known = dayOfPath.value(m_focusedPaths.at(told), name);
        QVERIFY2(known == name, qPrintable(known + QStringLiteral(" told again as ") + name));
        dayOfPath.insert(m_focusedPaths.at(told), name);
    }
    QTest::keyClick(days, Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

void BusTest::typedPasswordNeverGoesOnTheBus()
{
    SignInWindow signIn;
    LoginView *login = signIn.usable(false);
    QVERIFY(login);
    login->accountField()->setText(signIn.rig.school().account.name);
    QPointer<QLineEdit> password = login->passwordField();
    m_textSource = password;
    m_textChanges.clear();
    password->setFocus(Qt::TabFocusReason);
    const QString secret = signIn.rig.school().account.password;
    // Typed with a slip mended, then sent with Return, which empties the field.
    QTest::keyClicks(password, secret + QLatin1Char('x'));
    QTest::keyClick(password, Qt::Key_Backspace);
    // The bridge hands keys on once the bus's registry has heard of them.
    QTRY_COMPARE(password->text(), secret);
    QTest::keyClick(password, Qt::Key_Return);
    // Signed in, the screen goes with its field.
    QTRY_VERIFY(!password || password->text().isEmpty());
    QVERIFY(heardAllSoFar());
    // Each character typed and removed is told, as a character, never as which.
    QCOMPARE(m_textChanges.filter(QStringLiteral("insert ")).size(), secret.size() + 1);
    QCOMPARE(m_textChanges.filter(QStringLiteral("delete ")).size(), 2);
    for (const QString &change : std::as_const(m_textChanges)) {
        const QString text = change.section(QLatin1Char(' '), 1);
        QVERIFY2(!text.isEmpty(), qPrintable(change));
        for (const QChar character : text)
            QVERIFY2(!secret.contains(character) && character != QLatin1Char('x'), qPrintable(change));
    }
}

void BusTest::failedWebSignInIsToldInTheSheet()
{
    ScreenRig rig;
    QuorvaleClient client(
        new QuorvaleAPI(rig.platform.origin(), TransportSettings{}, rig.clock()), rig.store, new PageWebView,
        std::make_unique<QSettings>(rig.folder.filePath(QStringLiteral("web.ini")), QSettings::IniFormat));
    QWidget window;
    window.resize(1000, 760);
    window.show();
    // Deleted as it closes, and never closed here.
    auto *sheet = new WebLoginDialog(&client, &window);
    sheet->show();
    QApplication::setActiveWindow(sheet);
    QVERIFY(QTest::qWaitForWindowActive(sheet));
    sheet->verifyButton()->setFocus(Qt::TabFocusReason);
    QVERIFY(heardAllSoFar());
    // Nobody signed in on the page.
    QTest::keyClick(sheet->verifyButton(), Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(sheet->failureLabel()->isVisible(), 30000);
    QVERIFY(!client.working());
    QVERIFY(!client.message().isEmpty());
    QVERIFY(sheet->isVisible());
    const QString wrong = focusToldOn(sheet->failureLabel());
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QCOMPARE(m_focused, client.message());
}

QTEST_MAIN(BusTest)

#include "tst_bus.moc"
