// Times the student and teacher searches and lookups as a person on a school network meets them:
// the demo platform speaks TLS on loopback behind a relay that delays each direction and each new
// connection by a network's round trip, once reached straight and once through a CONNECT proxy named
// by https_proxy. Each timed run counts the connections and TLS handshakes it opened, and its wall
// time is set against the round trips its data needs: the longest chain of requests that wait on
// each other's answers, read from the platform's request log, times the round trip.

#include "bench/benchfigures.h"
#include "bench/benchtls.h"
#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/client/quorvaleapi.h"
#include "tests/support/awaittask.h"
#include "tests/support/delayrelay.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/sampleschool.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSslCertificate>
#include <QTcpSocket>
#include <QTextStream>
#include <algorithm>
#include <functional>

using namespace quorvale;
using testing::DelayRelay;

namespace {

const QString rosterPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
const QString courseTablePath = QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable");
const QString weekCodePath = QStringLiteral("/api/CourseTask/GetCurrentSingleDoubleSet");
const QString taskDetailPath = QStringLiteral("/api/CourseTask/QueryCourseTask");
const QString teacherTablesPath = QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable");
const QString taskListPath = QStringLiteral("/api/CourseTask/GetCourseTasksBySchoolIdForSelect");
// Roster pages after the first that the teacher side asks for at once.
constexpr qsizetype rosterPagesAtOnce = 6;
// The network-bound work is near its floor when it waits little longer than its data's round trips.
constexpr double ratioGoal = 1.2;

using Chain = std::function<qsizetype(const demo::DemoPlatform &)>;

struct Run
{
    qint64 wallMs = 0;
    qsizetype requests = 0;
    qsizetype chain = 0;
    qsizetype weekCodes = 0;
    DelayRelay::Counts opened;
};

struct Figures
{
    QString name;
    QList<Run> runs;
};

// What one way of reaching the platform measures with: its client and the relay it goes through.
struct Route
{
    demo::DemoPlatform &platform;
    QuorvaleAPI &api;
    DelayRelay &relay;
    int runs;
};

// One timed run after its untimed preparation: the request log and the relay's counts are emptied
// first and read afterwards.
Run timed(const Route &route, const std::function<void()> &prepare, const std::function<void()> &work,
          const Chain &chain)
{
    prepare();
    route.platform.clearLog();
    route.relay.resetCounts();
    QElapsedTimer timer;
    timer.start();
    work();
    const qint64 wallMs = timer.elapsed();
    return {wallMs, route.platform.requests().size(), chain(route.platform),
            route.platform.requestsTo(weekCodePath).size(), route.relay.counts()};
}

// One untimed round first, as a person has signed in and searched before, then the timed runs.
Figures measure(
    const Route &route, const QString &name, const std::function<void()> &work, const Chain &chain,
    const std::function<void()> &prepare = [] {})
{
    Figures figures{name, {}};
    for (int i = 0; i <= route.runs; ++i) {
        const Run run = timed(route, prepare, work, chain);
        if (i > 0)
            figures.runs.append(run);
    }
    return figures;
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

// What the work threw, if it threw.
std::optional<QString> failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const Error &error) {
        return error.description();
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    }
    return std::nullopt;
}

// "6", or "5-6" when the runs differ.
QString spread(const QList<Run> &runs, int DelayRelay::Counts::*field)
{
    int least = runs.first().opened.*field;
    int most = least;
    for (const Run &run : runs) {
        least = std::min(least, run.opened.*field);
        most = std::max(most, run.opened.*field);
    }
    return least == most ? QString::number(least) : QStringLiteral("%1-%2").arg(least).arg(most);
}

