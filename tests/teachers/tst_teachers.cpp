#include "core/base/shanghai.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/sessionsettled.h"
#include "teacherfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;
using school::TaskSpec;
using teacherschool::wang;

namespace {

// A made-up roster of students 1 to `students` of one G7 class, `perPage` a page, with one page
// answered wrongly in the way a row asks for.
struct RosterScript
{
    qint64 total = 0;
    qint64 students = 0;
    qint64 perPage = 50;
    qint64 wrongIndexOn = 0;
    qint64 repeatOn = 0;
    qint64 otherTotalOn = 0;

    demo::HttpResponse answer(qint64 page) const
    {
        QJsonArray rows;
        for (qint64 id = (page - 1) * perPage + 1; id <= std::min(students, page * perPage); ++id)
            rows.append(teacherschool::rosterRow(id == (page - 1) * perPage + 1 && page == repeatOn ? 1 : id,
                                                 {{school::grade7, 7, 1}}));
        return testing::page(page == otherTotalOn ? total + 1 : total, rows,
                             page == wrongIndexOn ? page - 1 : page);
    }
};

QString taskListPath()
{
    return QuorvaleAPI::path(paths::taskList,
                             {{QStringLiteral("schoolId"), QString::number(school::schoolId)}});
}

qint64 pageOf(const demo::HttpRequest &request)
{
    return request.query.value(QStringLiteral("pageIndex")).toLongLong();
}

const QDateTime wednesday = school::at(school::monday().addDays(2), 10, 0);

QList<TaskSpec> ordinaryTasks(int count)
{
    QList<TaskSpec> tasks;
    for (int i = 0; i < count; ++i)
        tasks.append({30 + i, std::nullopt, {school::grade7}});
    return tasks;
}

QJsonObject teacherRow(const QJsonValue &id, const QString &name, const QString &englishName)
{
    return {
        {QStringLiteral("id"), id}, {QStringLiteral("name"), name}, {QStringLiteral("eName"), englishName}};
}

constexpr qint64 taskId = 21;
const QDate monday = school::monday();

QString dayText(qint64 fromMonday)
{
    return shanghai::dayText(monday.addDays(fromMonday));
}

QStringList subjects(const QList<TeacherEntry> &entries)
{
    QStringList list = mapped(entries, [](const TeacherEntry &entry) { return entry.subject; });
    list.removeDuplicates();
    return list;
}

// One page of a table answer: its total and its rows (a row is the table of the teacher whose id it
// holds, or the value itself when it is not an integer).
struct TablePage
{
    qint64 total;
    QJsonValue list;
};

QJsonArray rows(const QList<QJsonValue> &objectIds)
{
    QJsonArray list;
    for (const QJsonValue &id : objectIds)
        list.append(QJsonObject{{QStringLiteral("objectId"), id},
                                {QStringLiteral("classCourseTimeTable"), QJsonArray()}});
    return list;
}

Outcome<TeacherSchedule> lookUp(TeacherFixture &fixture, const QDateTime &date, Teacher teacher = wang())
{
    return outcomeOf(fixture.api->lookupTeacherTimetable(teacher, school::schoolId, date, taskId));
}

// A master whose coordinate i + 1 lies in period i + 1 of the template, each period given as
// (name, English name); a null text leaves the key out.
QByteArray master(const QList<std::pair<QString, QString>> &periods)
{
    QJsonArray coordinates;
    QJsonArray rows;
    for (qsizetype i = 0; i < periods.size(); ++i) {
        coordinates.append(QJsonObject{{QStringLiteral("id"), i + 1},
                                       {QStringLiteral("sectionOrder"), i + 1},
                                       {QStringLiteral("timeType"), 1}});
        QJsonObject period{{QStringLiteral("sectionOrder"), i + 1}, {QStringLiteral("timeType"), 1}};
        if (!periods.at(i).first.isNull())
            period.insert(QStringLiteral("name"), periods.at(i).first);
        if (!periods.at(i).second.isNull())
            period.insert(QStringLiteral("eName"), periods.at(i).second);
        rows.append(period);
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("list"), coordinates}, {QStringLiteral("template"), rows}})
        .toJson(QJsonDocument::Compact);
}

