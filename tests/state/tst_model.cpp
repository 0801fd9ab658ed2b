#include "app/state/namesort.h"
#include "app/state/searchsuggestion.h"
#include "core/base/shanghai.h"
#include "modelrig.h"
#include "suites.h"
#include "tests/lookup/smallschool.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QSignalSpy>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;

namespace {

const QString taskListPath = QStringLiteral("/api/CourseTask/GetCourseTasksBySchoolIdForSelect");
const QString rosterPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
const QString tablePath = QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable");

QString rosterKey(const QString &key)
{
    return QStringLiteral("key=") + QString::fromLatin1(QUrl::toPercentEncoding(key)) + QLatin1Char('&');
}

QString tableOf(qint64 studentId)
{
    return QStringLiteral("studentId=%1").arg(studentId);
}

// The small school with one default term for every class.
demo::SchoolData smallSchool()
{
    demo::SchoolData data = school::school();
    data.tasks = {school::term(21, true, {school::grade7, school::grade8, school::grade10, school::french})};
    return data;
}

Student student(qint64 id, const QString &name, qint64 classId = school::grade7)
{
    return {id, name, QString(), classId, QStringLiteral("七年级(1)班"), school::schoolId, 2};
}

QDateTime mondayAt(int hour, int minute)
{
    return school::at(school::monday(), hour, minute);
}

// A model over the simulated platform, at a clock the test sets.
struct Rig : ModelRig
{
    explicit Rig(demo::SchoolData data, QDateTime start = mondayAt(8, 0))
        : ModelRig(std::move(data), start)
    {}

    bool loadedFor(const QString &day) const
    {
        return QTest::qWaitFor([this, day] { return model->table() && model->table()->validFrom == day; });
    }
    // Waits until only `remaining` requests are unanswered.
    bool landed(int remaining = 0) const
    {
        return QTest::qWaitFor([this, remaining] { return api->inFlight() == remaining; });
    }

    // The follow-now timer fires and its posted step runs.
    void tick()
    {
        QMetaObject::invokeMethod(model->findChild<QTimer *>(QStringLiteral("followNow")), "timeout");
        QCoreApplication::processEvents();
    }
};

QStringList names(const QList<Student> &students)
{
    QStringList list;
    for (const Student &student : students)
        list.append(student.name);
    return list;
}

QString currentSubject(const ScheduleResult &result)
{
    return result.current.isEmpty() ? QString() : result.current.first().lesson.subject;
}

QString nextSubject(const ScheduleResult &result)
{
    return result.next ? result.next->lesson.subject : QString();
}

} // namespace

class ModelTest : public QObject
{
    Q_OBJECT

private slots:
    void suggestionIdsAndSubtitles_data();
    void suggestionIdsAndSubtitles();
    void namesSortByScalarsKeepingTies_data();
    void namesSortByScalarsKeepingTies();
    void searchListsSchoolStudentsInNameOrder();
    void searchIsIgnoredOrRefused_data();
    void searchIsIgnoredOrRefused();
    void newerSearchWinsAndOlderLeavesBusyAlone();
    void autoSelectPicksOnlySingleHit_data();
    void autoSelectPicksOnlySingleHit();
    void queryEditedKeepsSelectionAndLoadedData();
    void answerFollowsTheMoment_data();
    void answerFollowsTheMoment();
    void secondSelectionDropsFirstLoad();
    void severalTasksOfferChoiceAndNewDayAsksAgain();
    void failedLoadShowsStatusNotError();
    void sameDayTicksMoveAnswerWithoutRequests();
    void dateChangedRepeatsWhatIsShown_data();
    void dateChangedRepeatsWhatIsShown();
};

void ModelTest::suggestionIdsAndSubtitles_data()
{
    QTest::addColumn<SearchSuggestion>("suggestion");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("subtitle");
    QTest::newRow("student") << SearchSuggestion{student(42, QStringLiteral("李雷"))} << "s-42"
                             << QStringLiteral("七年级(1)班");
    QTest::newRow("course named alike") << SearchSuggestion{CourseOption{7, "AP", "AP"}} << "c-7" << "";
    // Ten characters as a reader counts them, never half a surrogate pair.
    QTest::newRow("task") << SearchSuggestion{CourseTaskOption{-7, "春季", std::nullopt,
                                                               QStringLiteral("𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀"),
                                                               "2025-07-06T00:00:00", std::nullopt}}
                          << "k--7" << QStringLiteral("𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀𠀀 – 2025-07-06");
}

void ModelTest::suggestionIdsAndSubtitles()
{
    QFETCH(SearchSuggestion, suggestion);
    QFETCH(QString, id);
    QFETCH(QString, subtitle);
    QCOMPARE(suggestion.id(), id);
    QCOMPARE(suggestion.subtitle(), subtitle);
}

