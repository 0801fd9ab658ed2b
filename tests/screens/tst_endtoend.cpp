// The real window against the simulated platform: sign in, look a student up by name, pick the
// suggestion and read the running lesson off its card, checked against the school's own data.

#include "app/look/glyphwidgets.h"
#include "app/look/statusbadge.h"
#include "app/look/tintedlabel.h"
#include "app/screens/contentview.h"
#include "app/screens/lessoncard.h"
#include "app/screens/loginview.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/signinbutton.h"
#include "app/screens/suggestionpanel.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/screenrig.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

void click(QWidget *widget)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, widget->rect().center());
    QCoreApplication::processEvents();
    QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void signInSearchChooseAndReadTheRunningLesson();
};

void EndToEndTest::signInSearchChooseAndReadTheRunningLesson()
{
    ScreenRig rig;
    const std::optional<ExpectedLesson> expected =
        plainLessonAt(rig.school(), shanghai::dateOf(rig.now()), 3);
    QVERIFY(expected);
    rig.setNow(expected->during);
    rig.model->setDate(expected->during);

    ContentView window(rig.model.get(), rig.clock());
    window.resize(1200, 850);
    window.show();
    QApplication::setActiveWindow(&window);

    QTRY_VERIFY(qobject_cast<LoginView *>(window.screen()));
    QTRY_VERIFY(rig.client->ready() && !rig.client->working());
    auto *login = qobject_cast<LoginView *>(window.screen());
    // The form is usable once the screen has caught up with the client.
    QTRY_VERIFY(login->accountField()->isEnabled());
    login->accountField()->setFocus();
    QTest::keyClicks(login->accountField(), rig.school().account.name);
    QTest::keyClick(login->accountField(), Qt::Key_Return);
    QCOMPARE(window.focusWidget(), login->passwordField());
    QTest::keyClicks(login->passwordField(), rig.school().account.password);
    QTRY_VERIFY(login->signInButton()->isEnabled());
    click(login->signInButton());

    QTRY_VERIFY(qobject_cast<QueryView *>(window.screen()));
    auto *query = qobject_cast<QueryView *>(window.screen());
    SearchField *field = query->searchBox()->field();
    click(field);
    QTRY_VERIFY(query->searchFocused());
    typeText(field, expected->studentName);

    const QString id = QStringLiteral("s-%1").arg(expected->studentId);
    SuggestionPanel *panel = query->searchBox()->panel();
    QTRY_VERIFY(panel->list()->isVisible() && panel->rowRect(id).isValid());
    const QPoint row = panel->rowRect(id).center();
    QTest::mousePress(panel->list()->viewport(), Qt::LeftButton, {}, row);
    QCoreApplication::processEvents();
    QTest::mouseRelease(panel->list()->viewport(), Qt::LeftButton, {}, row);

    QTRY_VERIFY(query->resultArea() && query->resultArea()->lessonCards().size() == 1);
    const LessonCard *card = query->resultArea()->lessonCards().first();
    QCOMPARE(query->resultArea()->nameLabel()->text(), expected->studentName);
    QCOMPARE(card->badge()->title(), QStringLiteral("正在上课"));
    QCOMPARE(card->subjectLabel()->text(), expected->subject);
    QCOMPARE(card->roomLabel()->text(), expected->room);
    QCOMPARE(card->countdownPill()->text(), QStringLiteral("距下课 30 分钟"));
}

QTEST_MAIN(EndToEndTest)

#include "tst_endtoend.moc"
