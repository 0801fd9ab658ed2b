#include "modelrig.h"
#include "tests/lookup/smallschool.h"

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;

namespace {

const QString tablesPath = QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable");
const QString teacherListPath = QStringLiteral("/api/CourseTask/GetTeacherList");
const QString rosterPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");

const CourseOption maths{501, QStringLiteral("数学"), QStringLiteral("Maths")};
const CourseOption music{502, QStringLiteral("音乐"), QStringLiteral("Music")};
const CourseOption english{504, QStringLiteral("英语"), QStringLiteral("English")};

// A model in teacher mode over the simulated platform, at a clock the test sets.
struct TeacherRig : ModelRig
{
    explicit TeacherRig(demo::SchoolData data, QDateTime start = school::at(school::monday(), 8, 40))
        : ModelRig(std::move(data), start)
    {
        model->setQueryKind(QueryKind::Teacher);
    }

    void search(const QString &query, TeacherSearchKind kind, bool autoSelect = false)
    {
        model->setTeacherSearchKind(kind);
        ModelRig::search(query, autoSelect);
    }

    // Waits until a search posted for a later turn has run and ended.
    bool searchedAgain(qint64 pulse) const
    {
        return QTest::qWaitFor([this, pulse] { return model->suggestionPulse() > pulse && !model->busy(); });
    }
};

// The small school with a term for the G7 and G10 classes; a second default term leaves the choice.
demo::SchoolData teacherSchool(bool twoTerms = false)
{
    demo::SchoolData data = school::school();
    data.tasks = {school::term(21, true, {school::grade7, school::grade10})};
    if (twoTerms)
        data.tasks.append(school::term(22, true, {school::grade7}));
    return data;
}

} // namespace

class ModelTeachersTest : public QObject
{
    Q_OBJECT

private slots:
    void followsTasksCoursesAndTeachersToTheCurrentLesson();
    void dayOutsideTheTaskStartsTheSearchOver();
    void workUnderWayOutlivesAnotherCallsReSignIn_data();
    void workUnderWayOutlivesAnotherCallsReSignIn();
};

void ModelTeachersTest::followsTasksCoursesAndTeachersToTheCurrentLesson()
{
    TeacherRig rig(teacherSchool(true));
    Model &model = *rig.model;

    rig.search(QStringLiteral("s"), TeacherSearchKind::Course);
    QCOMPARE(model.suggestionStage(), SuggestionStage::Tasks);
    QCOMPARE(model.taskChoices().size(), 2);
    QCOMPARE(model.taskChoices().first().id, 21);
    QCOMPARE(model.taskChoices().last().id, 22);
    QVERIFY(model.teachers().isEmpty());

    qint64 pulse = model.suggestionPulse();
    model.chooseTask(model.taskChoices().first());
    QVERIFY(rig.searchedAgain(pulse));
    QCOMPARE(model.suggestionStage(), SuggestionStage::Courses);
    QCOMPARE(model.courses(), (QList<CourseOption>{maths, music, english}));
    QCOMPARE(model.selectedCourseID(), std::nullopt);

    pulse = model.suggestionPulse();
    model.chooseCourse(music);
    QCOMPARE(model.selectedCourseID(), music.id);
    QVERIFY(rig.searchedAgain(pulse));
    QCOMPARE(model.suggestionStage(), SuggestionStage::People);
    QCOMPARE(model.teachers().size(), 1);

    model.selectTeacher(model.teachers().first());
    QCOMPARE(model.scheduleStatus(), Model::readingStatus);
    QCOMPARE(model.selectionPulse(), 1);
    QVERIFY(rig.loaded());
    QCOMPARE(model.scheduleStatus(), QString());
    QCOMPARE(model.chosenTaskID(), 21);
    QVERIFY(model.hasSchedule() && model.week());
    QCOMPARE(model.selectionName(), QStringLiteral("王老师"));
    QCOMPARE(model.selectionSubtitle(), QStringLiteral("任课教师"));
    QCOMPARE(model.placeholder(), QStringLiteral("输入课程名称"));
    const std::optional<ScheduleResult> result = model.result();
    QVERIFY(result && result->available && result->current.size() == 1 && result->next);
    QCOMPARE(result->current.first().lesson.subject, QStringLiteral("数学"));
    QCOMPARE(result->next->lesson.subject, QStringLiteral("音乐"));
}

void ModelTeachersTest::dayOutsideTheTaskStartsTheSearchOver()
{
    TeacherRig rig(teacherSchool());
    Model &model = *rig.model;
    // The only teacher found is picked and read at once.
    rig.search(QStringLiteral(" 王 "), TeacherSearchKind::Name, true);
    QCOMPARE(model.suggestionStage(), SuggestionStage::People);
    QCOMPARE(model.selectedTeacherTask()->id, 21);
    QVERIFY(rig.loaded() && model.teacherSchedule());
    QCOMPARE(model.week(), model.teacherSchedule()->week);
    QCOMPARE(rig.fixture.platform.requestsTo(tablesPath).size(), 1);
    const qint64 pulse = model.suggestionPulse();

    model.setDate(school::at(QDate(2025, 7, 10), 9, 0));
    model.dateChanged();

    QVERIFY(rig.searchedAgain(pulse));
    QVERIFY(!model.selectedTeacher() && !model.teacherSchedule() && !model.week());
    QCOMPARE(model.suggestionError(), QStringLiteral("该日期没有可确认的有效老师课表"));
    QCOMPARE(rig.fixture.platform.requestsTo(tablesPath).size(), 1);
}

void ModelTeachersTest::workUnderWayOutlivesAnotherCallsReSignIn_data()
{
    QTest::addColumn<QString>("held");
    QTest::newRow("the search") << teacherListPath;
    QTest::newRow("the teacher's day") << tablesPath;
    // Voiding the caches calls the class-section fetch off at once: the day's cancellation lands
    // before the re-sign-in's own caller has recorded its success.
    QTest::newRow("the class sections of the teacher's day") << rosterPath;
}

void ModelTeachersTest::workUnderWayOutlivesAnotherCallsReSignIn()
{
    QFETCH(QString, held);
    TeacherRig rig(teacherSchool());
    Model &model = *rig.model;
    rig.api->hold(held);
    model.setQuery(QStringLiteral("王"));
    model.queryEdited();
    // The only teacher found is picked and read at once.
    const auto search = launch(model.searchLive(true, true));
    // Everything else of the flow has been answered under the old session.
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 1 && rig.api->inFlight() == 1; }));

    // The session check meets the expired session and signs in again while the request waits to go.
    rig.fixture.expireSessions();
    awaitTask(model.client()->verify());
    QVERIFY(model.client()->authenticated());
    QCOMPARE(rig.fixture.count(SessionFixture::loginPath), 1);
    rig.api->release(held);

    QVERIFY(QTest::qWaitFor([&] { return search->done; }));
    QVERIFY(rig.loaded());
    QCOMPARE(model.selectionName(), QStringLiteral("王老师"));
    QVERIFY(model.teacherSchedule() && model.week());
    QCOMPARE(model.scheduleStatus(), QString());
    QVERIFY(model.suggestionError().isEmpty());
}

QTEST_GUILESS_MAIN(ModelTeachersTest)

#include "tst_modelteachers.moc"
