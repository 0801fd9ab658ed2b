#include "core/base/shanghai.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/settled.h"
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

// A roster of students 1 to `students` of one G7 class, `perPage` a page, one page answered wrongly.
struct RosterScript
{
    qint64 total = 0;
    qint64 students = 0;
    qint64 perPage = 50;
    qint64 wrongIndexOn = 0;
    qint64 repeatOn = 0;

    demo::HttpResponse answer(qint64 page) const
    {
        QJsonArray rows;
        for (qint64 id = (page - 1) * perPage + 1; id <= std::min(students, page * perPage); ++id)
            rows.append(teacherschool::rosterRow(id == (page - 1) * perPage + 1 && page == repeatOn ? 1 : id,
                                                 {{school::grade7, 7, 1}}));
        return testing::page(total, rows, page == wrongIndexOn ? page - 1 : page);
    }
};

QString taskListPath()
{
    return QuorvaleAPI::path(paths::taskList, {{"schoolId", QString::number(school::schoolId)}});
}

qint64 pageOf(const demo::HttpRequest &request)
{
    return request.query.value("pageIndex").toLongLong();
}

const QDateTime wednesday = school::at(school::monday().addDays(2), 10, 0);

QJsonObject teacherRow(const QJsonValue &id, const QString &name, const QString &englishName)
{
    return {{"id", id}, {"name", name}, {"eName", englishName}};
}

constexpr qint64 taskId = 21;
const QDate monday = school::monday();

QString dayText(qint64 fromMonday)
{
    return shanghai::dayText(monday.addDays(fromMonday));
}

// One page of a table answer: its total and its rows.
struct TablePage
{
    qint64 total;
    QJsonValue list;
};

QJsonArray rows(const QList<QJsonValue> &objectIds)
{
    QJsonArray list;
    for (const QJsonValue &id : objectIds)
        list.append(QJsonObject{{"objectId", id}, {"classCourseTimeTable", QJsonArray()}});
    return list;
}

Reported<TeacherSchedule> lookUp(TeacherFixture &fixture, const QDateTime &date, Teacher teacher = wang())
{
    return outcomeOf(fixture.api->lookupTeacherTimetable(teacher, school::schoolId, date, taskId));
}

// A master whose coordinate i + 1 lies in period i + 1 of the template, each period given as
// (name, English name); a null English name leaves the key out.
QByteArray master(const QList<std::pair<QString, QString>> &periods)
{
    QJsonArray coordinates, rows;
    for (qsizetype i = 0; i < periods.size(); ++i) {
        coordinates.append(QJsonObject{{"id", i + 1}, {"sectionOrder", i + 1}, {"timeType", 1}});
        QJsonObject period{{"sectionOrder", i + 1}, {"timeType", 1}, {"name", periods.at(i).first}};
        if (!periods.at(i).second.isNull())
            period.insert("eName", periods.at(i).second);
        rows.append(period);
    }
    return QJsonDocument(QJsonObject{{"list", coordinates}, {"template", rows}})
        .toJson(QJsonDocument::Compact);
}

// The teacher's one table with a lesson on each coordinate given.
QByteArray tablesWith(const QList<qint64> &coordIds)
{
    QJsonArray lessons;
    for (const qint64 id : coordIds)
        lessons.append(QJsonObject{{"coordId", id}});
    const QJsonArray list{QJsonObject{{"objectId", 301}, {"classCourseTimeTable", lessons}}};
    return QJsonDocument(QJsonObject{{"totalCount", 1}, {"list", list}}).toJson(QJsonDocument::Compact);
}

} // namespace

class TestTeachers : public QObject
{
    Q_OBJECT

private slots:
    void servesCachesOnlyInsideTheirTimeLimit();
    void readsTheRosterIntoClassSections();
    void readsEveryPageAtMostSixAtOnce();
    void firstFailureStopsThePagesNotStarted();
    void signOutDuringTheFetchCancelsItAndStoresNothing();
    void settlesTheTask();
    void findsTeachers();
    void readsTheTeachersDayAndWeek();
    void asksTheTablesBesideTheUserCheck();
    void checksTheTeachersTablePages();
    void asksWeekCodesOnlyWhereLessonsAlternate();
    void goesOnWithoutSectionsUnlessTheSessionIsGone();
    void twoLookupsAtOnceShareOneRosterFetch();
    void signOutWhileTheWeekIsBuiltCancelsTheLookup();
    void signOutWhileAWeekCodeIsAwaitedCancelsTheLookup();
    void loadsTheSectionMapUnlessProvenUnneeded();
};

