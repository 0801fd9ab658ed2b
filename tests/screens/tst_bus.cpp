// What a screen reader hears on the accessibility bus while the query screen stands with its date
// controls: the test registers for object and focus events with the accessibility registry, as a
// reader does, and listens to what the application's bridge sends. The closed calendar says nothing.

#include "app/look/reducemotion.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "tests/screens/windowrig.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QPointer>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString registry = QStringLiteral("org.a11y.atspi.Registry");

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

} // namespace

class BusTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void closedCalendarStaysSilent_data();
    void closedCalendarStaysSilent();

public slots:
    void hear(const QDBusMessage &message);

private:
    // Waits until every event sent so far has arrived: the bus keeps a sender's order, so once a
    // name change sent now is heard, all before it are too.
    bool heardAllSoFar();

    QDBusConnection m_bus{QString()};
    QWidget m_marker;
    QString m_markerHeard;
    // What was heard from the hidden calendar, as the signal and its first argument.
    QStringList m_fromHiddenCalendar;
    // The name of what was last reported focused.
    QString m_focused;
};

void BusTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
    const QDBusMessage getAddress =
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusMessage address = QDBusConnection::sessionBus().call(getAddress);
    QVERIFY2(address.type() == QDBusMessage::ReplyMessage,
             "cannot run: no accessibility bus on the private session bus");
    m_bus = QDBusConnection::connectToBus(address.arguments().constFirst().toString(),
                                          QStringLiteral("listener"));
    QVERIFY(m_bus.isConnected());
    for (const char *signal : {"StateChanged", "SelectionChanged", "ActiveDescendantChanged", "PropertyChange"})
        QVERIFY(m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                              QString::fromLatin1(signal), this,
                              SLOT(hear(QDBusMessage))));
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

void BusTest::hear(const QDBusMessage &message)
{
    const QVariant first = message.arguments().value(0);
    QAccessibleInterface *source = sourceOf(message);
    if (source && source->object() == &m_marker && first == QStringLiteral("accessible-name"))
        m_markerHeard = m_marker.accessibleName();
    else if (dayOfHiddenCalendar(source))
        m_fromHiddenCalendar.append(message.member() + QLatin1Char(' ') + first.toString());
    if (message.member() == QLatin1String("StateChanged") && first == QStringLiteral("focused") &&
        message.arguments().value(1).toInt() == 1)
        m_focused = source ? source->text(QAccessible::Name) : QString();
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
    SignedInWindow signedIn;
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
            // The open calendar is heard on the chosen day.
            QCOMPARE(m_focused, QString::number(editor->date().day()));
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }
        m_fromHiddenCalendar.clear();
        editor->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(editor, Qt::Key_Up);
        QTest::keyClick(editor, Qt::Key_Up);
        settle();
    }
    QVERIFY(heardAllSoFar());
    QVERIFY2(m_fromHiddenCalendar.isEmpty(), qPrintable(m_fromHiddenCalendar.join(QStringLiteral(", "))));
}

QTEST_MAIN(BusTest)

#include "tst_bus.moc"