// The teacher's one table with a lesson on each coordinate given.
QByteArray tablesWith(const QList<qint64> &coordIds)
{
    QJsonArray lessons;
    for (const qint64 id : coordIds)
        lessons.append(QJsonObject{{QStringLiteral("coordId"), id}});
    const QJsonArray list{
        QJsonObject{{QStringLiteral("objectId"), 301}, {QStringLiteral("classCourseTimeTable"), lessons}}};
    return QJsonDocument(QJsonObject{{QStringLiteral("totalCount"), 1}, {QStringLiteral("list"), list}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

Q_DECLARE_METATYPE(QList<TablePage>)
Q_DECLARE_METATYPE(RosterScript)
Q_DECLARE_METATYPE(std::optional<qint64>)

class TestTeachers : public QObject
{
    Q_OBJECT

private slots:
    void servesCachesOnlyInsideTheirTimeLimit_data();
    void servesCachesOnlyInsideTheirTimeLimit();
    void nullDataIsAnInvalidResponse();
    void voidingDuringARequestCancelsItAndStoresNothing();
    void readsTheRosterIntoClassSections_data();
    void readsTheRosterIntoClassSections();
    void readsEveryPageAtMostSixAtOnce();
    void firstFailureStopsThePagesNotStarted();
    void signOutDuringTheFetchCancelsItAndStoresNothing();
    void settlesTheTask_data();
    void settlesTheTask();
    void findsTeachers_data();
    void findsTeachers();
    void readsTheTeachersDayAndWeek();
    void checksTheTeachersTablePages_data();
    void checksTheTeachersTablePages();
    void asksWeekCodesOnlyWhereLessonsAlternate_data();
    void asksWeekCodesOnlyWhereLessonsAlternate();
    void goesOnWithoutSectionsUnlessTheSessionIsGone_data();
    void goesOnWithoutSectionsUnlessTheSessionIsGone();
    void twoLookupsAtOnceShareOneRosterFetch();
    void signOutWhileTheWeekIsBuiltCancelsTheLookup();
    void loadsTheSectionMapUnlessProvenUnneeded_data();
    void loadsTheSectionMapUnlessProvenUnneeded();
};

void TestTeachers::servesCachesOnlyInsideTheirTimeLimit_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("laterMs");
    QTest::addColumn<qsizetype>("requests");
    QTest::newRow("response 29.9 s later") << paths::taskList << qint64(29900) << qsizetype(1);
    QTest::newRow("response 30.0 s later") << paths::taskList << qint64(30000) << qsizetype(2);
    QTest::newRow("response, clock set back") << paths::taskList << qint64(-100) << qsizetype(2);
    QTest::newRow("class map 299 s later") << paths::roster << qint64(299000) << qsizetype(1);
    QTest::newRow("class map 300 s later") << paths::roster << qint64(300000) << qsizetype(2);
    // A map from the future would stay in use for as long as the clock was set back.
    QTest::newRow("class map, clock set back") << paths::roster << qint64(-1000) << qsizetype(2);
}

void TestTeachers::servesCachesOnlyInsideTheirTimeLimit()
{
    QFETCH(QString, path);
    QFETCH(qint64, laterMs);
    QFETCH(qsizetype, requests);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.probe()->freezeClock();
    const auto load = [&fixture, &path]() -> QByteArray {
        if (path == paths::roster) {
            awaitTask(fixture.api->loadTeacherClassSections(taskId));
            return {};
        }
        return awaitTask(fixture.api->teacherPayload(taskListPath(), 30));
    };

    const QByteArray first = load();
    fixture.probe()->advance(laterMs);
    QCOMPARE(load(), first);
    QCOMPARE(fixture.count(path), requests);
}

void TestTeachers::nullDataIsAnInvalidResponse()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.replace(paths::taskList,
                    [](const demo::HttpRequest &) { return demo::envelope(QJsonValue::Null); });

    QCOMPARE(outcomeOf(fixture.api->teacherPayload(taskListPath(), 30)).failure,
             QuorvaleAPIError::invalidResponse().description());
}

void TestTeachers::voidingDuringARequestCancelsItAndStoresNothing()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    bool voided = false;
    fixture.onArrival(paths::taskList, QStringLiteral("schoolId"), QString::number(school::schoolId),
                      [&fixture, &voided] {
                          if (!std::exchange(voided, true))
                              fixture.api->clearTeacherCaches();
                      });

    QCOMPARE(outcomeOf(fixture.api->teacherPayload(taskListPath(), 30)).failure,
             CancellationError().description());
    // Nothing of the voided session was kept: the next call asks again.
    QVERIFY(outcomeOf(fixture.api->teacherPayload(taskListPath(), 30)).value);
    QCOMPARE(fixture.count(paths::taskList), 2);
}