void ModelTest::namesSortByScalarsKeepingTies_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QList<qint64>>("order");
    // UTF-16 puts the surrogate pair of U+20000 before U+FF21; scalar order puts it after.
    QTest::newRow("supplementary plane") << QStringList{"𠀀", "Ａ"} << QList<qint64>{2, 1};
    QTest::newRow("equal names keep order") << QStringList{"王伟", "李雷", "王伟"} << QList<qint64>{2, 1, 3};
    QTest::newRow("canonical equivalents tie")
        << QStringList{"e\u0301", "d", "\u00e9"} << QList<qint64>{2, 1, 3};
}

void ModelTest::namesSortByScalarsKeepingTies()
{
    QFETCH(QStringList, given);
    QFETCH(QList<qint64>, order);
    QList<Student> students;
    for (qsizetype i = 0; i < given.size(); ++i)
        students.append(student(i + 1, given.at(i)));
    QList<qint64> ids;
    for (const Student &sorted : sortedByName(students))
        ids.append(sorted.id);
    QCOMPARE(ids, order);
}

void ModelTest::searchListsSchoolStudentsInNameOrder()
{
    Rig rig(demo::SampleSchool::generate(school::monday()), mondayAt(10, 0));
    rig.signIn();
    rig.search(QStringLiteral(" 王\n"));

    const QList<Student> &students = rig.model->students();
    QVERIFY(students.size() > 1);
    for (qsizetype i = 1; i < students.size(); ++i)
        QVERIFY(text::compare(students.at(i - 1).name, students.at(i).name) <= 0);
    for (const Student &found : students)
        QCOMPARE(found.schoolId, demo::SampleSchool::schoolId);
    const demo::DemoPlatform &platform = rig.fixture.platform;
    QCOMPARE(platform.requestsTo(taskListPath).first().query.value("schoolId"), QStringLiteral("1"));
    QCOMPARE(platform.requestsTo(rosterPath).first().query.value("key"), QStringLiteral("王"));
    QCOMPARE(rig.model->suggestionPulse(), 1);
    QVERIFY(!rig.model->busy() && rig.model->didSearch());
}

void ModelTest::searchIsIgnoredOrRefused_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QList<qint64>>("schools");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank query") << true << QList<qint64>{school::schoolId} << " \n\t" << QString();
    QTest::newRow("signed out") << false << QList<qint64>{school::schoolId} << "李" << QString();
    QTest::newRow("no school") << true << QList<qint64>{} << "李" << Model::noSchoolMessage;
    QTest::newRow("first school not real") << true << QList<qint64>{0, 12} << "李" << Model::noSchoolMessage;
}

void ModelTest::searchIsIgnoredOrRefused()
{
    QFETCH(bool, signedIn);
    QFETCH(QList<qint64>, schools);
    QFETCH(QString, query);
    QFETCH(QString, message);
    Rig rig(smallSchool());
    rig.fixture.platform.sessions().addAccount({"clerk", "pw", QString(), schools});
    if (signedIn)
        rig.signIn(QStringLiteral("clerk"), QStringLiteral("pw"));

    rig.search(query);
    QCOMPARE(rig.requests(), 0);
    QCOMPARE(rig.model->suggestionError(), message);
    QCOMPARE(rig.model->suggestionPulse(), message.isEmpty() ? 0 : 1);
    QVERIFY(!rig.model->busy() && !rig.model->didSearch());
}

void ModelTest::newerSearchWinsAndOlderLeavesBusyAlone()
{
    Rig rig(smallSchool());
    rig.signIn();
    Model &model = *rig.model;
    rig.api->hold(rosterKey(QStringLiteral("李")));
    rig.api->hold(rosterKey(QStringLiteral("韩梅梅")));
    model.setQuery(QStringLiteral("李"));
    const auto first = launch(model.searchLive(false, true));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 1; }));
    model.setQuery(QStringLiteral("韩梅梅"));
    model.queryEdited();
    const auto second = launch(model.searchLive(false, true));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 2; }));

    QSignalSpy busy(&model, &Model::busyChanged);
    rig.api->release(rosterKey(QStringLiteral("李")));
    QVERIFY(QTest::qWaitFor([&] { return first->done; }));
    QCOMPARE(busy.count(), 0);
    QVERIFY(model.busy() && model.students().isEmpty());
    QCOMPARE(model.suggestionPulse(), 0);

    rig.api->release(rosterKey(QStringLiteral("韩梅梅")));
    QVERIFY(QTest::qWaitFor([&] { return second->done; }));
    QCOMPARE(names(model.students()), QStringList{"韩梅梅"});
    QVERIFY(!model.busy());
    QCOMPARE(model.suggestionPulse(), 1);
}