void TestTeachers::servesCachesOnlyInsideTheirTimeLimit()
{
    // The path cached, how much later it is asked again, and the requests then made. A class map
    // from the future would stay in use for as long as the clock was set back.
    const QList<std::tuple<QString, qint64, qsizetype>> cases{
        {paths::taskList, 29900, 1}, {paths::taskList, 30000, 2}, {paths::roster, -1000, 2}};
    for (const auto &[path, laterMs, requests] : cases) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        fixture.probe()->freezeClock();
        const auto load = [&fixture, isRoster = path == paths::roster]() -> QByteArray {
            if (isRoster) {
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
}

void TestTeachers::readsTheRosterIntoClassSections()
{
    using teacherschool::rosterRow;
    const QString missing = QStringLiteral("班级学部名单存在缺失或重复学生，不能确认学部");
    const QJsonArray acrossSections{rosterRow(1, {{901, std::nullopt, 2}, {701, 7, 1}}),
                                    rosterRow(2, {{901, std::nullopt, 2}, {1001, 10, 1}})};
    // A roster of one G7 class paged as scripted, or one page of the rows given; the failure, the
    // requests made and the sections read.
    const QList<std::tuple<RosterScript, QJsonArray, QString, qsizetype, ClassSections>> cases{
        {{10000, 10000, 10}, {}, "班级学部名单分页过多，需确认返回范围", 1, {}},
        {{120, 120, 50, 3}, {}, "班级学部名单返回了错误页码", 3, {}},
        {{100, 100, 50, 0, 2}, {}, missing, 2, {}},
        {{120, 120}, {}, "", 3, {{school::grade7, {2}}}},
        {{}, acrossSections, "", 1, {{901, {2, 3}}, {701, {2}}, {1001, {3}}}}};
    for (const auto &[roster, rows, failure, requests, sections] : cases) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        fixture.replace(paths::roster, [roster, rows](const demo::HttpRequest &request) {
            return std::optional(rows.isEmpty() ? roster.answer(pageOf(request))
                                                : testing::page(rows.size(), rows, 1));
        });
        const Reported<ClassSections> outcome = outcomeOf(fixture.api->loadTeacherClassSections(taskId));
        QCOMPARE(outcome.failure, failure);
        QCOMPARE(fixture.count(paths::roster), requests);
        QCOMPARE(fixture.probe()->hasClassMap(taskId), failure.isEmpty());
        if (failure.isEmpty())
            QCOMPARE(*outcome.value, sections);
    }
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

    const Reported<ClassSections> outcome = outcomeOf(fixture.api->loadTeacherClassSections(taskId));

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
    fixture.onArrival(paths::roster, "pageIndex", QStringLiteral("2"), [&] {
        fixture.platform.faults().hold(paths::roster);
        if (!std::exchange(signingOut, true))
            fixture.api->logout();
    });

    const auto [first, second] = awaitTask(
        bothOf(fixture.api->loadTeacherClassSections(taskId), fixture.api->loadTeacherClassSections(taskId)));
    fixture.platform.releaseHeld();

    QVERIFY(fixture.api->teacherCacheEpoch() != epoch);
    for (const auto &end : {first, second}) {
        QVERIFY(end.error);
        QVERIFY_THROWS_EXCEPTION(CancellationError, std::rethrow_exception(end.error));
    }
    QVERIFY(!fixture.probe()->hasClassMap(taskId));
    QCOMPARE(fixture.probe()->classMapFlights(), 0);
}

void TestTeachers::settlesTheTask()
{
    const QList<qint64> g7{school::grade7};
    // The tasks, those offered, the one chosen and the details asked: a readable default alone, two
    // defaults offered, an unreadable default giving way.
    const QList<std::tuple<QList<TaskSpec>, QStringList, QString, QStringList>> cases{
        {{{21, std::nullopt, g7}, {22, true, g7}}, {"22"}, "22", {"22"}},
        {{{21, true, g7}, {22, true, g7}}, {"21", "22"}, "", {"21", "22"}},
        {{{21, true, g7, true, 2}, {22, std::nullopt, g7}}, {"22"}, "22", {"21", "22"}}};
    for (const auto &[tasks, offered, chosen, detailsAsked] : cases) {
        TeacherFixture fixture;
        fixture.open(school::schoolWith(tasks));
        const Reported<TeacherTaskChoice> outcome =
            outcomeOf(fixture.api->teacherTaskChoices(school::schoolId, wednesday, std::nullopt));
        QVERIFY2(outcome.value, qPrintable(outcome.failure));
        QCOMPARE(sorted(fixture.asked(paths::taskDetail, "id")), detailsAsked);
        QCOMPARE(idsOf(outcome.value->tasks), offered);
        QCOMPARE(outcome.value->chosen ? QString::number(outcome.value->chosen->id) : QString(), chosen);
        QCOMPARE(outcome.value->detail.has_value(), !chosen.isEmpty());
    }
}

void TestTeachers::findsTeachers()
{
    // The list given (by name; a course asked for is not used) or none (by course), the key, the course
    // asked for, the failure, the courses, the course selected and the teachers.
    const QJsonArray staff{teacherRow(3, QStringLiteral("赵敏"), QStringLiteral("Zhao Min")),
                           teacherRow(1, QStringLiteral("王芳"), QStringLiteral("WANG Fang")),
                           teacherRow(2, QStringLiteral("李雷"), QString())};
    const std::optional<qint64> none;
    const std::optional<qint64> music(teacherschool::music);
    const QStringList wang{QStringLiteral("王老师")};
    const QList<std::tuple<QJsonArray, QString, std::optional<qint64>, QString, QStringList,
                           std::optional<qint64>, QStringList>>
        cases{{staff, " \n", 7, "", {}, none, {"李雷", "王芳", "赵敏"}},
              {{}, "数学", none, "", {"501"}, teacherschool::maths, wang},
              // A picked course is kept when the text moved on.
              {{}, "数学", music, "", {"501", "502"}, music, wang},
              {{}, "数学", 999, "所选课程不属于这份课表", {}, none, {}}};
    for (const auto &[listed, key, courseId, failure, courses, selected, teachers] : cases) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        const bool byCourse = listed.isEmpty();
        if (!byCourse)
            fixture.replace(teacherpaths::teacherList, [listed](const demo::HttpRequest &) {
                return std::optional(demo::envelope(listed));
            });
        const Reported<TeacherDirectory> outcome = outcomeOf(
            fixture.api->searchTeachers(key, school::schoolId, wednesday, byCourse, courseId, std::nullopt));
        QCOMPARE(outcome.failure, failure);
        if (!failure.isEmpty())
            continue;
        QCOMPARE(outcome.value->task ? outcome.value->task->id : 0, 21);
        QCOMPARE(idsOf(outcome.value->courses), courses);
        QCOMPARE(mapped(outcome.value->teachers, &Teacher::name), teachers);
        if (!byCourse) {
            QCOMPARE(fixture.asked(teacherpaths::teacherList, "courseId"), QStringList{"0"});
            continue;
        }
        QCOMPARE(outcome.value->selectedCourseId, selected);
        QCOMPARE(fixture.count(teacherpaths::teacherList), selected ? 1 : 0);
    }
}

