#include "core/client/quorvaleapierror.h"
#include "core/client/sessionsettled.h"
#include "suites.h"
#include "teacherfixture.h"

#include <QJsonArray>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;

namespace {

constexpr qint64 taskId = 21;

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

qint64 pageOf(const demo::HttpRequest &request)
{
    return request.query.value(QStringLiteral("pageIndex")).toLongLong();
}

void script(TeacherFixture &fixture, const RosterScript &roster)
{
    fixture.replace(paths::roster, [roster](const demo::HttpRequest &request) {
        return std::optional(roster.answer(pageOf(request)));
    });
}

// One page holding the given rows, as the whole roster.
void onePage(TeacherFixture &fixture, const QJsonArray &rows)
{
    fixture.replace(paths::roster, [rows](const demo::HttpRequest &) {
        return std::optional(testing::page(rows.size(), rows, 1));
    });
}

using Classes = QList<std::tuple<qint64, std::optional<qint64>, qint64>>;

} // namespace

Q_DECLARE_METATYPE(RosterScript)

class TestClassSections : public QObject
{
    Q_OBJECT

private slots:
    void refusesRostersItCannotConfirm_data();
    void refusesRostersItCannotConfirm();
    void givesEachClassItsStudentsSections_data();
    void givesEachClassItsStudentsSections();
    void readsEveryPageAtMostSixAtOnce();
    void firstFailureStopsThePagesNotStarted();
    void twoCallersShareOneFetch();
    void keepsTheMapForFiveMinutes_data();
    void keepsTheMapForFiveMinutes();
    void signOutDuringTheFetchCancelsItAndStoresNothing();
};

void TestClassSections::refusesRostersItCannotConfirm_data()
{
    QTest::addColumn<RosterScript>("roster");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<qsizetype>("requests");

    QTest::newRow("total above the bound")
        << RosterScript{10001, 10001} << "班级学部名单分页结构无法确认" << qsizetype(1);
    QTest::newRow("too many pages, refused before asking more")
        << RosterScript{10000, 10000, 10} << "班级学部名单分页过多，需确认返回范围" << qsizetype(1);
    QTest::newRow("empty first page") << RosterScript{30, 0} << "班级学部名单分页中断" << qsizetype(1);
    QTest::newRow("wrong page answered")
        << RosterScript{120, 120, 50, 3} << "班级学部名单返回了错误页码" << qsizetype(3);
    QTest::newRow("student on two pages")
        << RosterScript{100, 100, 50, 0, 2} << "班级学部名单存在缺失或重复学生，不能确认学部" << qsizetype(2);
    QTest::newRow("totals differ") << RosterScript{100, 100, 50, 0, 0, 2} << "班级学部名单尚未完整获取"
                                   << qsizetype(2);
    QTest::newRow("fewer students than the total")
        << RosterScript{1, 2, 2} << "班级学部名单尚未完整获取" << qsizetype(1);
    QTest::newRow("no students") << RosterScript{0, 0} << "" << qsizetype(1);
    QTest::newRow("three pages") << RosterScript{120, 120} << "" << qsizetype(3);
}

void TestClassSections::refusesRostersItCannotConfirm()
{
    QFETCH(RosterScript, roster);
    QFETCH(QString, failure);
    QFETCH(qsizetype, requests);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    script(fixture, roster);

    const Outcome<ClassSections> outcome = outcomeOf(fixture.api->loadTeacherClassSections(taskId));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(fixture.count(paths::roster), requests);
    QCOMPARE(fixture.probe()->hasClassMap(taskId), failure.isEmpty());
    if (failure.isEmpty())
        QCOMPARE(outcome.value->value(school::grade7), roster.total ? QSet<qint64>{2} : QSet<qint64>{});
}

