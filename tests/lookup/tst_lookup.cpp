#include "core/base/shanghai.h"
#include "core/client/quorvaleapierror.h"
#include "lookupfixture.h"
#include "smallschool.h"
#include "suites.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;
using school::schoolWith;
using school::TaskSpec;

namespace {

const QDate monday = school::monday();
const QDate wednesday = monday.addDays(2);

Student liLei(qint64 studySection = 2)
{
    return {school::liLei,  QStringLiteral("李雷"),        QStringLiteral("Li Lei"),
            school::grade7, QStringLiteral("七年级(1)班"), school::schoolId,
            studySection};
}

QStringList ids(const QList<CourseTaskOption> &tasks)
{
    QStringList list;
    for (const CourseTaskOption &task : tasks)
        list.append(QString::number(task.id));
    return list;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

const WeekDaySchedule &dayOf(const WeeklySchedule &week, QDate date)
{
    const auto found = std::find_if(week.days.cbegin(), week.days.cend(),
                                    [date](const WeekDaySchedule &day) { return day.date == date; });
    Q_ASSERT(found != week.days.cend());
    return *found;
}

QStringList subjects(const WeekDaySchedule &day)
{
    QStringList list;
    for (const WeekEvent &event : day.events)
        list.append(event.subject);
    return list;
}

QString dayText(QDate day)
{
    return shanghai::dayText(day);
}

// The student's own row of the course-table answer with another person's row beside it.
demo::HttpResponse withOtherRow(const demo::HttpResponse &usual, const QJsonObject &other)
{
    QJsonObject envelope = QJsonDocument::fromJson(usual.body).object();
    QJsonObject data = envelope.value(QStringLiteral("data")).toObject();
    QJsonArray list = data.value(QStringLiteral("list")).toArray();
    list.append(other);
    data.insert(QStringLiteral("list"), list);
    data.insert(QStringLiteral("totalCount"), list.size());
    return demo::envelope(data);
}

QJsonObject otherPerson(const QJsonValue &objectId, const QJsonValue &courses)
{
    return {{QStringLiteral("objectId"), objectId},
            {QStringLiteral("objectName"), QStringLiteral("别人")},
            {QStringLiteral("classCourseTimeTable"), courses}};
}

// A course of another person on Thursday B2 with the given week code.
QJsonArray thursdayCourse(qint64 weekCode)
{
    return {QJsonObject{{QStringLiteral("coordId"), demo::SampleSchool::cellId(4, 2)},
                        {QStringLiteral("objectType"), 1},
                        {QStringLiteral("name"), QStringLiteral("体育")},
                        {QStringLiteral("singleDoubleSet"), weekCode}}};
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint64>)

class TestStudentLookup : public QObject
{
    Q_OBJECT

private slots:
    void choosesTheTask_data();
    void choosesTheTask();
    void asksWeekCodesOnlyWhereNeeded_data();
    void asksWeekCodesOnlyWhereNeeded();
    void notesDaysThatCannotBeConfirmed_data();
    void notesDaysThatCannotBeConfirmed();
    void readsOnlyTheStudentsOwnTable_data();
    void readsOnlyTheStudentsOwnTable();
    void readsOneRawCourseTablePage();
};

void TestStudentLookup::choosesTheTask_data()
{
    QTest::addColumn<QList<TaskSpec>>("tasks");
    QTest::addColumn<std::optional<qint64>>("taskId");
    QTest::addColumn<qint64>("studySection");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("tried");
    QTest::addColumn<QString>("firstTried");

    const QList<qint64> g7{school::grade7};
    const QList<qint64> g10{school::grade10};
    const std::optional<qint64> none;
    QTest::newRow("default task first, the others never asked")
        << QList<TaskSpec>{{21, std::nullopt, g7}, {22, true, g7}} << none << qint64(2) << ""
        << QStringList{"22"} << "22" << QStringList{"22"} << "22";
    QTest::newRow("requested task alone")
        << QList<TaskSpec>{{21, std::nullopt, g7}, {22, true, g7}} << std::optional<qint64>(21) << qint64(2)
        << "" << QStringList{"21"} << "21" << QStringList{"21"} << "21";
    QTest::newRow("two defaults leave the choice")
        << QList<TaskSpec>{{21, true, g7}, {22, true, g7}} << none << qint64(2) << ""
        << QStringList{"21", "22"} << "" << QStringList{"21", "22"} << "";
    QTest::newRow("one marked candidate among two defaults")
        << QList<TaskSpec>{{21, true, g7}, {22, true, g10}, {23, std::nullopt, g7}} << none << qint64(2) << ""
        << QStringList{"21", "23"} << "21" << QStringList{"21", "22", "23"} << "";
    QTest::newRow("default task without the student gives way")
        << QList<TaskSpec>{{21, std::nullopt, g7}, {22, true, g10}} << none << qint64(2) << ""
        << QStringList{"21"} << "21" << QStringList{"21", "22"} << "22";
    QTest::newRow("task not in effect") << QList<TaskSpec>{{21, true, g7, false}} << none << qint64(2)
                                        << "当前账号可见的有效任务中，没有该学生的个人课表" << QStringList{}
                                        << "" << QStringList{"21"} << "21";
    QTest::newRow("unsupported layout") << QList<TaskSpec>{{21, true, g7, true, 2}} << none << qint64(2)
                                        << "该日期没有可解析的个人周课表；循环日或新高考模板尚需适配"
                                        << QStringList{} << "" << QStringList{"21"} << "21";
    QTest::newRow("requested task no longer valid")
        << QList<TaskSpec>{{21, true, g7}} << std::optional<qint64>(99) << qint64(2)
        << "所选课表在该日期已不适用，请重新选择" << QStringList{} << "" << QStringList{} << "";
    QTest::newRow("no task on the day")
        << QList<TaskSpec>{} << none << qint64(2) << "该日期没有有效的排课任务" << QStringList{} << ""
        << QStringList{} << "";
    QTest::newRow("section not yet known")
        << QList<TaskSpec>{{21, true, g7}} << none << qint64(0) << "该学生学部尚未确认，暂不能换算初高中作息"
        << QStringList{} << "" << QStringList{} << "";
    QTest::newRow("section not supported")
        << QList<TaskSpec>{{21, true, g7}} << none << qint64(1) << "只支持初中和高中" << QStringList{} << ""
        << QStringList{} << "";
}

void TestStudentLookup::choosesTheTask()
{
    QFETCH(QList<TaskSpec>, tasks);
    QFETCH(std::optional<qint64>, taskId);
    QFETCH(qint64, studySection);
    QFETCH(QString, failure);
    QFETCH(QStringList, candidates);
    QFETCH(QString, selected);
    QFETCH(QStringList, tried);
    QFETCH(QString, firstTried);

    LookupFixture fixture;
    fixture.open(schoolWith(tasks));
    const Outcome<LiveTimetableResult> outcome =
        outcomeOf(fixture.api->lookupTimetable(liLei(studySection), school::at(wednesday, 10, 0), taskId));

    QCOMPARE(outcome.failure, failure);
    const QStringList details = fixture.asked(paths::taskDetail, QStringLiteral("id"));
    QCOMPARE(sorted(details), tried);
    if (!firstTried.isEmpty())
        QCOMPARE(details.first(), firstTried);
    if (!failure.isEmpty())
        return;
    const LiveTimetableResult &result = *outcome.value;
    QCOMPARE(ids(result.tasks), candidates);
    QCOMPARE(result.selectedTask ? QString::number(result.selectedTask->id) : QString(), selected);
    QCOMPARE(result.timetable.has_value(), !selected.isEmpty());
    QCOMPARE(result.week.has_value(), !selected.isEmpty());
    QCOMPARE(fixture.asked(paths::master, QStringLiteral("courseTaskId")).contains(selected),
             !selected.isEmpty());
}

void TestStudentLookup::asksWeekCodesOnlyWhereNeeded_data()
{
    QTest::addColumn<QDate>("taskEnd");
    QTest::addColumn<QStringList>("codesAsked");
    QTest::addColumn<QList<QDate>>("outsideTask");

    QTest::newRow("whole week in the task")
        << QDate(2025, 7, 6) << QStringList{dayText(monday), dayText(wednesday), dayText(monday.addDays(4))}
        << QList<QDate>{};
    QTest::newRow("task ends on Wednesday")
        << wednesday << QStringList{dayText(monday), dayText(wednesday)}
        << QList<QDate>{monday.addDays(3), monday.addDays(4), monday.addDays(5), monday.addDays(6)};
}

void TestStudentLookup::asksWeekCodesOnlyWhereNeeded()
{
    QFETCH(QDate, taskEnd);
    QFETCH(QStringList, codesAsked);
    QFETCH(QList<QDate>, outsideTask);

    LookupFixture fixture;
    demo::SchoolData data = school::school();
    data.tasks = {school::task(21, QDate(2025, 2, 17), taskEnd, true, {school::grade7})};
    fixture.open(data);

    const Outcome<LiveTimetableResult> outcome =
        outcomeOf(fixture.api->lookupTimetable(liLei(), school::at(monday, 9, 30), std::nullopt));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    const LiveTimetableResult &result = *outcome.value;

    // One request of each kind, and a week code only for the days in the task whose lessons need one.
    for (const QString &path :
         {paths::currentUser, paths::taskList, paths::taskDetail, paths::courseTable, paths::master})
        QCOMPARE(fixture.count(path), 1);
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))), codesAsked);
    QCOMPARE(fixture.asked(paths::weekCode, QStringLiteral("schoolSemesterId")).first(),
             QString::number(school::semesterId));

    // Teaching week 3 is odd: 音乐 rather than 美术.
    QVERIFY(result.timetable.has_value());
    QCOMPARE(result.week->weekStart, monday);
    QCOMPARE(result.week->days.size(), 7);
    QCOMPARE(subjects(dayOf(*result.week, monday)), (QStringList{"数学", "音乐"}));
    QCOMPARE(subjects(dayOf(*result.week, wednesday)), QStringList{"音乐"});
    for (qint64 offset = 0; offset < 7; ++offset) {
        const QDate day = monday.addDays(offset);
        const bool outside = outsideTask.contains(day);
        QCOMPARE(dayOf(*result.week, day).note,
                 outside ? std::optional(QStringLiteral("不在课表有效期内")) : std::nullopt);
    }
}

