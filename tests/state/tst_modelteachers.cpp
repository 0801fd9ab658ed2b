#include "modelrig.h"
#include "suites.h"
#include "tests/lookup/smallschool.h"

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;

namespace {

const QString tablesPath = QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable");

const CourseOption maths{501, QStringLiteral("数学"), QStringLiteral("Maths")};
const CourseOption music{502, QStringLiteral("音乐"), QStringLiteral("Music")};
const CourseOption english{504, QStringLiteral("英语"), QStringLiteral("English")};

CourseTaskOption termTask(qint64 id)
{
    return {id,
            QStringLiteral("课表%1").arg(id),
            QStringLiteral("Timetable %1").arg(id),
            QStringLiteral("2025-02-17"),
            QStringLiteral("2025-07-06"),
            true};
}

// A model in teacher mode over the simulated platform, signed in, at a clock the test sets.
struct TeacherRig : ModelRig
{
    explicit TeacherRig(demo::SchoolData data, QDateTime start = school::at(school::monday(), 8, 40))
        : ModelRig(std::move(data), start)
    {
        model->setQueryKind(QueryKind::Teacher);
        signIn();
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

template <typename T> QList<qint64> idsOf(const QList<T> &items)
{
    QList<qint64> ids;
    for (const T &item : items)
        ids.append(item.id);
    return ids;
}

} // namespace

Q_DECLARE_METATYPE(TeacherDirectory)
Q_DECLARE_METATYPE(TeacherSearchKind)
Q_DECLARE_METATYPE(SuggestionStage)

class ModelTeachersTest : public QObject
{
    Q_OBJECT

private slots:
    void followsTasksCoursesAndTeachersToTheCurrentLesson();
    void suggestionsFollowTheDirectory_data();
    void suggestionsFollowTheDirectory();
    void pickedCourseKeepsTheCourseList();
    void dayOutsideTheTaskStartsTheSearchOver_data();
    void dayOutsideTheTaskStartsTheSearchOver();
};

void ModelTeachersTest::followsTasksCoursesAndTeachersToTheCurrentLesson()
{
    TeacherRig rig(teacherSchool(true));
    Model &model = *rig.model;

    rig.search(QStringLiteral("s"), TeacherSearchKind::Course);
    QCOMPARE(model.suggestionStage(), SuggestionStage::Tasks);
    QCOMPARE(idsOf(model.taskChoices()), (QList<qint64>{21, 22}));
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
    QCOMPARE(rig.api->askedTask, 21);
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

void ModelTeachersTest::suggestionsFollowTheDirectory_data()
{
    QTest::addColumn<TeacherDirectory>("directory");
    QTest::addColumn<TeacherSearchKind>("kind");
    QTest::addColumn<bool>("autoSelect");
    QTest::addColumn<SuggestionStage>("stage");
    QTest::addColumn<QList<qint64>>("teachers");
    QTest::addColumn<QList<qint64>>("courses");
    QTest::addColumn<qint64>("selected");

    const CourseTaskOption task = termTask(21);
    const QList<Teacher> two{{2, QStringLiteral("王伟"), {}}, {1, QStringLiteral("李雷"), {}}};
    const QList<Teacher> tie{{3, QStringLiteral("王伟"), {}}, {1, QStringLiteral("李雷"), {}}, two.first()};
    const QList<qint64> none;
    using Kind = TeacherSearchKind;
    using Stage = SuggestionStage;
    QTest::newRow("no task settled") << TeacherDirectory{{task, termTask(22)}, std::nullopt, {}, std::nullopt, {}}
                                     << Kind::Name << true << Stage::Tasks << none << none << qint64(0);
    QTest::newRow("courses to choose from") << TeacherDirectory{{task}, task, {maths, music}, std::nullopt, {}}
                                            << Kind::Course << true << Stage::Courses << none
                                            << QList<qint64>{501, 502} << qint64(0);
    QTest::newRow("no course offered") << TeacherDirectory{{task}, task, {}, std::nullopt, two} << Kind::Course
                                       << false << Stage::People << QList<qint64>{1, 2} << none << qint64(0);
    QTest::newRow("equal names keep their order, two found, nobody picked")
        << TeacherDirectory{{task}, task, {}, std::nullopt, tie} << Kind::Name << true << Stage::People
        << QList<qint64>{1, 3, 2} << none << qint64(0);
    QTest::newRow("one found and picked")
        << TeacherDirectory{{task}, task, {maths}, maths.id, {{7, QStringLiteral("王老师"), {}}}} << Kind::Course
        << true << Stage::People << QList<qint64>{7} << QList<qint64>{501} << qint64(7);
}

void ModelTeachersTest::suggestionsFollowTheDirectory()
{
    QFETCH(TeacherDirectory, directory);
    QFETCH(TeacherSearchKind, kind);
    QFETCH(bool, autoSelect);
    QFETCH(SuggestionStage, stage);
    QFETCH(QList<qint64>, teachers);
    QFETCH(QList<qint64>, courses);
    QFETCH(qint64, selected);
    TeacherRig rig(teacherSchool());
    rig.api->directory = directory;

    rig.search(QStringLiteral("王"), kind, autoSelect);

    const Model &model = *rig.model;
    QCOMPARE(model.teacherDirectory(), directory);
    QCOMPARE(model.suggestionStage(), stage);
    QCOMPARE(idsOf(model.teachers()), teachers);
    QCOMPARE(idsOf(model.courses()), courses);
    QCOMPARE(model.selectedTeacher() ? model.selectedTeacher()->id : 0, selected);
    QCOMPARE(model.selectionPulse(), selected ? 1 : 0);
    QCOMPARE(model.suggestionPulse(), 1);
    if (stage == SuggestionStage::Tasks)
        QCOMPARE(model.taskChoices(), directory.tasks);
}

void ModelTeachersTest::pickedCourseKeepsTheCourseList()
{
    TeacherRig rig(teacherSchool());
    Model &model = *rig.model;
    const CourseTaskOption task = termTask(21);
    rig.api->directory = TeacherDirectory{{task}, task, {maths, music}, std::nullopt, {}};
    rig.search(QStringLiteral("m"), TeacherSearchKind::Course);
    QCOMPARE(model.suggestionStage(), SuggestionStage::Courses);

    rig.api->directory =
        TeacherDirectory{{task}, task, {maths}, std::nullopt, {{7, QStringLiteral("王老师"), {}}}};
    const qint64 pulse = model.suggestionPulse();
    model.chooseCourse(music);
    QVERIFY(rig.searchedAgain(pulse));

    QCOMPARE(rig.api->askedCourse, music.id);
    QCOMPARE(rig.api->askedTask, task.id);
    QCOMPARE(model.suggestionStage(), SuggestionStage::People);
    QCOMPARE(model.courses(), (QList<CourseOption>{maths, music}));
    QCOMPARE(model.selectedCourseID(), music.id);
}

void ModelTeachersTest::dayOutsideTheTaskStartsTheSearchOver_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("searchedAgain");
    QTest::newRow("search repeated") << QStringLiteral("王") << true;
    QTest::newRow("nothing to search") << QString() << false;
}

void ModelTeachersTest::dayOutsideTheTaskStartsTheSearchOver()
{
    QFETCH(QString, query);
    QFETCH(bool, searchedAgain);
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
    const qsizetype requests = rig.fixture.platform.requests().size();

    model.setQuery(query);
    model.setDate(school::at(QDate(2025, 7, 10), 9, 0));
    model.dateChanged();

    if (searchedAgain) {
        QVERIFY(rig.searchedAgain(pulse));
        QVERIFY(!model.selectedTeacher() && !model.teacherSchedule() && !model.week());
        QCOMPARE(model.suggestionError(), QStringLiteral("该日期没有可确认的有效老师课表"));
        QCOMPARE(rig.fixture.platform.requestsTo(tablesPath).size(), 1);
    } else {
        QCoreApplication::processEvents();
        QVERIFY(model.selectedTeacher());
        QCOMPARE(rig.fixture.platform.requests().size(), requests);
        // The loaded day is another day now; the answer says so instead of showing its lessons.
        QVERIFY(model.result() && !model.result()->available);
    }
}

int runModelTeacherTests(int argc, char **argv)
{
    ModelTeachersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_modelteachers.moc"