void TestClassSections::givesEachClassItsStudentsSections_data()
{
    QTest::addColumn<QJsonArray>("rows");
    QTest::addColumn<ClassSections>("sections");
    QTest::addColumn<QString>("failure");

    using teacherschool::rosterRow;
    QJsonArray grades;
    const QList<std::optional<qint64>> gradeList{std::nullopt, 0, 5, 8, 9, 12, 13};
    ClassSections byGrade;
    const QList<qint64> codes{-1, -1, 0, 2, 3, 3, 0};
    for (qsizetype i = 0; i < gradeList.size(); ++i) {
        grades.append(rosterRow(i + 1, {{100 + i, gradeList.at(i), 1}}));
        byGrade.insert(100 + i, {codes.at(i)});
    }
    QTest::newRow("grades give sections") << grades << byGrade << "";
    QTest::newRow("homeroom decides the group too")
        << QJsonArray{rosterRow(1, {{701, 7, 1}, {901, std::nullopt, 2}})}
        << ClassSections{{701, {2}}, {901, {2}}} << "";
    QTest::newRow("no homeroom is undetermined")
        << QJsonArray{rosterRow(1, {{901, 7, 2}})} << ClassSections{{901, {-1}}} << "";
    QTest::newRow("a class across sections")
        << QJsonArray{rosterRow(1, {{901, std::nullopt, 2}, {701, 7, 1}}),
                      rosterRow(2, {{901, std::nullopt, 2}, {1001, 10, 1}})}
        << ClassSections{{901, {2, 3}}, {701, {2}}, {1001, {3}}} << "";
    const QString missing = QStringLiteral("班级学部名单存在缺失或重复学生，不能确认学部");
    QTest::newRow("student without classes") << QJsonArray{rosterRow(1, {})} << ClassSections{} << missing;
    QTest::newRow("student without id")
        << QJsonArray{rosterRow(0, {{701, 7, 1}})} << ClassSections{} << missing;
    QTest::newRow("class without id") << QJsonArray{rosterRow(1, {{0, 7, 1}})} << ClassSections{} << missing;
}

void TestClassSections::givesEachClassItsStudentsSections()
{
    QFETCH(QJsonArray, rows);
    QFETCH(ClassSections, sections);
    QFETCH(QString, failure);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    onePage(fixture, rows);

    const Outcome<ClassSections> outcome = outcomeOf(fixture.api->loadTeacherClassSections(taskId));

    QCOMPARE(outcome.failure, failure);
    if (failure.isEmpty())
        QCOMPARE(*outcome.value, sections);
}

void TestClassSections::readsEveryPageAtMostSixAtOnce()
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

void TestClassSections::firstFailureStopsThePagesNotStarted()
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

void TestClassSections::twoCallersShareOneFetch()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school(120));

    const auto [first, second] = awaitTask(
        bothOf(fixture.api->loadTeacherClassSections(taskId), fixture.api->loadTeacherClassSections(taskId)));

    QVERIFY(first.value && second.value);
    QCOMPARE(*first.value, *second.value);
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("pageIndex")), (QStringList{"1", "2", "3"}));
    QCOMPARE(fixture.probe()->classMapFlights(), 0);
}

void TestClassSections::keepsTheMapForFiveMinutes_data()
{
    QTest::addColumn<qint64>("laterMs");
    QTest::addColumn<qsizetype>("requests");
    QTest::newRow("299 s later") << qint64(299000) << qsizetype(1);
    QTest::newRow("300 s later") << qint64(300000) << qsizetype(2);
    // A map from the future would stay in use for as long as the clock was set back.
    QTest::newRow("clock set back") << qint64(-1000) << qsizetype(2);
}

void TestClassSections::keepsTheMapForFiveMinutes()
{
    QFETCH(qint64, laterMs);
    QFETCH(qsizetype, requests);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.probe()->freezeClock();

    awaitTask(fixture.api->loadTeacherClassSections(taskId));
    fixture.probe()->advance(laterMs);
    awaitTask(fixture.api->loadTeacherClassSections(taskId));

    QCOMPARE(fixture.count(paths::roster), requests);
}

void TestClassSections::signOutDuringTheFetchCancelsItAndStoresNothing()
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

int runClassSectionTests(int argc, char **argv)
{
    TestClassSections test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_classsections.moc"