void TestTeachers::readsTheRosterIntoClassSections_data()
{
    QTest::addColumn<RosterScript>("roster");
    QTest::addColumn<QJsonArray>("rows");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<qsizetype>("requests");
    QTest::addColumn<ClassSections>("sections");

    // Rosters of one G7 class, paged as the script says.
    const QJsonArray scripted;
    const ClassSections none;
    QTest::newRow("total above the bound")
        << RosterScript{10001, 10001} << scripted << "班级学部名单分页结构无法确认" << qsizetype(1) << none;
    QTest::newRow("too many pages, refused before asking more")
        << RosterScript{10000, 10000, 10} << scripted << "班级学部名单分页过多，需确认返回范围"
        << qsizetype(1) << none;
    QTest::newRow("empty first page")
        << RosterScript{30, 0} << scripted << "班级学部名单分页中断" << qsizetype(1) << none;
    QTest::newRow("wrong page answered")
        << RosterScript{120, 120, 50, 3} << scripted << "班级学部名单返回了错误页码" << qsizetype(3) << none;
    const QString missing = QStringLiteral("班级学部名单存在缺失或重复学生，不能确认学部");
    QTest::newRow("student on two pages")
        << RosterScript{100, 100, 50, 0, 2} << scripted << missing << qsizetype(2) << none;
    QTest::newRow("totals differ") << RosterScript{100, 100, 50, 0, 0, 2} << scripted
                                   << "班级学部名单尚未完整获取" << qsizetype(2) << none;
    QTest::newRow("fewer students than the total")
        << RosterScript{1, 2, 2} << scripted << "班级学部名单尚未完整获取" << qsizetype(1) << none;
    QTest::newRow("no students") << RosterScript{0, 0} << scripted << "" << qsizetype(1) << none;
    QTest::newRow("three pages") << RosterScript{120, 120} << scripted << "" << qsizetype(3)
                                 << ClassSections{{school::grade7, {2}}};

    // One page holding the rows given.
    using teacherschool::rosterRow;
    QJsonArray grades;
    const QList<std::optional<qint64>> gradeList{std::nullopt, 0, 5, 8, 9, 12, 13};
    ClassSections byGrade;
    const QList<qint64> codes{-1, -1, 0, 2, 3, 3, 0};
    for (qsizetype i = 0; i < gradeList.size(); ++i) {
        grades.append(rosterRow(i + 1, {{100 + i, gradeList.at(i), 1}}));
        byGrade.insert(100 + i, {codes.at(i)});
    }
    const RosterScript page;
    QTest::newRow("grades give sections") << page << grades << "" << qsizetype(1) << byGrade;
    QTest::newRow("homeroom decides the group too")
        << page << QJsonArray{rosterRow(1, {{701, 7, 1}, {901, std::nullopt, 2}})} << "" << qsizetype(1)
        << ClassSections{{701, {2}}, {901, {2}}};
    QTest::newRow("no homeroom is undetermined") << page << QJsonArray{rosterRow(1, {{901, 7, 2}})} << ""
                                                 << qsizetype(1) << ClassSections{{901, {-1}}};
    QTest::newRow("a class across sections")
        << page
        << QJsonArray{rosterRow(1, {{901, std::nullopt, 2}, {701, 7, 1}}),
                      rosterRow(2, {{901, std::nullopt, 2}, {1001, 10, 1}})}
        << "" << qsizetype(1) << ClassSections{{901, {2, 3}}, {701, {2}}, {1001, {3}}};
    QTest::newRow("student without classes")
        << page << QJsonArray{rosterRow(1, {})} << missing << qsizetype(1) << none;
    QTest::newRow("class without id")
        << page << QJsonArray{rosterRow(1, {{0, 7, 1}})} << missing << qsizetype(1) << none;
}

