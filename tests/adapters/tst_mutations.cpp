#include "platformfixture.h"
#include "suites.h"

#include "core/adapters/studentrow.h"
#include "core/adapters/teacherrecords.h"
#include "core/adapters/teachertimetableadapter.h"
#include "core/adapters/timetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "core/base/strictjson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace quorvale;

namespace {

// Every member and element of a body as an edit path; of the master's 70 cells only the first
// dozen, which share their shape with the rest.
void collectPaths(const QJsonValue &node, const QString &path, QStringList &paths)
{
    paths.append(path);
    if (node.isObject()) {
        const QJsonObject object = node.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            collectPaths(it.value(), path + u'/' + it.key(), paths);
    } else if (node.isArray()) {
        const QJsonArray array = node.toArray();
        const qsizetype limit = path.endsWith(QLatin1String("master:/list")) ? 12 : array.size();
        for (qsizetype i = 0; i < limit; ++i)
            collectPaths(array.at(i), path + u'/' + QString::number(i), paths);
    }
}

// Each path removed, or replaced by a value of another type or an extreme number.
QStringList mutations(const fixtures::Bodies &bodies)
{
    QStringList paths;
    collectPaths(bodies.detail, QStringLiteral("detail:"), paths);
    collectPaths(bodies.master, QStringLiteral("master:"), paths);
    collectPaths(bodies.tables, QStringLiteral("tables:"), paths);
    static const QStringList values = {
        "null", "\"7\"", "1.5", "1e300", "-9223372036854775808", "9223372036854775808", "0",
        "true", "[]",    "{}",  "[{}]"};
    QStringList edits;
    for (const QString &path : paths) {
        edits.append(u'!' + path);
        for (const QString &value : values)
            edits.append(path + u'=' + value);
    }
    return edits;
}

// Anything but a refusal or a decoding error (or a crash) fails the test.
template <typename Call> void refusesOrAnswers(Call call)
{
    try {
        call();
    } catch (const DemoError &) {
    } catch (const DecodingError &) {
    }
}

QByteArray nestedPackages(int depth)
{
    QByteArray course = R"({"name": "最内层"})";
    for (int level = 0; level < depth; ++level)
        course = R"({"objectType": 2, "courses": [)" + course + "]}";
    course.insert(1, R"("coordId": 101, )");
    return R"({"totalCount": 1, "list": [{"objectId": 1001, "classCourseTimeTable": [)" + course + "]}]}";
}

} // namespace

class MutationTests : public QObject
{
    Q_OBJECT

private slots:
    void studentAdaptersSurviveMutatedBodies();
    void teacherAdapterSurvivesMutatedBodies();
    void recordsSurviveMutatedRows();
    void deepPackagesAndBrokenBytes();
};

void MutationTests::studentAdaptersSurviveMutatedBodies()
{
    const QDateTime monday = fixtures::at("2025-03-03");
    for (const QString &edit : mutations(fixtures::studentBodies())) {
        auto bodies = fixtures::studentBodies().apply(edit);
        const QByteArray detail = bodies.detailData(), master = bodies.masterData(),
                         tables = bodies.tablesData();
        refusesOrAnswers([&] {
            TimetableAdapter::normalize(fixtures::student(), fixtures::task(), detail, master, tables, monday,
                                        2);
        });
        refusesOrAnswers([&] {
            WeekScheduleBuilder::studentDay(fixtures::student(), fixtures::task(), detail, master, tables,
                                            monday, 2);
        });
        refusesOrAnswers(
            [&] { WeekScheduleBuilder::requiresParity(master, tables, monday, fixtures::kStudentId); });
    }
}

void MutationTests::teacherAdapterSurvivesMutatedBodies()
{
    const QDateTime monday = fixtures::at("2025-03-03");
    const ClassSections classes{{11, {2}}, {12, {2, 3}}};
    for (const QString &edit : mutations(fixtures::teacherBodies())) {
        auto bodies = fixtures::teacherBodies().apply(edit);
        refusesOrAnswers([&] {
            const TeacherSchedule day = TeacherTimetableAdapter::normalize(
                fixtures::teacher(), fixtures::task(), bodies.detailData(), bodies.masterData(),
                bodies.tablesData(), monday, classes, std::nullopt);
            WeekScheduleBuilder::teacherDay(day);
        });
    }
}

void MutationTests::recordsSurviveMutatedRows()
{
    const QJsonObject row =
        json::parseObject(R"({"studentId": 5, "studentName": "李雷", "studentEName": "Lei",
        "classInfos": [{"id": 31, "name": "7A", "eName": "G7A", "grade": 7, "classType": 1}]})");
    const QJsonObject detail = json::parseObject(
        R"({"id": 7, "schoolId": 9, "isTakeEffect": true, "workRestTableType": 1, "courseTaskType": 1})");
    fixtures::Bodies bodies{detail, row, QJsonObject()};
    QStringList paths;
    for (const QString &edit : mutations(bodies)) {
        auto mutated = fixtures::Bodies(bodies).apply(edit);
        refusesOrAnswers([&] { ScheduleStudentRow::fromJson(json::toObject(mutated.master)).student(9); });
        refusesOrAnswers([&] { TeacherRosterStudent::fromJson(json::toObject(mutated.master)); });
        refusesOrAnswers([&] { TeacherTaskDetail::fromJson(json::toObject(mutated.detail)); });
    }
}

void MutationTests::deepPackagesAndBrokenBytes()
{
    const auto bodies = fixtures::studentBodies();
    const QDateTime monday = fixtures::at("2025-03-03");
    const Timetable deep =
        TimetableAdapter::normalize(fixtures::student(), fixtures::task(), bodies.detailData(),
                                    bodies.masterData(), nestedPackages(300), monday, 2);
    QCOMPARE(deep.lessons.size(), 1);
    const QByteArray truncated = bodies.tablesData().chopped(9);
    for (const QByteArray &tables : {nestedPackages(20000), truncated, QByteArray(), QByteArray("null")}) {
        QVERIFY_THROWS_EXCEPTION(
            DemoError, TimetableAdapter::normalize(fixtures::student(), fixtures::task(), bodies.detailData(),
                                                   bodies.masterData(), tables, monday, 2));
        QVERIFY_THROWS_EXCEPTION(DemoError, WeekScheduleBuilder::requiresParity(
                                                bodies.masterData(), tables, monday, fixtures::kStudentId));
    }
}

int runMutationTests(int argc, char **argv)
{
    MutationTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_mutations.moc"