void TestStudentLookup::notesDaysThatCannotBeConfirmed_data()
{
    QTest::addColumn<QDate>("queried");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("failure");

    const QString unauthenticated = QuorvaleAPIError::unauthenticated().description();
    QTest::newRow("lost answer on another day") << monday << "drop"
                                                << "";
    QTest::newRow("unconfirmed week on another day") << monday << "zero"
                                                     << "";
    QTest::newRow("refusal on another day") << monday << "refuse"
                                            << "";
    QTest::newRow("session expires during the week") << monday << "expire" << unauthenticated;
    QTest::newRow("unconfirmed week on the queried day") << wednesday << "zero"
                                                         << "该日期单双周尚未确认";
    QTest::newRow("lost answer on the queried day")
        << wednesday << "drop" << QuorvaleAPIError::network().description();
}

void TestStudentLookup::notesDaysThatCannotBeConfirmed()
{
    QFETCH(QDate, queried);
    QFETCH(QString, fault);
    QFETCH(QString, failure);

    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, {school::grade7}}}));
    demo::DemoPlatform &platform = fixture.platform;
    // Only Wednesday's week-code request meets the fault; the other days are answered as usual.
    fixture.onArrival(paths::weekCode, QStringLiteral("nowDate"), dayText(wednesday), [&platform, fault] {
        if (fault == u"drop")
            platform.faults().drop(paths::weekCode);
        else if (fault == u"zero")
            platform.faults().answer(paths::weekCode, demo::envelope(0));
        else if (fault == u"refuse")
            platform.faults().answer(paths::weekCode, demo::refusal(3, QStringLiteral("学期不存在")));
        else
            platform.sessions().expireAll();
    });

    const Outcome<LiveTimetableResult> outcome =
        outcomeOf(fixture.api->lookupTimetable(liLei(), school::at(queried, 9, 30), std::nullopt));

    QCOMPARE(outcome.failure, failure);
    if (!failure.isEmpty())
        return;
    const WeeklySchedule &week = *outcome.value->week;
    QCOMPARE(dayOf(week, wednesday).note, std::optional(QStringLiteral("该日课表待确认")));
    QVERIFY(dayOf(week, wednesday).events.isEmpty());
    QCOMPARE(subjects(dayOf(week, monday)), (QStringList{"数学", "音乐"}));
    QCOMPARE(subjects(dayOf(week, monday.addDays(3))), QStringList{"英语"});
    QCOMPARE(subjects(dayOf(week, monday.addDays(4))), QStringList{"音乐"});
    QCOMPARE(dayOf(week, monday.addDays(4)).note, std::nullopt);
}