void ModelTest::autoSelectPicksOnlySingleHit_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("selected");
    QTest::newRow("one hit") << "韩梅梅" << "韩梅梅";
    QTest::newRow("two hits") << "李" << "";
}

void ModelTest::autoSelectPicksOnlySingleHit()
{
    QFETCH(QString, query);
    QFETCH(QString, selected);
    Rig rig(smallSchool());
    rig.signIn();
    rig.search(query, true);
    QCOMPARE(rig.model->selectionName(), selected);
    QCOMPARE(rig.model->selectionPulse(), selected.isEmpty() ? 0 : 1);
    QVERIFY(!rig.model->busy() && rig.loaded());
    QCOMPARE(rig.model->hasSchedule(), !selected.isEmpty());
}

void ModelTest::queryEditedKeepsSelectionAndLoadedData()
{
    Rig rig(smallSchool());
    rig.signIn();
    Model &model = *rig.model;
    rig.search(QStringLiteral("李"));
    QCOMPARE(names(model.students()), (QStringList{"李华", "李雷"}));
    model.select(model.students().at(1));
    QVERIFY(rig.loaded());
    const std::optional<Timetable> table = model.table();
    const std::optional<WeeklySchedule> week = model.week();
    QVERIFY(table && week);

    model.setQuery(QStringLiteral("李 "));
    model.queryEdited();
    QVERIFY(model.students().isEmpty());
    QCOMPARE(model.selectionName(), QStringLiteral("李雷"));
    QCOMPARE(model.table(), table);
    QCOMPARE(model.week(), week);
    QCOMPARE(model.chosenTaskID(), 21);
    QCOMPARE(model.taskChoices().size(), 1);
}

void ModelTest::answerFollowsTheMoment_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("message");
    QTest::newRow("inside a lesson") << mondayAt(8, 45) << "数学" << "音乐" << QString();
    QTest::newRow("between lessons") << mondayAt(9, 20) << "" << "音乐" << QString();
    QTest::newRow("a day not loaded") << school::at(school::monday().addDays(1), 8, 45) << "" << ""
                                      << QStringLiteral("查询日期不在课表有效期内");
}

void ModelTest::answerFollowsTheMoment()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, current);
    QFETCH(QString, next);
    QFETCH(QString, message);
    Rig rig(smallSchool());
    rig.signIn();
    Model &model = *rig.model;
    model.select(student(school::liLei, QStringLiteral("李雷")));
    QVERIFY(model.result()->message.startsWith(QStringLiteral("尚未取得该学生的个人课表")));
    QVERIFY(rig.loaded() && model.hasSchedule());
    QCOMPARE(model.week()->weekStart, school::monday());
    QCOMPARE(model.loadedTaskID(), 21);

    const qsizetype before = rig.requests();
    model.setDate(moment);
    const ScheduleResult answer = *model.result();
    QCOMPARE(answer.available, message.isEmpty());
    QCOMPARE(currentSubject(answer), current);
    QCOMPARE(nextSubject(answer), next);
    if (!message.isEmpty())
        QCOMPARE(answer.message, message);
    QCOMPARE(rig.requests(), before);
}

void ModelTest::secondSelectionDropsFirstLoad()
{
    Rig rig(smallSchool());
    rig.signIn();
    Model &model = *rig.model;
    rig.api->hold(tableOf(school::liLei));
    rig.api->hold(tableOf(school::hanMeimei));
    model.select(student(school::liLei, QStringLiteral("李雷")));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 1; }));
    model.select(student(school::hanMeimei, QStringLiteral("韩梅梅"), school::grade8));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 2; }));

    rig.api->release(tableOf(school::liLei));
    QVERIFY(rig.landed(1));
    QVERIFY(model.loadingSchedule() && !model.table());
    QCOMPARE(model.scheduleStatus(), Model::readingStatus);

    rig.api->release(tableOf(school::hanMeimei));
    QVERIFY(rig.loaded());
    QCOMPARE(model.table()->completeStudentIds, QList<qint64>{school::hanMeimei});
    QCOMPARE(model.scheduleStatus(), QString());
}