void TestTeachers::readsTheRosterIntoClassSections()
{
    QFETCH(RosterScript, roster);
    QFETCH(QJsonArray, rows);
    QFETCH(QString, failure);
    QFETCH(qsizetype, requests);
    QFETCH(ClassSections, sections);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.replace(paths::roster, [roster, rows](const demo::HttpRequest &request) {
        return std::optional(rows.isEmpty() ? roster.answer(pageOf(request))
                                            : testing::page(rows.size(), rows, 1));
    });

    const Outcome<ClassSections> outcome = outcomeOf(fixture.api->loadTeacherClassSections(taskId));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(fixture.count(paths::roster), requests);
    QCOMPARE(fixture.probe()->hasClassMap(taskId), failure.isEmpty());
    if (failure.isEmpty())
        QCOMPARE(*outcome.value, sections);
}

void TestTeachers::readsEveryPageAtMostSixAtOnce()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school(998));
    fixture.probe()->watch(QStringLiteral("GetCourseTaskClassStudentForSelectByPage"));
    fixture.platform.setAnswerDelay([](const demo::HttpRequest &) { return 5; });

    const ClassSections sections = awaitTask(fixture.api->loadTeacherClassSections(taskId));

    QCOMPARE(fixture.count(paths::roster), 20);
    QCOMPARE(fixture.probe()->mostAtOnce(), 6);
    QCOMPARE(sections.value(school::grade7), QSet<qint64>{2});
    QCOMPARE(sections.value(school::grade10), QSet<qint64>{3});
    QCOMPARE(sections.value(school::french), QSet<qint64>{3});
}

void TestTeachers::firstFailureStopsThePagesNotStarted()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    const RosterScript roster{1000, 1000};
    fixture.replace(paths::roster, [roster](const demo::HttpRequest &request) {
        if (pageOf(request) == 2)
            return std::optional(demo::refusal(7, QStringLiteral("名单服务繁忙")));
        return std::optional(roster.answer(pageOf(request)));
    });
    fixture.platform.setAnswerDelay(
        [](const demo::HttpRequest &request) { return pageOf(request) == 2 ? 0 : 50; });

    const Outcome<ClassSections> outcome = outcomeOf(fixture.api->loadTeacherClassSections(taskId));

    QCOMPARE(outcome.failure, QuorvaleAPIError::service(7, QStringLiteral("名单服务繁忙")).description());
    QCOMPARE(fixture.count(paths::roster), 7);
    QCOMPARE(fixture.probe()->classMapFlights(), 0);
}

void TestTeachers::signOutDuringTheFetchCancelsItAndStoresNothing()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school(120));
    const QUuid epoch = fixture.api->teacherCacheEpoch();
    bool signingOut = false;
    fixture.onArrival(paths::roster, QStringLiteral("pageIndex"), QStringLiteral("2"), [&] {
        fixture.platform.faults().hold(paths::roster);
        if (!std::exchange(signingOut, true))
            fixture.api->logout();
    });

    const auto [first, second] = awaitTask(
        bothOf(fixture.api->loadTeacherClassSections(taskId), fixture.api->loadTeacherClassSections(taskId)));
    fixture.platform.releaseHeld();

    QVERIFY(fixture.api->teacherCacheEpoch() != epoch);
    QVERIFY(failedWith<CancellationError>(first));
    QVERIFY(failedWith<CancellationError>(second));
    QVERIFY(!fixture.probe()->hasClassMap(taskId));
    QCOMPARE(fixture.probe()->classMapFlights(), 0);
}