void report(QTextStream &out, const Figures &figures, int rttMs, bool proxied)
{
    QList<double> walls;
    for (const Run &run : figures.runs)
        walls.append(double(run.wallMs));
    const double median = bench::median(walls);
    const Run &last = figures.runs.last();
    const double bound = double(rttMs) * double(last.chain);
    const double ratio = median / bound;
    const QString connections = spread(figures.runs, &DelayRelay::Counts::connections);
    const QString handshakes = spread(figures.runs, &DelayRelay::Counts::handshakes);
    out << QStringLiteral("%1  requests %2 (week codes %3)  chain %4 = %5 ms  wall %6 ms (min %7, max %8)  "
                          "connections %9  TLS handshakes %10 (resumed %11)%12  ratio %13\n")
               .arg(figures.name, -46)
               .arg(last.requests)
               .arg(last.weekCodes)
               .arg(last.chain)
               .arg(bound, 0, 'f', 0)
               .arg(median, 0, 'f', 0)
               .arg(*std::min_element(walls.cbegin(), walls.cend()), 0, 'f', 0)
               .arg(*std::max_element(walls.cbegin(), walls.cend()), 0, 'f', 0)
               .arg(connections, handshakes, spread(figures.runs, &DelayRelay::Counts::resumptions),
                    proxied ? QStringLiteral("  CONNECTs %1")
                                  .arg(spread(figures.runs, &DelayRelay::Counts::tunnels))
                            : QString())
               .arg(ratio, 0, 'f', 2)
        << Qt::flush;
    bench::result(
        QStringLiteral("%1, TLS at %2 ms round trip, wall time against its data's round trips "
                       "(%3 x %2 ms)")
            .arg(figures.name)
            .arg(rttMs)
            .arg(last.chain),
        QStringLiteral("x%1 (%2 ms; %3 connections, %4 TLS handshakes)")
            .arg(ratio, 0, 'f', 2)
            .arg(median, 0, 'f', 0)
            .arg(connections, handshakes),
        QStringLiteral("at most x%1 (%2 ms)").arg(ratioGoal, 0, 'f', 1).arg(bound * ratioGoal, 0, 'f', 0),
        ratio <= ratioGoal);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Student and teacher searches and lookups against the demo platform over TLS behind a "
                       "relay that adds a network's round trip"));
    parser.addHelpOption();
    const QCommandLineOption rttOption(
        QStringLiteral("rtt"),
        QStringLiteral("Round trip of the network between client and platform, in ms."), QStringLiteral("ms"),
        QStringLiteral("50"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Timed runs of each operation."),
                                        QStringLiteral("count"), QStringLiteral("7"));
    const QCommandLineOption keyOption(QStringLiteral("key"), QStringLiteral("Search text."),
                                       QStringLiteral("text"), QStringLiteral("a"));
    parser.addOptions({rttOption, runsOption, keyOption});
    parser.process(app);
    const int rttMs = std::max(1, parser.value(rttOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const QString key = parser.value(keyOption);
    const std::chrono::milliseconds roundTrip(rttMs);
    QTextStream out(stdout);
    // Only the proxy pass names a proxy, and nothing in the surroundings does.
    for (const char *name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);

    try {
        const QSslConfiguration serverTls = benchtls::serverTls();
        TransportSettings transport;
        transport.tls = QSslConfiguration::defaultConfiguration();
        transport.tls->addCaCertificates(QSslCertificate::fromData(benchtls::readTlsFile(QStringLiteral("ca.pem"))));

        demo::DemoPlatform platform;
        if (!platform.listen(0, serverTls))
            throw DemoError::message(QStringLiteral("the demo platform cannot listen"));
        const auto answers = demo::serveSampleSchool(platform);
        const demo::SchoolData &school = answers->data();
        // The certificate names 127.0.0.1, and so does every origin the clients reach straight.
        const auto originAt = [](quint16 port) {
            return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(port));
        };

        // Wednesday 10:00 of the current week, inside the sample school's term whatever the day.
        const QDate today = shanghai::dateOf(platform.now());
        const QDateTime moment = shanghai::at(today.addDays(3 - today.dayOfWeek()), 10 * 60);

        // Without the relay: find the students and, among them, the one whose week asks
        // for the most week codes; among the teachers of the term, the one whose lookup reads the roster
        // over several pages and asks for the most week codes.
        QuorvaleAPI scout(platform.origin(), transport, QuorvaleAPI::Clock{});
        testing::awaitTask(scout.login(school.account.name, school.account.password, QString()));
        const QList<Student> students = testing::awaitTask(scout.search(key, school.schoolId, moment));
        if (students.isEmpty())
            throw DemoError::message(QStringLiteral("no student matches \"%1\"").arg(key));
        Student chosen = students.first();
        qsizetype mostCodes = -1;
        for (const Student &student : students) {
            platform.clearLog();
            testing::awaitTask(scout.lookupTimetable(student, moment, std::nullopt));
            const qsizetype codes = platform.requestsTo(weekCodePath).size();
            if (codes > mostCodes) {
                mostCodes = codes;
                chosen = student;
            }
        }
        const std::optional<qint64> anyCourse;
        const QList<Teacher> teachers =
            testing::awaitTask(scout.searchTeachers(QStringLiteral(" "), school.schoolId, moment, false,
                                                    anyCourse, anyCourse))
                .teachers;
        std::optional<Teacher> teacher;
        qsizetype rosterPages = 0;
        mostCodes = -1;
        for (const Teacher &candidate : teachers) {
            scout.clearTeacherCaches();
            platform.clearLog();
            testing::awaitTask(scout.lookupTeacherTimetable(candidate, school.schoolId, moment,
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

        const auto lookupOnce = [&moment, &chosen](QuorvaleAPI &api) {
            testing::awaitTask(api.lookupTimetable(chosen, moment, std::nullopt));
        };
        const auto teacherLookup = [&](QuorvaleAPI &api) {
            return api.lookupTeacherTimetable(*teacher, school.schoolId, moment,
                                              demo::SampleSchool::currentTaskId);
        };
        // Every teacher cache voided, so that each run reads everything afresh.
        const auto teacherLookupAfresh = [&](QuorvaleAPI &api) {
            api.clearTeacherCaches();
            testing::awaitTask(teacherLookup(api));
        };

        out << QStringLiteral("demo platform over TLS behind a relay: %1 ms round trip, half of it each way, "
                              "one more for each new connection; median of %2 runs\n")
                   .arg(rttMs)
                   .arg(runs);
        out << QStringLiteral("search \"%1\": %2 students; lookup of %3 (%4) on %5\n")
                   .arg(key)
                   .arg(students.size())
                   .arg(chosen.name, chosen.className, shanghai::dayText(moment));
        out << QStringLiteral("teacher search \"%1\"; lookup of %2, roster of %3 pages\n")
                   .arg(key, teacher->name)
                   .arg(rosterPages);
        out << QStringLiteral("ratio = median wall time / (round trip x chain of requests that wait on each "
                              "other)\n")
            << Qt::flush;

        // Straight to the platform through the relay.
        {
            DelayRelay relay(roundTrip, platform.port());
            QuorvaleAPI api(originAt(relay.port()), transport, QuorvaleAPI::Clock{});
            testing::awaitTask(api.login(school.account.name, school.account.password, QString()));
            const Route route{platform, api, relay, runs};
            out << QStringLiteral("== straight to the platform\n") << Qt::flush;
            report(out,
                   measure(
                       route, QStringLiteral("student search"),
                       [&] { testing::awaitTask(api.search(key, school.schoolId, moment)); }, searchChain),
                   rttMs, false);
            report(out,
                   measure(
                       route, QStringLiteral("student lookup"), [&] { lookupOnce(api); }, lookupChain),
                   rttMs, false);
            demo::serveSchool(platform, alternating(school, chosen.classId));
            report(out,
                   measure(
                       route, QStringLiteral("student lookup, every weekday alternating"),
                       [&] { lookupOnce(api); }, lookupChain),
                   rttMs, false);
            demo::serveSchool(platform, school);
            report(out,
                   measure(
                       route, QStringLiteral("teacher search"),
                       [&] {
                           api.clearTeacherCaches();
                           testing::awaitTask(
                               api.searchTeachers(key, school.schoolId, moment, false, anyCourse, anyCourse));
                       },
                       teacherSearchChain),
                   rttMs, false);
            const Figures teacherFigures = measure(
                route, QStringLiteral("teacher lookup"), [&] { teacherLookupAfresh(api); },
                teacherLookupChain);
            report(out, teacherFigures, rttMs, false);
            // As a person meets the lookup: the search that found the teacher has just settled the task.
            const auto searchTheTeacher = [&] {
                testing::awaitTask(
                    api.searchTeachers(teacher->name, school.schoolId, moment, false, anyCourse, anyCourse));
            };
            report(out,
                   measure(
                       route, QStringLiteral("teacher lookup after its search"),
                       [&] { testing::awaitTask(teacherLookup(api)); }, teacherLookupChain,
                       [&] {
                           api.clearTeacherCaches();
                           searchTheTeacher();
                       }),
                   rttMs, false);
            // The same with the class-section map known, as after an earlier lookup in the same task.
            report(out,
                   measure(
                       route, QStringLiteral("teacher lookup after its search, roster known"),
                       [&] { testing::awaitTask(teacherLookup(api)); }, teacherLookupChain,
                       [&] {
                           api.clearTeacherCaches();
                           testing::awaitTask(
                               api.loadTeacherClassSections(demo::SampleSchool::currentTaskId));
                           searchTheTeacher();
                       }),
                   rttMs, false);
            qsizetype pairFetches = 0;
            report(out,
                   measure(
                       route, QStringLiteral("two teacher lookups at once"),
                       [&] {
                           api.clearTeacherCaches();
                           QCoro::Task<TeacherSchedule> first = teacherLookup(api);
                           testing::awaitTask(teacherLookup(api));
                           testing::awaitTask(std::move(first));
                           pairFetches = rosterFetches(platform);
                       },
                       // Both lookups run side by side, so together they wait no longer than one.
                       [&teacherFigures](const demo::DemoPlatform &) {
                           return teacherFigures.runs.last().chain;
                       }),
                   rttMs, false);
            bench::result(QStringLiteral("roster reads of two teacher lookups at once"),
                          QString::number(pairFetches), QStringLiteral("once"), pairFetches == 1);
        }

        // Through a school's proxy, named only by https_proxy. Loopback is never proxied: the origin
        // names a host no resolver knows, which the certificate also names, on a port that is bound
        // but takes no connection, so only the proxy reaches the platform; a client that goes
        // straight is refused and its figures are missing.
        {
            QTcpSocket unreachable;
            if (!unreachable.bind(QHostAddress::LocalHost, 0))
                throw DemoError::message(QStringLiteral("no loopback port to hide the platform behind"));
            QUrl origin = originAt(unreachable.localPort());
            origin.setHost(QStringLiteral("platform.test"));
            DelayRelay proxy(roundTrip, platform.port(), DelayRelay::Proxy::Tunnel);
            qputenv("https_proxy", proxy.address());
            out << QStringLiteral("== through a proxy named by https_proxy\n") << Qt::flush;
            QuorvaleAPI api(origin, transport, QuorvaleAPI::Clock{});
            const Route route{platform, api, proxy, runs};
            struct Figure
            {
                QString name;
                std::function<void()> work;
                Chain chain;
            };
            const QList<Figure> proxied{
                {QStringLiteral("student lookup through a proxy"), [&] { lookupOnce(api); }, lookupChain},
                {QStringLiteral("teacher lookup through a proxy"), [&] { teacherLookupAfresh(api); },
                 teacherLookupChain},
            };
            std::optional<QString> failure = failureOf([&] {
                testing::awaitTask(api.login(school.account.name, school.account.password, QString()));
            });
            // After the first failure every figure left is missing.
            for (const Figure &figure : proxied) {
                if (!failure)
                    failure = failureOf([&] {
                        report(out, measure(route, figure.name, figure.work, figure.chain), rttMs, true);
                    });
                if (failure)
                    bench::result(QStringLiteral("%1, TLS at %2 ms round trip").arg(figure.name).arg(rttMs),
                                  QStringLiteral("not reached (%1; %2 CONNECT requests seen)")
                                      .arg(*failure)
                                      .arg(proxy.counts().tunnels),
                                  QStringLiteral("at most x%1").arg(ratioGoal, 0, 'f', 1), false);
            }
            qunsetenv("https_proxy");
        }
    } catch (const Error &error) {
        QTextStream(stderr) << error.description() << '\n';
        return 1;
    } catch (const std::exception &error) {
        QTextStream(stderr) << error.what() << '\n';
        return 1;
    }
    return 0;
}