void TestStudentLookup::readsOnlyTheStudentsOwnTable_data()
{
    QTest::addColumn<QJsonObject>("other");

    QTest::newRow("another person's alternating course") << otherPerson(school::hanMeimei, thursdayCourse(1));
    QTest::newRow("another person's unknown week type") << otherPerson(school::hanMeimei, thursdayCourse(7));
    QTest::newRow("another person's unreadable table")
        << otherPerson(school::hanMeimei, QStringLiteral("损坏"));
}

void TestStudentLookup::readsOnlyTheStudentsOwnTable()
{
    QFETCH(QJsonObject, other);

    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, {school::grade7}}}));
    LookupFixture *at = &fixture;
    fixture.replace(paths::courseTable, [at, other](const demo::HttpRequest &request) {
        return std::optional(withOtherRow(demo::timetableAnswer(at->platform, *at->answers, request), other));
    });

    const Outcome<LiveTimetableResult> outcome =
        outcomeOf(fixture.api->lookupTimetable(liLei(), school::at(monday, 9, 30), std::nullopt));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    const LiveTimetableResult &result = *outcome.value;

    QVERIFY(result.timetable.has_value());
    QVERIFY(!fixture.asked(paths::weekCode, QStringLiteral("nowDate")).contains(dayText(monday.addDays(3))));
    QCOMPARE(subjects(dayOf(*result.week, monday.addDays(3))), QStringList{"英语"});
    QCOMPARE(dayOf(*result.week, monday.addDays(3)).note, std::nullopt);
}

void TestStudentLookup::readsOneRawCourseTablePage()
{
    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, {school::grade7}}}));

    const Outcome<QString> outcome = outcomeOf(fixture.api->timetable(liLei(), 21, 0, 1));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    const QString text = *outcome.value;

    QCOMPARE(fixture.platform.requestsTo(paths::courseTable).first().target,
             QByteArray("/api/CourseTask/GetStudentCourseTimeTable?classId=0&courseTaskId=21&pageIndex=1&"
                        "pageSize=50&studentId=11"));
    QVERIFY(text.contains(QStringLiteral("\n    \"data\": {")));
    const QJsonObject envelope = QJsonDocument::fromJson(text.toUtf8()).object();
    QCOMPARE(envelope.value(QStringLiteral("state")).toInteger(), 0);
    QCOMPARE(
        envelope.value(QStringLiteral("data")).toObject().value(QStringLiteral("totalCount")).toInteger(), 1);
}

int runLookupTests(int argc, char **argv)
{
    TestStudentLookup tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_lookup.moc"
