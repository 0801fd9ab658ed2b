#include "core/client/quorvaleapierror.h"
#include "suites.h"
#include "teacherfixture.h"

#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

QString taskListPath()
{
    return QuorvaleAPI::path(paths::taskList,
                             {{QStringLiteral("schoolId"), QString::number(smallschool::schoolId)}});
}

} // namespace

class TestTeacherCache : public QObject
{
    Q_OBJECT

private slots:
    void servesEntriesOnlyInsideTheirTimeLimit_data();
    void servesEntriesOnlyInsideTheirTimeLimit();
    void nullDataIsAnInvalidResponse();
    void voidingDuringARequestCancelsItAndStoresNothing();
};

void TestTeacherCache::servesEntriesOnlyInsideTheirTimeLimit_data()
{
    QTest::addColumn<qint64>("laterMs");
    QTest::addColumn<qsizetype>("requests");
    QTest::newRow("29.9 s later") << qint64(29900) << qsizetype(1);
    QTest::newRow("30.0 s later") << qint64(30000) << qsizetype(2);
    QTest::newRow("clock set back") << qint64(-100) << qsizetype(2);
}

void TestTeacherCache::servesEntriesOnlyInsideTheirTimeLimit()
{
    QFETCH(qint64, laterMs);
    QFETCH(qsizetype, requests);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.probe()->freezeClock();

    const QByteArray first = awaitTask(fixture.api->teacherPayload(taskListPath(), 30));
    fixture.probe()->advance(laterMs);
    const QByteArray second = awaitTask(fixture.api->teacherPayload(taskListPath(), 30));

    QCOMPARE(second, first);
    QCOMPARE(fixture.count(paths::taskList), requests);
}

void TestTeacherCache::nullDataIsAnInvalidResponse()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.replace(paths::taskList,
                    [](const demo::HttpRequest &) { return demo::envelope(QJsonValue::Null); });

    const Outcome<QByteArray> outcome = outcomeOf(fixture.api->teacherPayload(taskListPath(), 30));

    QCOMPARE(outcome.failure, QuorvaleAPIError::invalidResponse().description());
}

void TestTeacherCache::voidingDuringARequestCancelsItAndStoresNothing()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    bool voided = false;
    fixture.onArrival(paths::taskList, QStringLiteral("schoolId"), QString::number(smallschool::schoolId),
                      [&fixture, &voided] {
                          if (!std::exchange(voided, true))
                              fixture.api->clearTeacherCaches();
                      });

    const Outcome<QByteArray> cancelled = outcomeOf(fixture.api->teacherPayload(taskListPath(), 30));
    QCOMPARE(cancelled.failure, CancellationError().description());
    // Nothing of the voided session was kept: the next call asks again.
    QVERIFY(outcomeOf(fixture.api->teacherPayload(taskListPath(), 30)).value);
    QCOMPARE(fixture.count(paths::taskList), 2);
}

int runTeacherCacheTests(int argc, char **argv)
{
    TestTeacherCache test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_teachercache.moc"
