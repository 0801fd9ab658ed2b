// Renders the main states of the window to PNG files, from the real widgets fed by the simulated
// platform, so that anyone can look at the screens: quorvale-screenshots OUTPUT_FOLDER

#include "app/look/colourscheme.h"
#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/loginview.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/suggestionmodel.h"
#include "app/screens/suggestionpanel.h"
#include "app/screens/weblogindialog.h"
#include "app/state/memorywebview.h"
#include "app/web/deferredwebview.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/screenrig.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPalette>
#include <QSettings>
#include <QTextStream>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// A web view that can show no page, for the reason the application gives as root with the browser
// engine's sandbox on.
class RootWebView : public MemoryWebView
{
public:
    QWidget *createView(QWidget *) override { return nullptr; }
    QString unavailableReason() const override { return DeferredWebView::sandboxReason(true, false); }
};

// Types a name into the search field, waits for the student's row and clicks it.
bool choose(QueryView &query, const QString &name, qint64 studentId)
{
    SearchField *field = query.searchBox()->field();
    field->setFocus();
    field->setText(name);
    emit field->textEdited(name);
    const QString id = QStringLiteral("s-%1").arg(studentId);
    SuggestionPanel *panel = query.searchBox()->panel();
    if (!ScreenRig::waitFor([&] { return panel->model()->rowOf(id).has_value(); }))
        return false;
    query.choose(panel->model()->at(*panel->model()->rowOf(id)));
    return true;
}

bool fail(const char *step)
{
    QTextStream(stderr) << "screenshots: " << step << Qt::endl;
    return false;
}

bool run(const QString &folder)
{
    ScreenRig rig;
    const demo::SchoolData &school = rig.school();
    const QDate day = shanghai::dateOf(rig.now());
    const std::optional<ExpectedLesson> lesson = plainLessonAt(school, day, 3);
    if (!lesson)
        return fail("no student with a plain lesson in B3");
    rig.setNow(lesson->during);
    rig.model->setDate(lesson->during);

    ContentView window(rig.model.get(), rig.clock());
    window.setWindowTitle(QStringLiteral("课径"));
    window.resize(1200, 850);
    window.show();
    const auto shoot = [&folder, &window](const QString &name) {
        // Let queued passes and layouts settle before the picture.
        ScreenRig::waitFor([] { return false; }, 300);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        QTextStream(stdout) << (window.grab().save(path) ? "wrote " : "FAILED ") << path << Qt::endl;
    };
    const auto login = [&window] { return qobject_cast<LoginView *>(window.screen()); };

    if (!ScreenRig::waitFor([&] { return login() && rig.client->ready(); }))
        return fail("the sign-in screen did not come");
    login()->accountField()->setText(school.account.name);
    shoot(QStringLiteral("01-signin"));

    login()->passwordField()->setText(QStringLiteral("not-the-password"));
    login()->submit();
    if (!ScreenRig::waitFor([&] { return rig.client->captchaData().has_value() && !rig.client->working(); }))
        return fail("no captcha after a wrong password");
    ScreenRig::waitFor([&] { return login()->captchaRow()->isVisible(); }, 2000);
    shoot(QStringLiteral("02-signin-captcha"));

    login()->passwordField()->setText(school.account.password);
    login()->captchaField()->setText(rig.platform.sessions().lastCaptchaCode());
    login()->submit();
    QueryView *query = nullptr;
    if (!ScreenRig::waitFor([&] { return (query = qobject_cast<QueryView *>(window.screen())) != nullptr; }))
        return fail("the sign-in did not reach the query screen");

    SearchField *field = query->searchBox()->field();
    field->setFocus();
    field->setText(lesson->studentName.left(1));
    emit field->textEdited(field->text());
    if (!ScreenRig::waitFor([&] { return query->dropdownVisible() && rig.model->suggestionPulse() > 0; }))
        return fail("no suggestions");
    query->moveHighlight(1);
    query->moveHighlight(1);
    shoot(QStringLiteral("03-query-suggestions"));

    if (!choose(*query, lesson->studentName, lesson->studentId))
        return fail("the student was not suggested");
    if (!ScreenRig::waitFor(
            [&] { return query->resultArea() && !query->resultArea()->lessonCards().isEmpty(); }))
        return fail("no lesson card");
    shoot(QStringLiteral("04-current-lesson"));

    rig.model->setFollowNow(false);
    rig.model->setDate(lesson->before);
    shoot(QStringLiteral("05-next-lesson"));

    // A student with an evening activity the bell schedule gives no times for: the evening cannot
    // be decided.
    const std::optional<Student> busy = studentWithActivity(school, day);
    if (!busy)
        return fail("no student with an activity");
    if (!choose(*query, busy->name, busy->id))
        return fail("the student with an activity was not suggested");
    if (!ScreenRig::waitFor([&] { return rig.model->hasSchedule() && !rig.model->loadingSchedule(); }))
        return fail("no timetable for the student with an activity");
    rig.model->setDate(shanghai::at(day, 18 * 60 + 45));
    shoot(QStringLiteral("06-undecided"));

    rig.model->setDate(lesson->during);
    rig.platform.faults().answer(QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable"),
                                 demo::refusal(1, QStringLiteral("课表服务暂时不可用，请稍后再试")));
    query->resultArea()->reloadButton()->click();
    if (!ScreenRig::waitFor([&] { return query->resultArea()->errorCard() != nullptr; }))
        return fail("no error card");
    shoot(QStringLiteral("07-error"));

    colourscheme::apply(true);
    query->resultArea()->reloadButton()->click();
    if (!ScreenRig::waitFor([&] { return !query->resultArea()->lessonCards().isEmpty(); }))
        return fail("no lesson card after the reload");
    shoot(QStringLiteral("08-dark"));

    query->searchArea()->calendarButton()->click();
    if (!ScreenRig::waitFor([&] { return query->dateControls()->isVisible(); }))
        return fail("the date controls did not open");
    shoot(QStringLiteral("09-date-controls"));
    query->dismissSuggestions();
    colourscheme::apply(false);

    // The teacher search by course, at its second stage: the courses that match.
    rig.model->setQueryKind(QueryKind::Teacher);
    rig.model->setTeacherSearchKind(TeacherSearchKind::Course);
    ScreenRig::waitFor([] { return false; }, 100);
    field->setFocus();
    field->setText(lesson->subject);
    emit field->textEdited(field->text());
    if (!ScreenRig::waitFor([&] {
            return query->dropdownVisible() && rig.model->suggestionStage() == SuggestionStage::Courses &&
                   !query->suggestions().isEmpty();
        }))
        return fail("no courses for the teacher search");
    shoot(QStringLiteral("10-teacher-course-stage"));
    query->dismissSuggestions();

    // The web sign-in sheet where the browser engine cannot start: as root with its sandbox on.
    QuorvaleClient sheetClient(new QuorvaleAPI(rig.platform.origin(), TransportSettings{}, rig.clock()),
                               rig.store, new RootWebView,
                               std::make_unique<QSettings>(QDir(folder).filePath(QStringLiteral("sheet.ini")),
                                                           QSettings::IniFormat));
    WebLoginDialog sheet(&sheetClient, &window);
    sheet.show();
    ScreenRig::waitFor([] { return false; }, 300);
    const QString sheetPath = QDir(folder).filePath(QStringLiteral("11-web-sheet-root.png"));
    QTextStream(stdout) << (sheet.grab().save(sheetPath) ? "wrote " : "FAILED ") << sheetPath << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: quorvale-screenshots OUTPUT_FOLDER" << Qt::endl;
        return 2;
    }
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    return run(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