void TestTeachers::settlesTheTask_data()
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

void TestTeachers::settlesTheTask()
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

void TestTeachers::findsTeachers_data()
{
    QTest::addColumn<QJsonArray>("listed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<std::optional<qint64>>("courseId");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("courses");
    QTest::addColumn<std::optional<qint64>>("selected");
    QTest::addColumn<QStringList>("teachers");

    // By name, over the teacher list given; a course asked for is not used.
    const std::optional<qint64> none;
    const std::optional<qint64> seven(7);
    const QJsonArray staff{teacherRow(3, QStringLiteral("赵敏"), QStringLiteral("Zhao Min")),
                           teacherRow(1, QStringLiteral("王芳"), QStringLiteral("WANG Fang")),
                           teacherRow(2, QStringLiteral("李雷"), QString())};
    QTest::newRow("blank key lists everyone in name order")
        << staff << QStringLiteral(" \n") << seven << "" << QStringList{} << none
        << QStringList{"李雷", "王芳", "赵敏"};
    QTest::newRow("lower case finds the English name")
        << staff << "wang" << seven << "" << QStringList{} << none << QStringList{"王芳"};
    QTest::newRow("Chinese name") << staff << "赵" << seven << "" << QStringList{} << none
                                  << QStringList{"赵敏"};
    QTest::newRow("repeated id once, unidentified dropped")
        << QJsonArray{teacherRow(5, QStringLiteral("钱七"), QString()),
                      teacherRow(0, QStringLiteral("钱零"), QString()),
                      teacherRow(QStringLiteral("5"), QStringLiteral("钱八"), QString())}
        << "钱" << seven << "" << QStringList{} << none << QStringList{"钱七"};

    // By course, over the school's own lists.
    const QJsonArray byCourse;
    const QStringList wang{QStringLiteral("王老师")};
    QTest::newRow("several courses to choose from")
        << byCourse << "s" << none << "" << QStringList{"501", "502", "504"} << none << QStringList{};
    QTest::newRow("one course settles at once") << byCourse << "数学" << none << "" << QStringList{"501"}
                                                << std::optional<qint64>(teacherschool::maths) << wang;
    QTest::newRow("picked course kept when the text moved on")
        << byCourse << "数学" << std::optional<qint64>(teacherschool::music) << ""
        << QStringList{"501", "502"} << std::optional<qint64>(teacherschool::music) << wang;
    QTest::newRow("no course matches")
        << byCourse << "物理" << none << "" << QStringList{} << none << QStringList{};
    QTest::newRow("picked course not in the task")
        << byCourse << "数学" << std::optional<qint64>(999) << "所选课程不属于这份课表" << QStringList{}
        << none << QStringList{};
}

void TestTeachers::findsTeachers()
{
    QFETCH(QJsonArray, listed);
    QFETCH(QString, key);
    QFETCH(std::optional<qint64>, courseId);
    QFETCH(QString, failure);
    QFETCH(QStringList, courses);
    QFETCH(std::optional<qint64>, selected);
    QFETCH(QStringList, teachers);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    const bool byCourse = listed.isEmpty();
    if (!byCourse)
        fixture.replace(teacherpaths::teacherList, [listed](const demo::HttpRequest &) {
            return std::optional(demo::envelope(listed));
        });

    const Outcome<TeacherDirectory> outcome = outcomeOf(
        fixture.api->searchTeachers(key, school::schoolId, wednesday, byCourse, courseId, std::nullopt));

    QCOMPARE(outcome.failure, failure);
    if (!failure.isEmpty())
        return;
    QCOMPARE(outcome.value->task ? outcome.value->task->id : 0, 21);
    QCOMPARE(idsOf(outcome.value->courses), courses);
    QCOMPARE(mapped(outcome.value->teachers, &Teacher::name), teachers);
    if (!byCourse) {
        QCOMPARE(fixture.asked(teacherpaths::teacherList, QStringLiteral("courseId")), QStringList{"0"});
        return;
    }
    QCOMPARE(outcome.value->selectedCourseId, selected);
    QCOMPARE(fixture.count(teacherpaths::teacherList), selected ? 1 : 0);
}

void TestTeachers::readsTheTeachersDayAndWeek()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());

    const Outcome<TeacherSchedule> outcome = lookUp(fixture, school::at(monday, 10, 0));

    QCOMPARE(outcome.failure, QString());
    const TeacherSchedule &schedule = *outcome.value;
    QCOMPARE(schedule.date, monday);
    QCOMPARE(schedule.task.id, taskId);
    // An odd week: music, not art, on Monday's B2; the two sections time B2 each their own way.
    QCOMPARE(subjects(schedule.entries), (QStringList{QStringLiteral("数学"), QStringLiteral("音乐")}));
    QVERIFY(std::all_of(schedule.entries.cbegin(), schedule.entries.cend(),
                        [](const TeacherEntry &entry) { return entry.isTimed(); }));
    QVERIFY(schedule.week);
    QCOMPARE(schedule.week->days.size(), 7);
    QCOMPARE(notesOf(*schedule.week), QStringList(7, QString()));
    QCOMPARE(schedule.week->days.at(3).events.isEmpty(), false);
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))),
             (QStringList{dayText(0), dayText(2), dayText(4)}));
    QCOMPARE(fixture.count(paths::roster), 1);
    QCOMPARE(fixture.asked(teacherpaths::tables, QStringLiteral("orgUserIds")), QStringList{"301"});
}

