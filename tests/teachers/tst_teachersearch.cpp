#include "suites.h"
#include "teacherfixture.h"

#include <QJsonArray>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;
using school::TaskSpec;

namespace {

const QDateTime wednesday = school::at(school::monday().addDays(2), 10, 0);

QList<TaskSpec> ordinaryTasks(int count)
{
    QList<TaskSpec> tasks;
    for (int i = 0; i < count; ++i)
        tasks.append({30 + i, std::nullopt, {school::grade7}});
    return tasks;
}

template <typename T> QStringList idsOf(const QList<T> &items)
{
    QStringList ids;
    for (const T &item : items)
        ids.append(QString::number(item.id));
    return ids;
}

QStringList namesOf(const QList<Teacher> &teachers)
{
    QStringList names;
    for (const Teacher &teacher : teachers)
        names.append(teacher.name);
    return names;
}

QJsonObject teacherRow(const QJsonValue &id, const QString &name, const QString &englishName)
{
    return {
        {QStringLiteral("id"), id}, {QStringLiteral("name"), name}, {QStringLiteral("eName"), englishName}};
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint64>)

class TestTeacherSearch : public QObject
{
    Q_OBJECT

private slots:
    void settlesTheTask_data();
    void settlesTheTask();
    void findsTeachersByName_data();
    void findsTeachersByName();
    void findsTeachersByCourse_data();
    void findsTeachersByCourse();
    void signInDuringTheTeacherListCancelsTheSearch();
};

void TestTeacherSearch::settlesTheTask_data()
{
    QTest::addColumn<QList<TaskSpec>>("tasks");
    QTest::addColumn<qint64>("schoolId");
    QTest::addColumn<std::optional<qint64>>("taskId");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("detailsAsked");

    const QList<qint64> g7{school::grade7};
    const std::optional<qint64> none;
    QTest::newRow("school not confirmed") << QList<TaskSpec>{{21, true, g7}} << qint64(0) << none
                                          << "请先确认学校" << QStringList{} << "" << QStringList{};
    QTest::newRow("readable default alone")
        << QList<TaskSpec>{{21, std::nullopt, g7}, {22, true, g7}} << school::schoolId << none << ""
        << QStringList{"22"} << "22" << QStringList{"22"};
    QTest::newRow("two defaults offered")
        << QList<TaskSpec>{{21, true, g7}, {22, true, g7}} << school::schoolId << none << ""
        << QStringList{"21", "22"} << "" << QStringList{"21", "22"};
    QTest::newRow("unreadable default gives way")
        << QList<TaskSpec>{{21, true, g7, true, 2}, {22, std::nullopt, g7}} << school::schoolId << none << ""
        << QStringList{"22"} << "22" << QStringList{"21", "22"};
    QTest::newRow("task not in effect passed over")
        << QList<TaskSpec>{{21, std::nullopt, g7, false}, {22, std::nullopt, g7}} << school::schoolId << none
        << "" << QStringList{"22"} << "22" << QStringList{"21", "22"};
    QTest::newRow("picked task unreadable")
        << QList<TaskSpec>{{21, true, g7, true, 2}, {22, std::nullopt, g7}} << school::schoolId
        << std::optional<qint64>(21) << "没有可读取的普通一周老师课表；循环日及新高考模板尚未适配"
        << QStringList{} << "" << QStringList{"21"};
    QTest::newRow("picked task not valid")
        << QList<TaskSpec>{{21, true, g7}} << school::schoolId << std::optional<qint64>(99)
        << "所选老师课表在该日期不适用" << QStringList{} << "" << QStringList{};
    QTest::newRow("no task on the day")
        << QList<TaskSpec>{} << school::schoolId << none << "该日期没有可确认的有效老师课表" << QStringList{}
        << "" << QStringList{};
    QStringList twenty;
    for (int i = 0; i < 20; ++i)
        twenty.append(QString::number(30 + i));
    QTest::newRow("twenty valid tasks")
        << ordinaryTasks(20) << school::schoolId << none << "" << twenty << "" << twenty;
    QTest::newRow("twenty-one valid tasks")
        << ordinaryTasks(21) << school::schoolId << none << "该日期没有可确认的有效老师课表" << QStringList{}
        << "" << QStringList{};
}

void TestTeacherSearch::settlesTheTask()
{
    QFETCH(QList<TaskSpec>, tasks);
    QFETCH(qint64, schoolId);
    QFETCH(std::optional<qint64>, taskId);
    QFETCH(QString, failure);
    QFETCH(QStringList, offered);
    QFETCH(QString, chosen);
    QFETCH(QStringList, detailsAsked);

    TeacherFixture fixture;
    fixture.open(school::schoolWith(tasks));
    const Outcome<TeacherTaskChoice> outcome =
        outcomeOf(fixture.api->teacherTaskChoices(schoolId, wednesday, taskId));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(fixture.asked(paths::taskDetail, QStringLiteral("id")), detailsAsked);
    if (schoolId < 1)
        QCOMPARE(fixture.platform.requests().size(), 0);
    if (!failure.isEmpty())
        return;
    QCOMPARE(idsOf(outcome.value->tasks), offered);
    QCOMPARE(outcome.value->chosen ? QString::number(outcome.value->chosen->id) : QString(), chosen);
    QCOMPARE(outcome.value->detail.has_value(), !chosen.isEmpty());
}

void TestTeacherSearch::findsTeachersByName_data()
{
    QTest::addColumn<QJsonArray>("listed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("found");

    const QJsonArray staff{teacherRow(3, QStringLiteral("赵敏"), QStringLiteral("Zhao Min")),
                           teacherRow(1, QStringLiteral("王芳"), QStringLiteral("WANG Fang")),
                           teacherRow(2, QStringLiteral("李雷"), QString())};
    QTest::newRow("blank key lists everyone in name order")
        << staff << QStringLiteral(" \n") << QStringList{"李雷", "王芳", "赵敏"};
    QTest::newRow("lower case finds the English name") << staff << "wang" << QStringList{"王芳"};
    QTest::newRow("Chinese name") << staff << "赵" << QStringList{"赵敏"};
    QTest::newRow("repeated id once, unidentified dropped")
        << QJsonArray{teacherRow(5, QStringLiteral("钱七"), QString()),
                      teacherRow(0, QStringLiteral("钱零"), QString()),
                      teacherRow(QStringLiteral("5"), QStringLiteral("钱八"), QString())}
        << "钱" << QStringList{"钱七"};
}

void TestTeacherSearch::findsTeachersByName()
{
    QFETCH(QJsonArray, listed);
    QFETCH(QString, key);
    QFETCH(QStringList, found);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.replace(teacherpaths::teacherList,
                    [listed](const demo::HttpRequest &) { return std::optional(demo::envelope(listed)); });

    const TeacherDirectory directory =
        awaitTask(fixture.api->searchTeachers(key, school::schoolId, wednesday, false, 7, std::nullopt));

    QCOMPARE(namesOf(directory.teachers), found);
    QCOMPARE(directory.task ? directory.task->id : 0, 21);
    QCOMPARE(directory.courses.size(), 0);
    QCOMPARE(fixture.asked(teacherpaths::teacherList, QStringLiteral("courseId")), QStringList{"0"});
}

void TestTeacherSearch::findsTeachersByCourse_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<std::optional<qint64>>("courseId");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("courses");
    QTest::addColumn<std::optional<qint64>>("selected");
    QTest::addColumn<QStringList>("teachers");

    const std::optional<qint64> none;
    const QStringList wang{QStringLiteral("王老师")};
    QTest::newRow("several courses to choose from")
        << "s" << none << "" << QStringList{"501", "502", "504"} << none << QStringList{};
    QTest::newRow("one course settles at once")
        << "数学" << none << "" << QStringList{"501"} << std::optional<qint64>(teacherschool::maths) << wang;
    QTest::newRow("picked course kept when the text moved on")
        << "数学" << std::optional<qint64>(teacherschool::music) << "" << QStringList{"501", "502"}
        << std::optional<qint64>(teacherschool::music) << wang;
    QTest::newRow("no course matches") << "物理" << none << "" << QStringList{} << none << QStringList{};
    QTest::newRow("picked course not in the task")
        << "数学" << std::optional<qint64>(999) << "所选课程不属于这份课表" << QStringList{} << none
        << QStringList{};
}

void TestTeacherSearch::findsTeachersByCourse()
{
    QFETCH(QString, key);
    QFETCH(std::optional<qint64>, courseId);
    QFETCH(QString, failure);
    QFETCH(QStringList, courses);
    QFETCH(std::optional<qint64>, selected);
    QFETCH(QStringList, teachers);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());

    const Outcome<TeacherDirectory> outcome = outcomeOf(
        fixture.api->searchTeachers(key, school::schoolId, wednesday, true, courseId, std::nullopt));

    QCOMPARE(outcome.failure, failure);
    if (!failure.isEmpty())
        return;
    QCOMPARE(idsOf(outcome.value->courses), courses);
    QCOMPARE(outcome.value->selectedCourseId, selected);
    QCOMPARE(namesOf(outcome.value->teachers), teachers);
    QCOMPARE(fixture.count(teacherpaths::teacherList), selected ? 1 : 0);
}

void TestTeacherSearch::signInDuringTheTeacherListCancelsTheSearch()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.onArrival(teacherpaths::teacherList, QStringLiteral("courseId"), QStringLiteral("0"),
                      [&fixture] { fixture.api->clearTeacherCaches(); });

    const Outcome<TeacherDirectory> outcome = outcomeOf(fixture.api->searchTeachers(
        QStringLiteral("王"), school::schoolId, wednesday, false, std::nullopt, std::nullopt));

    QCOMPARE(outcome.failure, CancellationError().description());
}

int runTeacherSearchTests(int argc, char **argv)
{
    TestTeacherSearch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_teachersearch.moc"