void ModelTest::severalTasksOfferChoiceAndNewDayAsksAgain()
{
    demo::SchoolData data = school::school();
    data.tasks = {school::term(21, std::nullopt, {school::grade7}),
                  school::term(22, false, {school::grade7})};
    Rig rig(data);
    rig.signIn();
    Model &model = *rig.model;
    model.select(student(school::liLei, QStringLiteral("李雷")));
    QVERIFY(rig.loaded() && !model.table());
    QCOMPARE(model.taskChoices().size(), 2);
    QCOMPARE(model.scheduleStatus(), Model::chooseTaskStatus);
    QCOMPARE(model.suggestionStage(), SuggestionStage::Tasks);
    QCOMPARE(model.suggestionPulse(), 1);

    model.chooseTask(model.taskChoices().at(1));
    QCOMPARE(model.chosenTaskID(), 22);
    QVERIFY(rig.loadedFor(QStringLiteral("2025-03-03")));
    QCOMPARE(model.loadedTaskID(), 22);

    // Another day asks again without the task chosen for the day before.
    model.setDate(school::at(school::monday().addDays(2), 9, 0));
    model.dateChanged();
    QCoreApplication::processEvents();
    QVERIFY(rig.loaded() && !model.table());
    QCOMPARE(model.scheduleStatus(), Model::chooseTaskStatus);
}

void ModelTest::failedLoadShowsStatusNotError()
{
    Rig rig(smallSchool(), school::at(QDate(2025, 8, 1), 9, 0));
    rig.signIn();
    rig.model->select(student(school::liLei, QStringLiteral("李雷")));
    QVERIFY(rig.loaded());
    QCOMPARE(rig.model->scheduleStatus(), QStringLiteral("该日期没有有效的排课任务"));
    QCOMPARE(rig.model->error(), QString());
    QVERIFY(!rig.model->table());
}

void ModelTest::sameDayTicksMoveAnswerWithoutRequests()
{
    Rig rig(smallSchool(), mondayAt(8, 45));
    rig.signIn();
    Model &model = *rig.model;
    // The query screen's wiring: a new day of the moment reloads, a later time of the same day does not.
    QDate shown = shanghai::dateOf(model.date());
    QObject::connect(&model, &Model::dateValueChanged, &model, [&] {
        const QDate day = shanghai::dateOf(model.date());
        if (day == shown)
            return;
        shown = day;
        model.dateChanged();
    });

    rig.search(QStringLiteral("李雷"));
    model.select(model.students().first());
    QVERIFY(rig.loaded());
    QCOMPARE(currentSubject(*model.result()), QStringLiteral("数学"));
    const qsizetype flow = rig.requests();
    for (const QDateTime &moment : {mondayAt(9, 0), mondayAt(9, 15), mondayAt(9, 20)}) {
        rig.now = moment;
        rig.tick();
        QCOMPARE(model.date(), moment);
    }
    QVERIFY(rig.landed());
    QCOMPARE(rig.requests(), flow);
    QCOMPARE(currentSubject(*model.result()), QString());
    QCOMPARE(nextSubject(*model.result()), QStringLiteral("音乐"));

    model.setFollowNow(false);
    rig.now = mondayAt(9, 50);
    rig.tick();
    QCOMPARE(model.date(), mondayAt(9, 20));

    // Past midnight the day's timetable is read again.
    model.setFollowNow(true);
    rig.now = school::at(school::monday().addDays(1), 0, 5);
    rig.tick();
    QVERIFY(rig.loadedFor(QStringLiteral("2025-03-04")));
    QVERIFY(rig.requests() > flow);
}

void ModelTest::dateChangedRepeatsWhatIsShown_data()
{
    QTest::addColumn<bool>("searched");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("asked");
    QTest::newRow("nothing shown") << false << false << taskListPath << 0;
    QTest::newRow("suggestions shown") << true << false << rosterPath << 1;
    QTest::newRow("student chosen") << true << true << tablePath << 1;
}

void ModelTest::dateChangedRepeatsWhatIsShown()
{
    QFETCH(bool, searched);
    QFETCH(bool, selected);
    QFETCH(QString, path);
    QFETCH(int, asked);
    Rig rig(smallSchool());
    rig.signIn();
    Model &model = *rig.model;
    if (searched)
        rig.search(QStringLiteral("李"));
    if (selected) {
        model.select(model.students().first());
        QVERIFY(rig.loaded());
    }
    rig.fixture.platform.clearLog();
    const QList<Student> students = model.students();

    model.setDate(school::at(school::monday().addDays(2), 9, 0));
    model.dateChanged();
    // The reload or the repeated search starts on the next turn of the event loop.
    QCOMPARE(rig.api->inFlight(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(rig.api->inFlight() > 0, asked > 0);
    QVERIFY(rig.landed() && rig.loaded());
    QCOMPARE(rig.fixture.platform.requestsTo(path).size(), asked);
    QCOMPARE(model.students(), students);
    if (selected)
        QCOMPARE(model.table()->validFrom, QStringLiteral("2025-03-05"));
}

int runModelTests(int argc, char **argv)
{
    ModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_model.moc"