void TestTeachers::checksTheTeachersTablePages_data()
{
    QTest::addColumn<QList<TablePage>>("pages");
    QTest::addColumn<QString>("failure");

    const QString notTheTeacher = QStringLiteral("返回数据未唯一对应所选老师，不能替代为其他老师课表");
    const QString broken = QStringLiteral("老师课表分页中断或结构发生变化");
    QTest::newRow("no rows") << QList<TablePage>{{0, QJsonArray()}} << notTheTeacher;
    QTest::newRow("total above twenty") << QList<TablePage>{{21, rows({301})}} << broken;
    QTest::newRow("another teacher") << QList<TablePage>{{1, rows({302})}} << notTheTeacher;
    QTest::newRow("id as text") << QList<TablePage>{{1, rows({QStringLiteral("301")})}} << notTheTeacher;
    QTest::newRow("list not an array") << QList<TablePage>{{1, QStringLiteral("301")}} << broken;
    QTest::newRow("total changes") << QList<TablePage>{{2, rows({301})}, {3, rows({302})}} << broken;
    QTest::newRow("empty page before the total")
        << QList<TablePage>{{2, rows({301})}, {2, QJsonArray()}} << broken;
    QTest::newRow("more rows than the total")
        << QList<TablePage>{{1, rows({301, 301})}} << "老师课表分页异常";
    QTest::newRow("two teachers over two pages")
        << QList<TablePage>{{2, rows({301})}, {2, rows({302})}} << notTheTeacher;
    QTest::newRow("the teacher alone") << QList<TablePage>{{1, rows({301})}} << "";
}

void TestTeachers::checksTheTeachersTablePages()
{
    QFETCH(QList<TablePage>, pages);
    QFETCH(QString, failure);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.replace(teacherpaths::tables, [pages](const demo::HttpRequest &request) {
        const qsizetype index = request.query.value(QStringLiteral("pageIndex")).toLongLong() - 1;
        const TablePage page = pages.value(index, TablePage{pages.last().total, QJsonArray()});
        return std::optional(demo::envelope(
            QJsonObject{{QStringLiteral("totalCount"), page.total}, {QStringLiteral("list"), page.list}}));
    });

    QCOMPARE(lookUp(fixture, school::at(monday, 10, 0)).failure, failure);
    QCOMPARE(fixture.count(teacherpaths::tables), pages.size());
    QCOMPARE(fixture.count(paths::roster), 0);
}

