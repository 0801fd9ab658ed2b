// Times a student search and a student lookup, and a teacher search and a teacher lookup, against the
// demo platform with a fixed delay added to every answer, and compares the wall time with the delay
// times the longest chain of requests that wait for each other's answers.

#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/client/quorvaleapi.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/sampleschool.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QTextStream>
#include <algorithm>
#include <functional>

using namespace quorvale;

namespace {

const QString rosterPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
const QString courseTablePath = QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable");
const QString weekCodePath = QStringLiteral("/api/CourseTask/GetCurrentSingleDoubleSet");
const QString taskDetailPath = QStringLiteral("/api/CourseTask/QueryCourseTask");
const QString teacherTablesPath = QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable");
const QString taskListPath = QStringLiteral("/api/CourseTask/GetCourseTasksBySchoolIdForSelect");
// Roster pages after the first that the teacher side asks for at once.
constexpr qsizetype rosterPagesAtOnce = 6;

struct Run
{
    qint64 wallMs = 0;
    qsizetype requests = 0;
    qsizetype chain = 0;
    qsizetype weekCodes = 0;
};

struct Figures
{
    QString name;
    QList<Run> runs;
};

// One timed run after its untimed preparation: the request log is emptied first and read afterwards
// to learn the chain.
Run timed(demo::DemoPlatform &platform, const std::function<void()> &prepare,
          const std::function<void()> &work,
          const std::function<qsizetype(const demo::DemoPlatform &)> &chain)
{
    prepare();
    platform.clearLog();
    QElapsedTimer timer;
    timer.start();
    work();
    return {timer.elapsed(), platform.requests().size(), chain(platform),
            platform.requestsTo(weekCodePath).size()};
}

// The search's chain: the task list (the current user is asked beside it), the preferred task's
// check, the first class-student page, and the other pages together when there are more.
qsizetype searchChain(const demo::DemoPlatform &platform)
{
    return 3 + (platform.requestsTo(rosterPath).size() > 1 ? 1 : 0);
}

// The lookup's chain: the task list, the default task's detail, its course-table pages (the master
// beside them), and the week codes of all days together.
qsizetype lookupChain(const demo::DemoPlatform &platform)
{
    return 2 + platform.requestsTo(courseTablePath).size() +
           (platform.requestsTo(weekCodePath).isEmpty() ? 0 : 1);
}

// The data set with the earliest lesson of each weekday of one class held only in odd weeks, so that
// a student of that class needs a week code for every teaching day.
demo::SchoolData alternating(demo::SchoolData data, qint64 classId)
{
    for (demo::SchoolTask &task : data.tasks) {
        if (task.id != demo::SampleSchool::currentTaskId)
            continue;
        QHash<qint64, demo::SchoolLesson *> earliest;
        QHash<qint64, qint64> cellOf;
        for (demo::SchoolEntry &entry : task.entries) {
            auto *lesson = std::get_if<demo::SchoolLesson>(&entry.content);
            if (!lesson || lesson->classId != classId || lesson->weekCode)
                continue;
            const qint64 day = entry.cellId / 100;
            if (!earliest.contains(day) || entry.cellId < cellOf.value(day)) {
                earliest.insert(day, lesson);
                cellOf.insert(day, entry.cellId);
            }
        }
        for (demo::SchoolLesson *lesson : std::as_const(earliest))
            lesson->weekCode = 1;
    }
    return data;
}

// The teacher search's chain: the task list (the current user beside it), the task details one after
// the other, and the teacher list.
qsizetype teacherSearchChain(const demo::DemoPlatform &platform)
{
    return 2 + platform.requestsTo(taskDetailPath).size();
}

// The teacher lookup's chain: the task list and the task details unless the task choice is cached,
// the teacher's table pages (the master beside them), then the roster, its first page alone and the
// rest six at a time, with the week codes of all days beside it. The current user is asked beside
// the first of them.
qsizetype teacherLookupChain(const demo::DemoPlatform &platform)
{
    const qsizetype rosterPages = platform.requestsTo(rosterPath).size();
    const qsizetype roster =
        rosterPages == 0 ? 0 : 1 + (rosterPages - 1 + rosterPagesAtOnce - 1) / rosterPagesAtOnce;
    const qsizetype codes = platform.requestsTo(weekCodePath).isEmpty() ? 0 : 1;
    const qsizetype taskList = platform.requestsTo(taskListPath).isEmpty() ? 0 : 1;
    return taskList + platform.requestsTo(taskDetailPath).size() +
           platform.requestsTo(teacherTablesPath).size() + std::max(roster, codes);
}

// How many times the roster was read from its first page.
qsizetype rosterFetches(const demo::DemoPlatform &platform)
{
    qsizetype fetches = 0;
    for (const demo::HttpRequest &request : platform.requestsTo(rosterPath))
        fetches += request.query.value(QStringLiteral("pageIndex")) == QStringLiteral("1") ? 1 : 0;
    return fetches;
}

// The network-bound work is near its floor when it waits little longer than its chain of requests.
constexpr double ratioGoal = 1.2;

void report(QTextStream &out, const Figures &figures, int delayMs, QList<QString> &results)
{
    QList<qint64> walls;
    for (const Run &run : figures.runs)
        walls.append(run.wallMs);
    std::sort(walls.begin(), walls.end());
    const qint64 median = walls.at(walls.size() / 2);
    const Run &last = figures.runs.last();
    const double ideal = double(delayMs) * double(last.chain);
    out << QStringLiteral(
               "%1  requests %2 (week codes %8)  chain %3  wall %4 ms (min %5, max %6)  ratio %7\n")
               .arg(figures.name, -34)
               .arg(last.requests)
               .arg(last.chain)
               .arg(median)
               .arg(walls.first())
               .arg(walls.last())
               .arg(double(median) / ideal, 0, 'f', 2)
               .arg(last.weekCodes);
    const double ratio = double(median) / ideal;
    results.append(
        QStringLiteral("result: %1, wall time against its request chain at %2 ms per answer | x%3 | "
                       "at most x%4 | %5\n")
            .arg(figures.name)
            .arg(delayMs)
            .arg(ratio, 0, 'f', 2)
            .arg(ratioGoal, 0, 'f', 1)
            .arg(ratio <= ratioGoal ? QStringLiteral("holds") : QStringLiteral("misses")));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Student search and lookup against the demo platform"));
    parser.addHelpOption();
    const QCommandLineOption delayOption(QStringLiteral("delay"),
                                         QStringLiteral("Delay of every answer in ms."), QStringLiteral("ms"),
                                         QStringLiteral("20"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Timed runs of each operation."),
                                        QStringLiteral("count"), QStringLiteral("7"));
    const QCommandLineOption keyOption(QStringLiteral("key"), QStringLiteral("Search text."),
                                       QStringLiteral("text"), QStringLiteral("a"));
    parser.addOptions({delayOption, runsOption, keyOption});
    parser.process(app);
    const int delayMs = std::max(1, parser.value(delayOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const QString key = parser.value(keyOption);
    QTextStream out(stdout);

    try {
        demo::DemoPlatform platform;
        platform.listen();
        const auto answers = demo::serveSampleSchool(platform);
        const demo::SchoolData &school = answers->data();
        QuorvaleAPI api(platform.origin(), TransportSettings{}, QuorvaleAPI::Clock{});
        testing::awaitTask(api.login(school.account.name, school.account.password, QString()));

        // Wednesday 10:00 of the current week, inside the sample school's term whatever the day.
        const QDate today = shanghai::dateOf(platform.now());
        const QDateTime moment = shanghai::at(today.addDays(3 - today.dayOfWeek()), 10 * 60);

        // Without delay: find the students and, among the first of them, the one whose week asks for
        // the most week codes.
        const QList<Student> students = testing::awaitTask(api.search(key, school.schoolId, moment));
        if (students.isEmpty())
            throw DemoError::message(QStringLiteral("no student matches \"%1\"").arg(key));
        Student chosen = students.first();
        qsizetype mostCodes = -1;
        for (const Student &student : students) {
            platform.clearLog();
            testing::awaitTask(api.lookupTimetable(student, moment, std::nullopt));
            const qsizetype codes = platform.requestsTo(weekCodePath).size();
            if (codes > mostCodes) {
                mostCodes = codes;
                chosen = student;
            }
        }

        const auto measure = [&](
                                 const QString &name, const std::function<void()> &work,
                                 const std::function<qsizetype(const demo::DemoPlatform &)> &chain,
                                 const std::function<void()> &prepare = [] {}) {
            platform.setAnswerDelay([delayMs](const demo::HttpRequest &) { return delayMs; });
            Figures figures{name, {}};
            // One untimed round first, so that every connection is open before timing.
            for (int i = 0; i <= runs; ++i) {
                const Run run = timed(platform, prepare, work, chain);
                if (i > 0)
                    figures.runs.append(run);
            }
            platform.setAnswerDelay({});
            return figures;
        };
        const auto lookupOnce = [&] {
            testing::awaitTask(api.lookupTimetable(chosen, moment, std::nullopt));
        };
        const Figures search = measure(
            QStringLiteral("search"), [&] { testing::awaitTask(api.search(key, school.schoolId, moment)); },
            searchChain);
        const Figures lookup = measure(QStringLiteral("lookup"), lookupOnce, lookupChain);
        demo::serveSchool(platform, alternating(school, chosen.classId));
        const Figures everyDay =
            measure(QStringLiteral("lookup, every weekday alternating"), lookupOnce, lookupChain);

        // The teachers of the term, and among them the one whose lookup reads the roster over several
        // pages and asks for the most week codes. The teacher caches are voided before every run, so
        // that each one reads everything afresh.
        demo::serveSchool(platform, school);
        const std::optional<qint64> anyCourse;
        const QList<Teacher> teachers =
            testing::awaitTask(
                api.searchTeachers(QStringLiteral(" "), school.schoolId, moment, false, anyCourse, anyCourse))
                .teachers;
        std::optional<Teacher> teacher;
        qsizetype rosterPages = 0;
        mostCodes = -1;
        for (const Teacher &candidate : teachers) {
            api.clearTeacherCaches();
            platform.clearLog();
            testing::awaitTask(api.lookupTeacherTimetable(candidate, school.schoolId, moment,
                                                          demo::SampleSchool::currentTaskId));
            const qsizetype codes = platform.requestsTo(weekCodePath).size();
            if (platform.requestsTo(rosterPath).size() > 1 && codes > mostCodes) {
                mostCodes = codes;
                teacher = candidate;
                rosterPages = platform.requestsTo(rosterPath).size();
            }
        }
        if (!teacher)
            throw DemoError::message(QStringLiteral("no teacher's lookup reads the roster"));
        const auto teacherLookup = [&] {
            return api.lookupTeacherTimetable(*teacher, school.schoolId, moment,
                                              demo::SampleSchool::currentTaskId);
        };
        const Figures teacherSearch = measure(
            QStringLiteral("teacher search"),
            [&] {
                api.clearTeacherCaches();
                testing::awaitTask(
                    api.searchTeachers(key, school.schoolId, moment, false, anyCourse, anyCourse));
            },
            teacherSearchChain);
        const Figures teacherLookupFigures = measure(
            QStringLiteral("teacher lookup, roster read"),
            [&] {
                api.clearTeacherCaches();
                testing::awaitTask(teacherLookup());
            },
            teacherLookupChain);
        // As a person meets the lookup: the search that found the teacher has just settled the task.
        const auto searchTheTeacher = [&] {
            testing::awaitTask(
                api.searchTeachers(teacher->name, school.schoolId, moment, false, anyCourse, anyCourse));
        };
        const Figures afterSearch = measure(
            QStringLiteral("teacher lookup after its search"), [&] { testing::awaitTask(teacherLookup()); },
            teacherLookupChain,
            [&] {
                api.clearTeacherCaches();
                searchTheTeacher();
            });
        // The same with the class-section map known, as after an earlier lookup in the same task.
        const Figures afterSearchKnownRoster = measure(
            QStringLiteral("teacher lookup after its search, roster known"),
            [&] { testing::awaitTask(teacherLookup()); }, teacherLookupChain,
            [&] {
                api.clearTeacherCaches();
                testing::awaitTask(api.loadTeacherClassSections(demo::SampleSchool::currentTaskId));
                searchTheTeacher();
            });
        qsizetype pairFetches = 0;
        const Figures teacherPair = measure(
            QStringLiteral("two teacher lookups at once"),
            [&] {
                api.clearTeacherCaches();
                QCoro::Task<TeacherSchedule> first = teacherLookup();
                testing::awaitTask(teacherLookup());
                testing::awaitTask(std::move(first));
                pairFetches = rosterFetches(platform);
            },
            // Both lookups run side by side, so together they wait no longer than one.
            [&teacherLookupFigures](const demo::DemoPlatform &) {
                return teacherLookupFigures.runs.last().chain;
            });

        out << QStringLiteral("delay %1 ms per answer, median of %2 runs\n").arg(delayMs).arg(runs);
        out << QStringLiteral("search \"%1\": %2 students; lookup of %3 (%4) on %5\n")
                   .arg(key)
                   .arg(students.size())
                   .arg(chosen.name, chosen.className, shanghai::dayText(moment));
        QList<QString> results;
        report(out, search, delayMs, results);
        report(out, lookup, delayMs, results);
        report(out, everyDay, delayMs, results);
        out << QStringLiteral("teacher search \"%1\"; lookup of %2 on %3, roster of %4 pages\n")
                   .arg(key, teacher->name, shanghai::dayText(moment))
                   .arg(rosterPages);
        report(out, teacherSearch, delayMs, results);
        report(out, teacherLookupFigures, delayMs, results);
        report(out, afterSearch, delayMs, results);
        report(out, afterSearchKnownRoster, delayMs, results);
        report(out, teacherPair, delayMs, results);
        out << QStringLiteral("ratio = median wall time / (delay x chain of dependent requests)\n");
        for (const QString &result : std::as_const(results))
            out << result;
        out << QStringLiteral("result: roster reads of two teacher lookups at once | %1 | once | %2\n")
                   .arg(pairFetches)
                   .arg(pairFetches == 1 ? QStringLiteral("holds") : QStringLiteral("misses"));
    } catch (const Error &error) {
        QTextStream(stderr) << error.description() << '\n';
        return 1;
    } catch (const std::exception &error) {
        QTextStream(stderr) << error.what() << '\n';
        return 1;
    }
    return 0;
}