void TestTeachers::readsTheTeachersDayAndWeek()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());

    const Reported<TeacherSchedule> outcome = lookUp(fixture, school::at(monday, 10, 0));

    QCOMPARE(outcome.failure, QString());
    const TeacherSchedule &schedule = *outcome.value;
    QCOMPARE(schedule.date, monday);
    QCOMPARE(schedule.task.id, taskId);
    // An odd week: music, not art, on Monday's B2; the two sections time B2 each their own way.
    QStringList subjects = mapped(schedule.entries, &TeacherEntry::subject);
    subjects.removeDuplicates();
    QCOMPARE(subjects, (QStringList{"数学", "音乐"}));
    QVERIFY(std::all_of(schedule.entries.cbegin(), schedule.entries.cend(),
                        [](const TeacherEntry &entry) { return entry.isTimed(); }));
    QCOMPARE(notesOf(*schedule.week), QStringList(7, QString()));
    QCOMPARE(fixture.count(paths::roster), 1);
    QCOMPARE(fixture.asked(teacherpaths::tables, "orgUserIds"), QStringList{"301"});
}

void TestTeachers::asksTheTablesBesideTheUserCheck()
{
    const QString user = "GetCurrentUser", tables = "GetTeacherCourseTimeTable", master = "CourseTaskMaster";
    const QStringList first = sorted({user, tables, master});
    const QStringList then = sorted({"GetCourseTaskClassStudentForSelectByPage", "GetCurrentSingleDoubleSet",
                                     "GetCurrentSingleDoubleSet", "GetCurrentSingleDoubleSet"});
    // Whether the user check fails, the failure, and the requests out together, level by level.
    const QList<std::tuple<bool, QString, QList<QStringList>>> cases{
        {false, "", {first, then}}, {true, QuorvaleAPIError::unauthenticated().description(), {first}}};
    for (const auto &[signedOut, failure, levels] : cases) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        const QDateTime date = school::at(monday, 10, 0);
        // Right after the search that found the teacher, the task choice is known.
        awaitTask(fixture.api->teacherTaskChoices(school::schoolId, date, taskId));
        if (signedOut)
            fixture.platform.faults().answer(paths::currentUser,
                                             demo::refusal(999901, QStringLiteral("登录已过期，请重新登录")));
        fixture.platform.clearLog();
        fixture.platform.setAnswerDelay([](const demo::HttpRequest &) { return 100; });
        QCOMPARE(lookUp(fixture, date).failure, failure);
        QCOMPARE(levelsOf(fixture.platform.requests()), levels);
    }
}