void TestTeachers::asksWeekCodesOnlyWhereLessonsAlternate_data()
{
    QTest::addColumn<QDate>("taskEnd");
    QTest::addColumn<qint64>("day");
    QTest::addColumn<QString>("unconfirmedDay");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("notes");

    const QStringList alternating{dayText(0), dayText(2), dayText(4)};
    const QStringList none(7, QString());
    QStringList fridayUnconfirmed = none;
    fridayUnconfirmed[4] = QStringLiteral("该日课表待确认");
    const QDate termEnd(2025, 7, 6);
    const QString outside = QStringLiteral("不在课表有效期内");
    QTest::newRow("a day without alternating lessons asks nothing for itself") << termEnd << qint64(1) << ""
                                                                               << "" << alternating << none;
    QTest::newRow("the day's own code unconfirmed")
        << termEnd << qint64(0) << dayText(0) << "该日期老师课程单双周尚未确认" << alternating << none;
    QTest::newRow("another day's code unconfirmed")
        << termEnd << qint64(0) << dayText(4) << "" << alternating << fridayUnconfirmed;
    QTest::newRow("days after the task ends") << monday.addDays(2) << qint64(0) << ""
                                              << "" << QStringList{dayText(0), dayText(2)}
                                              << QStringList{"", "", "", outside, outside, outside, outside};
}

void TestTeachers::asksWeekCodesOnlyWhereLessonsAlternate()
{
    QFETCH(QDate, taskEnd);
    QFETCH(qint64, day);
    QFETCH(QString, unconfirmedDay);
    QFETCH(QString, failure);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, notes);
    TeacherFixture fixture;
    demo::SchoolData data = teacherschool::school();
    data.tasks = {school::task(taskId, QDate(2025, 2, 17), taskEnd, true, {school::grade7, school::grade10})};
    fixture.open(data);
    fixture.replace(paths::weekCode, [unconfirmedDay](const demo::HttpRequest &request) {
        if (request.query.value(QStringLiteral("nowDate")) != unconfirmedDay)
            return std::optional<demo::HttpResponse>();
        return std::optional(demo::envelope(3));
    });

    const Outcome<TeacherSchedule> outcome = lookUp(fixture, school::at(monday.addDays(day), 10, 0));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))), asked);
    if (failure.isEmpty())
        QCOMPARE(notesOf(*outcome.value->week), notes);
}

void TestTeachers::goesOnWithoutSectionsUnlessTheSessionIsGone_data()
{
    QTest::addColumn<bool>("sessionGone");
    QTest::addColumn<QString>("failure");
    QTest::newRow("roster unreachable") << false << "";
    QTest::newRow("session gone") << true << QuorvaleAPIError::unauthenticated().description();
}

void TestTeachers::goesOnWithoutSectionsUnlessTheSessionIsGone()
{
    QFETCH(bool, sessionGone);
    QFETCH(QString, failure);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    if (sessionGone)
        fixture.platform.faults().answer(paths::roster,
                                         demo::refusal(999901, QStringLiteral("登录已过期，请重新登录")));
    else
        fixture.platform.faults().drop(paths::roster, demo::Faults::always);

    const Outcome<TeacherSchedule> outcome = lookUp(fixture, school::at(monday, 10, 0));

    QCOMPARE(outcome.failure, failure);
    if (!failure.isEmpty())
        return;
    // Without the sections the B2 lessons stay untimed, with a warning; B1 is the same in both.
    const TeacherSchedule &schedule = *outcome.value;
    QVERIFY(!schedule.warnings.isEmpty());
    QVERIFY(std::any_of(schedule.entries.cbegin(), schedule.entries.cend(), [](const TeacherEntry &entry) {
        return entry.period == QStringLiteral("B2") && !entry.isTimed();
    }));
    QVERIFY(std::all_of(schedule.entries.cbegin(), schedule.entries.cend(), [](const TeacherEntry &entry) {
        return entry.period != QStringLiteral("B1") || entry.isTimed();
    }));
}

