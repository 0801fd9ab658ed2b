// What a screen reader is told while a person works the query screen from the keyboard, with the
// accessibility bridge on as under a desktop with a reader running: the focus is never reported on
// anything hidden.

#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "app/screens/searcharea.h"
#include "app/screens/switchtoggle.h"
#include "tests/screens/windowrig.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QPointer>
#include <QTest>

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

} // namespace

class ReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hiddenPartsTakeNoFocus_data();
    void hiddenPartsTakeNoFocus();
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
        query->searchArea()->calendarButton()->click();
        settle();
        DateControls *controls = query->dateControls();
        if (controls->followSwitch()->isChecked())
            controls->followSwitch()->click();
        MomentEditor *editor = controls->editor();
        editor->setFocus(Qt::TabFocusReason);
        editor->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(editor, Qt::Key_Up);
        QTest::keyClick(editor, Qt::Key_Up);
        settle();
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

QTEST_MAIN(ReaderTest)

#include "tst_reader.moc"
