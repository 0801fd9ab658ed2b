#include "app/state/memorywebview.h"
#include "app/state/model.h"
#include "core/base/shanghai.h"
#include "suites.h"
#include "tests/lookup/smallschool.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;

namespace {

const QString tablesPath = QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable");

const CourseOption maths{501, QStringLiteral("数学"), QStringLiteral("Maths")};
const CourseOption music{502, QStringLiteral("音乐"), QStringLiteral("Music")};
const CourseOption english{504, QStringLiteral("英语"), QStringLiteral("English")};

// A platform client whose teacher search answers with the directory a test sets, when it sets one,
// and remembers what it was asked.
class DirectoryAPI : public QuorvaleAPI
{
    Q_OBJECT

public:
    using QuorvaleAPI::QuorvaleAPI;

    std::optional<TeacherDirectory> directory;
    std::optional<qint64> askedCourse;
    std::optional<qint64> askedTask;

    QCoro::Task<TeacherDirectory> searchTeachers(QString key, qint64 schoolId, QDateTime date, bool byCourse,
                                                 std::optional<qint64> courseId,
                                                 std::optional<qint64> taskId) override
    {
        askedCourse = courseId;
        askedTask = taskId;
        if (directory) {
            const TeacherDirectory answer = *directory;
            co_return answer;
        }
        co_return co_await QuorvaleAPI::searchTeachers(key, schoolId, date, byCourse, courseId, taskId);
    }
};

CourseTaskOption termTask(qint64 id)
{
    return {id,
            QStringLiteral("课表%1").arg(id),
            QStringLiteral("Timetable %1").arg(id),
            QStringLiteral("2025-02-17"),
            QStringLiteral("2025-07-06"),
            true};
}

// A model in teacher mode over the simulated platform, at a clock the test sets.
struct TeacherRig
{
    explicit TeacherRig(demo::SchoolData data, QDateTime start = school::at(school::monday(), 8, 40))
        : now(start)
    {
        account = data.account;
        demo::serveSchool(fixture.platform, std::move(data));
        api = new DirectoryAPI(fixture.platform.origin(), TransportSettings{}, {});
        auto settings = std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                    QSettings::IniFormat);
        auto *client = new QuorvaleClient(api, fixture.store, new MemoryWebView, std::move(settings));
        model = std::make_unique<Model>(client, [this] { return now; });
        model->setQueryKind(QueryKind::Teacher);
        awaitTask(model->client()->login(account.name, account.password, QString(), false));
        fixture.platform.clearLog();
    }

    void search(const QString &query, TeacherSearchKind kind, bool autoSelect = false)
    {
        model->setTeacherSearchKind(kind);
        model->setQuery(query);
        model->queryEdited();
        awaitTask(model->searchLive(autoSelect, true));
    }

    // Waits until a search posted for a later turn has run and ended.
    bool searchedAgain(qint64 pulse) const
    {
        return QTest::qWaitFor([this, pulse] { return model->suggestionPulse() > pulse && !model->busy(); });
    }

    bool loaded() const
    {
        return QTest::qWaitFor(
            [this] { return !model->loadingSchedule() && model->scheduleStatus() != Model::readingStatus; });
    }

    QTemporaryDir folder;
    SessionFixture fixture;
    demo::DemoAccount account;
    QDateTime now;
    DirectoryAPI *api;
    std::unique_ptr<Model> model;
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
    void autoSelectReadsTheOnlyTeacherFound();
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
    QCOMPARE(model.courses(), (QList<CourseOption>{maths, music, english}));
    QCOMPARE(model.selectedCourseID(), music.id);
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
    QVERIFY(result && result->available);
    QCOMPARE(result->current.size(), 1);
    QCOMPARE(result->current.first().lesson.subject, QStringLiteral("数学"));
    QVERIFY(result->next);
    QCOMPARE(result->next->lesson.subject, QStringLiteral("音乐"));
}

void ModelTeachersTest::autoSelectReadsTheOnlyTeacherFound()
{
    TeacherRig rig(teacherSchool());
    Model &model = *rig.model;

    rig.search(QStringLiteral(" 王 "), TeacherSearchKind::Name, true);

    QCOMPARE(model.suggestionStage(), SuggestionStage::People);
    QVERIFY(model.selectedTeacher());
    QCOMPARE(model.selectedTeacherTask()->id, 21);
    QVERIFY(!model.busy());
    QVERIFY(rig.loaded());
    QVERIFY(model.teacherSchedule());
    QCOMPARE(model.week(), model.teacherSchedule()->week);
    QCOMPARE(rig.fixture.platform.requestsTo(tablesPath).size(), 1);
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
    QTest::newRow("no task settled")
        << TeacherDirectory{{task, termTask(22)}, std::nullopt, {}, std::nullopt, {}}
        << TeacherSearchKind::Name << true << SuggestionStage::Tasks << QList<qint64>{} << QList<qint64>{}
        << qint64(0);
    QTest::newRow("courses to choose from")
        << TeacherDirectory{{task}, task, {maths, music}, std::nullopt, {}} << TeacherSearchKind::Course
        << true << SuggestionStage::Courses << QList<qint64>{} << QList<qint64>{501, 502} << qint64(0);
    QTest::newRow("no course offered")
        << TeacherDirectory{{task}, task, {}, std::nullopt, two} << TeacherSearchKind::Course << false
        << SuggestionStage::People << QList<qint64>{1, 2} << QList<qint64>{} << qint64(0);
    QTest::newRow("equal names keep their order")
        << TeacherDirectory{{task},
                            task,
                            {},
                            std::nullopt,
                            {{3, QStringLiteral("王伟"), {}},
                             {1, QStringLiteral("李雷"), {}},
                             {2, QStringLiteral("王伟"), {}}}}
        << TeacherSearchKind::Name << false << SuggestionStage::People << QList<qint64>{1, 3, 2}
        << QList<qint64>{} << qint64(0);
    QTest::newRow("two found, nobody picked")
        << TeacherDirectory{{task}, task, {}, std::nullopt, two} << TeacherSearchKind::Name << true
        << SuggestionStage::People << QList<qint64>{1, 2} << QList<qint64>{} << qint64(0);
    QTest::newRow("one found and picked")
        << TeacherDirectory{{task}, task, {maths}, maths.id, {{7, QStringLiteral("王老师"), {}}}}
        << TeacherSearchKind::Course << true << SuggestionStage::People << QList<qint64>{7}
        << QList<qint64>{501} << qint64(7);
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
    rig.search(QStringLiteral("王"), TeacherSearchKind::Name, true);
    QVERIFY(rig.loaded() && model.teacherSchedule());
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