void TestTeachers::twoLookupsAtOnceShareOneRosterFetch()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school(120));
    const QDateTime date = school::at(monday, 10, 0);

    const auto [first, second] =
        awaitTask(bothOf(fixture.api->lookupTeacherTimetable(wang(), school::schoolId, date, taskId),
                         fixture.api->lookupTeacherTimetable(wang(), school::schoolId, date, taskId)));

    QVERIFY(first.value && second.value);
    QCOMPARE(first.value->entries, second.value->entries);
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("pageIndex")), (QStringList{"1", "2", "3"}));
}

void TestTeachers::signOutWhileTheWeekIsBuiltCancelsTheLookup()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.onArrival(paths::weekCode, QStringLiteral("nowDate"), dayText(4),
                      [&fixture] { fixture.api->clearTeacherCaches(); });

    QCOMPARE(lookUp(fixture, school::at(monday, 10, 0)).failure, CancellationError().description());
}

void TestTeachers::loadsTheSectionMapUnlessProvenUnneeded_data()
{
    QTest::addColumn<QByteArray>("master");
    QTest::addColumn<QByteArray>("tables");
    QTest::addColumn<bool>("needed");

    const auto one = [](const QString &name, const QString &englishName = QString()) {
        return master({{name, englishName}});
    };
    const QByteArray lesson = tablesWith({1});
    QTest::newRow("no lessons") << one("B2") << tablesWith({}) << false;
    QTest::newRow("master not JSON") << QByteArray("{") << lesson << true;
    QTest::newRow("tables without list") << one("B1") << QByteArray(R"({"totalCount":1})") << true;
    QTest::newRow("unknown coordinate") << one("B1") << tablesWith({9}) << true;
    QByteArray twice = master({{"B1", {}}});
    twice.replace(R"("list":[)", R"("list":[{"id":1,"sectionOrder":1,"timeType":1},)");
    QTest::newRow("coordinate listed twice") << twice << lesson << true;
    QByteArray periodTwice = master({{"B1", {}}});
    periodTwice.replace(R"("template":[)", R"("template":[{"sectionOrder":1,"timeType":1,"name":"B3"},)");
    QTest::newRow("period listed twice") << periodTwice << lesson << true;
    QTest::newRow("b3 with spaces") << one(" b3 ") << lesson << false;
    QTest::newRow("B2") << one("B2") << lesson << true;
    QTest::newRow("B12") << one("B12") << lesson << false;
    QTest::newRow("B08 reads as 8") << one("B08") << lesson << false;
    QTest::newRow("B01 is not B1") << one("B01") << lesson << true;
    QTest::newRow("evening study") << one(QStringLiteral("晚自习")) << lesson << false;
    QTest::newRow("another name") << one(QStringLiteral("午休")) << lesson << true;
    QTest::newRow("names disagree") << one("B1", "B3") << lesson << true;
    QTest::newRow("names agree") << one("B5", "b5") << lesson << false;
    QTest::newRow("activity, then B2") << master({{"ASA", {}}, {"B2", {}}}) << tablesWith({1, 2}) << true;
    QTest::newRow("shared periods only") << master({{"B1", {}}, {"B7", "B7"}}) << tablesWith({1, 2}) << false;
}

void TestTeachers::loadsTheSectionMapUnlessProvenUnneeded()
{
    QFETCH(QByteArray, master);
    QFETCH(QByteArray, tables);
    QFETCH(bool, needed);
    QCOMPARE(QuorvaleAPI::teacherNeedsClassSections(master, tables), needed);
}

QTEST_GUILESS_MAIN(TestTeachers)

#include "tst_teachers.moc"