void TestTeachers::checksTheTeachersTablePages()
{
    const QString notTheTeacher = QStringLiteral("返回数据未唯一对应所选老师，不能替代为其他老师课表");
    const QString broken = QStringLiteral("老师课表分页中断或结构发生变化");
    const QList<std::pair<QList<TablePage>, QString>> cases{
        {{{0, QJsonArray()}}, notTheTeacher},
        {{{21, rows({301})}}, broken},                         // total above twenty
        {{{1, rows({302})}}, notTheTeacher},                   // another teacher
        {{{2, rows({301})}, {3, rows({302})}}, broken},        // total changes
        {{{2, rows({301})}, {2, rows({302})}}, notTheTeacher}, // two teachers over two pages
        {{{1, rows({301})}}, ""}};
    for (const auto &[pages, failure] : cases) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        fixture.replace(teacherpaths::tables, [pages](const demo::HttpRequest &request) {
            const TablePage page =
                pages.value(pageOf(request) - 1, TablePage{pages.last().total, QJsonArray()});
            return std::optional(
                demo::envelope(QJsonObject{{"totalCount", page.total}, {"list", page.list}}));
        });
        QCOMPARE(lookUp(fixture, school::at(monday, 10, 0)).failure, failure);
        QCOMPARE(fixture.count(teacherpaths::tables), pages.size());
        QCOMPARE(fixture.count(paths::roster), 0);
    }
}

void TestTeachers::asksWeekCodesOnlyWhereLessonsAlternate()
{
    QStringList fridayUnconfirmed(7, QString());
    fridayUnconfirmed[4] = QStringLiteral("该日课表待确认");
    // The day looked up, the day whose week code is unconfirmed, the failure and the week's notes.
    const QList<std::tuple<qint64, QString, QString, QStringList>> cases{
        {0, dayText(0), "该日期老师课程单双周尚未确认", {}}, {0, dayText(4), "", fridayUnconfirmed}};
    for (const auto &[day, unconfirmedDay, failure, notes] : cases) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        fixture.replace(paths::weekCode, [unconfirmedDay](const demo::HttpRequest &request) {
            if (request.query.value("nowDate") != unconfirmedDay)
                return std::optional<demo::HttpResponse>();
            return std::optional(demo::envelope(3));
        });
        const Reported<TeacherSchedule> outcome = lookUp(fixture, school::at(monday.addDays(day), 10, 0));
        QCOMPARE(outcome.failure, failure);
        QCOMPARE(sorted(fixture.asked(paths::weekCode, "nowDate")),
                 (QStringList{dayText(0), dayText(2), dayText(4)}));
        if (failure.isEmpty())
            QCOMPARE(notesOf(*outcome.value->week), notes);
    }
}

void TestTeachers::goesOnWithoutSectionsUnlessTheSessionIsGone()
{
    for (const bool sessionGone : {false, true}) {
        TeacherFixture fixture;
        fixture.open(teacherschool::school());
        if (sessionGone)
            fixture.platform.faults().answer(paths::roster,
                                             demo::refusal(999901, QStringLiteral("登录已过期，请重新登录")));
        else
            fixture.platform.faults().drop(paths::roster, demo::Faults::always);
        const Reported<TeacherSchedule> outcome = lookUp(fixture, school::at(monday, 10, 0));
        QCOMPARE(outcome.failure,
                 sessionGone ? QuorvaleAPIError::unauthenticated().description() : QString());
        if (sessionGone)
            continue;
        // Without the sections the B2 lessons, timed differently in the two sections, stay untimed.
        const QList<TeacherEntry> &entries = outcome.value->entries;
        QVERIFY(!outcome.value->warnings.isEmpty());
        QVERIFY(std::any_of(entries.cbegin(), entries.cend(), [](const TeacherEntry &entry) {
            return entry.period == QStringLiteral("B2") && !entry.isTimed();
        }));
    }
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
    // Pages after the first go out together, so the platform may see them in either order.
    QCOMPARE(sorted(fixture.asked(paths::roster, "pageIndex")), (QStringList{"1", "2", "3"}));
}

void TestTeachers::signOutWhileTheWeekIsBuiltCancelsTheLookup()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.onArrival(paths::weekCode, "nowDate", dayText(4),
                      [&fixture] { fixture.api->clearTeacherCaches(); });

    QCOMPARE(lookUp(fixture, school::at(monday, 10, 0)).failure, CancellationError().description());
}

void TestTeachers::signOutWhileAWeekCodeIsAwaitedCancelsTheLookup()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    // Friday's week code is held; the sign-out cuts it off, which wakes the lookup at once.
    fixture.onArrival(paths::weekCode, "nowDate", dayText(4),
                      [&fixture] { fixture.platform.faults().hold(paths::weekCode); });
    QCoro::Task<TeacherSchedule> lookup =
        fixture.api->lookupTeacherTimetable(wang(), school::schoolId, school::at(monday, 10, 0), taskId);
    QTRY_COMPARE(fixture.platform.heldCount(), 1);
    awaitTask(fixture.api->logout());

    QCOMPARE(outcomeOf(std::move(lookup)).failure, CancellationError().description());
}

void TestTeachers::loadsTheSectionMapUnlessProvenUnneeded()
{
    const auto one = [](const QString &name, const QString &englishName = QString()) {
        return master({{name, englishName}});
    };
    const QByteArray lesson = tablesWith({1});
    // The master, the tables, and whether the class-section map is needed.
    const QList<std::tuple<QByteArray, QByteArray, bool>> cases{
        {one("B2"), tablesWith({}), false}, // no lessons
        {"{", lesson, true},                // master not JSON
        {one("B2"), lesson, true},
        {one("B12"), lesson, false},
        {one(QStringLiteral("晚自习")), lesson, false},
        {one("B1", "B3"), lesson, true}, // names disagree
        {master({{"ASA", {}}, {"B2", {}}}), tablesWith({1, 2}), true},
        {master({{"B1", {}}, {"B7", "B7"}}), tablesWith({1, 2}), false}}; // shared periods only
    for (const auto &[masterJson, tables, needed] : cases)
        QCOMPARE(QuorvaleAPI::teacherNeedsClassSections(masterJson, tables), needed);
}

QTEST_GUILESS_MAIN(TestTeachers)

#include "tst_teachers.moc"
