#include "core/base/shanghai.h"
#include "core/client/quorvaleapierror.h"
#include "lookupfixture.h"
#include "smallschool.h"
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
const QDateTime wednesdayMorning = school::at(wednesday, 10, 0);
const QList<qint64> g7{school::grade7};
const QList<qint64> g10{school::grade10};

Student liLei(qint64 studySection = 2)
{
    return {school::liLei,  QStringLiteral("李雷"),        QStringLiteral("Li Lei"),
            school::grade7, QStringLiteral("七年级(1)班"), school::schoolId,
            studySection};
}

QJsonObject row(qint64 id, const QString &name, const QString &label = QStringLiteral("七年级(1)班"))
{
    QJsonArray classes;
    if (!label.isEmpty())
        classes.append(QJsonObject{{QStringLiteral("id"), label == u"8B" ? 702 : 701},
                                   {QStringLiteral("name"), label},
                                   {QStringLiteral("grade"), label == u"8B" ? 8 : 7},
                                   {QStringLiteral("classType"), 1}});
    return {{QStringLiteral("studentId"), id},
            {QStringLiteral("studentName"), name},
            {QStringLiteral("classInfos"), classes}};
}

// Rows of G7 students with consecutive ids.
QJsonArray rows(qint64 firstId, qint64 count)
{
    QJsonArray list;
    for (qint64 id = firstId; id < firstId + count; ++id)
        list.append(row(id, QStringLiteral("学生%1").arg(id)));
    return list;
}

QJsonObject pageData(qint64 total, const QJsonArray &list, std::optional<qint64> currentIndex)
{
    return QJsonDocument::fromJson(page(total, list, currentIndex).body)
        .object()
        .value(QStringLiteral("data"))
        .toObject();
}

// Each day of the week, Monday first, as its subjects joined by "+".
QStringList subjectsOf(const WeeklySchedule &week)
{
    QStringList list;
    for (const WeekDaySchedule &day : week.days) {
        QStringList subjects;
        for (const WeekEvent &event : day.events)
            subjects.append(event.subject);
        list.append(subjects.join(u'+'));
    }
    return list;
}

QString dayText(qint64 fromMonday)
{
    return shanghai::dayText(monday.addDays(fromMonday));
}

// The student's own row of the course-table answer with another person's row beside it.
demo::HttpResponse withOtherRow(const demo::HttpResponse &usual, const QJsonValue &courses)
{
    QJsonObject data = QJsonDocument::fromJson(usual.body).object().value(QStringLiteral("data")).toObject();
    QJsonArray list = data.value(QStringLiteral("list")).toArray();
    list.append(QJsonObject{{QStringLiteral("objectId"), school::hanMeimei},
                            {QStringLiteral("objectName"), QStringLiteral("别人")},
                            {QStringLiteral("classCourseTimeTable"), courses}});
    data.insert(QStringLiteral("list"), list);
    data.insert(QStringLiteral("totalCount"), list.size());
    return demo::envelope(data);
}

} // namespace

Q_DECLARE_METATYPE(QList<QJsonObject>)
Q_DECLARE_METATYPE(std::optional<qint64>)

class TestStudentLookup : public QObject
{
    Q_OBJECT

private slots:
    void searchesTasksInEffectPreferredFirst_data();
    void searchesTasksInEffectPreferredFirst();
    void readsPagesStrictlyAndSortsByNameThenId_data();
    void readsPagesStrictlyAndSortsByNameThenId();
    void mergesStudentsAcrossTasks_data();
    void mergesStudentsAcrossTasks();
    void choosesTheTask_data();
    void choosesTheTask();
    void buildsTheWeekAndNotesDaysThatCannotBeConfirmed_data();
    void buildsTheWeekAndNotesDaysThatCannotBeConfirmed();
};

void TestStudentLookup::searchesTasksInEffectPreferredFirst_data()
{
    QTest::addColumn<QList<TaskSpec>>("tasks");
    QTest::addColumn<QString>("firstChecked");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("searched");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<qsizetype>("requests");

    QTest::newRow("preferred task in effect is searched alone")
        << QList<TaskSpec>{{21, std::nullopt, g7}, {22, true, g10}} << "22" << QStringList{"22"}
        << QStringList{"22"} << QStringList{"李华"} << qsizetype(4);
    QTest::newRow("preferred task not in effect gives way")
        << QList<TaskSpec>{{21, std::nullopt, g7}, {22, true, g10, false}} << "22" << QStringList{"21", "22"}
        << QStringList{"21"} << QStringList{"李雷"} << qsizetype(5);
    QTest::newRow("two defaults are searched across both")
        << QList<TaskSpec>{{21, true, {school::grade7, school::grade10}}, {22, true, g10}} << ""
        << QStringList{"21", "22"} << QStringList{"21", "22"} << QStringList{"李华", "李雷"} << qsizetype(6);
    QTest::newRow("tasks not yet valid are never asked")
        << QList<TaskSpec>{{21, std::nullopt, g7}} << "21" << QStringList{"21"} << QStringList{"21"}
        << QStringList{"李雷"} << qsizetype(4);
}

void TestStudentLookup::searchesTasksInEffectPreferredFirst()
{
    QFETCH(QList<TaskSpec>, tasks);
    QFETCH(QString, firstChecked);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, searched);
    QFETCH(QStringList, found);
    QFETCH(qsizetype, requests);

    LookupFixture fixture;
    demo::SchoolData data = schoolWith(tasks);
    // A later term, valid only from next month, stays out of the search.
    data.tasks.append(school::task(30, QDate(2025, 4, 1), QDate(2025, 7, 6), true, {school::grade8}));
    fixture.open(data);

    const Outcome<QList<Student>> outcome =
        outcomeOf(fixture.api->search(QStringLiteral(" 李 "), school::schoolId, wednesdayMorning));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    QCOMPARE(mapped(*outcome.value, [](const Student &student) { return student.name; }), found);
    const QStringList checks = fixture.asked(paths::taskDetail, QStringLiteral("id"));
    if (!firstChecked.isEmpty())
        QCOMPARE(checks.first(), firstChecked);
    QCOMPARE(sorted(checks), checked);
    QCOMPARE(sorted(fixture.asked(paths::roster, QStringLiteral("courseTaskId"))), searched);
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("key")).first(), QStringLiteral("李"));
    QCOMPARE(fixture.platform.requests().size(), requests);
}

void TestStudentLookup::readsPagesStrictlyAndSortsByNameThenId_data()
{
    QTest::addColumn<QList<QJsonObject>>("pages");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<qsizetype>("found");
    QTest::addColumn<qsizetype>("requested");

    const QString incomplete = QStringLiteral("课表学生名单分页不完整，请重新查询");
    const QString repeated = QStringLiteral("课表学生名单出现重复分页，请重新查询");
    using Pages = QList<QJsonObject>;

    QTest::newRow("page without currentIndex")
        << Pages{pageData(2, rows(1, 2), std::nullopt)} << "" << qsizetype(2) << qsizetype(1);
    QTest::newRow("pages of 50, 50 and 20")
        << Pages{pageData(120, rows(1, 50), 1), pageData(120, rows(51, 50), 2),
                 pageData(120, rows(101, 20), 3)}
        << "" << qsizetype(120) << qsizetype(3);
    QTest::newRow("wrong currentIndex") << Pages{pageData(70, rows(1, 50), 1), pageData(70, rows(51, 20), 1)}
                                        << incomplete << qsizetype(0) << qsizetype(2);
    QTest::newRow("total changes on a later page")
        << Pages{pageData(120, rows(1, 50), 1), pageData(121, rows(51, 50), 2),
                 pageData(120, rows(101, 20), 3)}
        << incomplete << qsizetype(0) << qsizetype(3);
    QTest::newRow("negative total") << Pages{pageData(-1, {}, 1)} << incomplete << qsizetype(0)
                                    << qsizetype(1);
    QTest::newRow("empty page before all rows")
        << Pages{pageData(3, {}, 1)} << incomplete << qsizetype(0) << qsizetype(1);
    QTest::newRow("more than 50 rows")
        << Pages{pageData(60, rows(1, 51), 1)} << incomplete << qsizetype(0) << qsizetype(1);
    QTest::newRow("more rows than the total")
        << Pages{pageData(2, rows(1, 3), 1)} << "课表学生名单分页异常" << qsizetype(0) << qsizetype(1);
    QTest::newRow("student repeated on a later page")
        << Pages{pageData(70, rows(1, 50), 1), pageData(70, rows(50, 20), 2)} << repeated << qsizetype(0)
        << qsizetype(2);
    QTest::newRow("sorted by name then id")
        << Pages{pageData(3,
                          {row(9, QStringLiteral("王五")), row(8, QStringLiteral("张三")),
                           row(2, QStringLiteral("张三"))},
                          1)}
        << "" << qsizetype(3) << qsizetype(1);
}

void TestStudentLookup::readsPagesStrictlyAndSortsByNameThenId()
{
    QFETCH(QList<QJsonObject>, pages);
    QFETCH(QString, failure);
    QFETCH(qsizetype, found);
    QFETCH(qsizetype, requested);

    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, g7}}));
    fixture.replace(paths::roster, [pages](const demo::HttpRequest &request) {
        const qsizetype index = request.query.value(QStringLiteral("pageIndex")).toLongLong() - 1;
        return demo::envelope(index >= 0 && index < pages.size() ? QJsonValue(pages.at(index))
                                                                 : QJsonValue());
    });

    const Outcome<QList<Student>> outcome =
        outcomeOf(fixture.api->search(QStringLiteral("学生"), school::schoolId, wednesdayMorning));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(outcome.value.value_or(QList<Student>{}).size(), found);
    QCOMPARE(fixture.count(paths::roster), requested);
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("pageSize")).first(), QStringLiteral("50"));
    if (QTest::currentDataTag() == QByteArray("sorted by name then id"))
        QCOMPARE(
            mapped(*outcome.value,
                   [](const Student &student) { return student.name + u'#' + QString::number(student.id); }),
            (QStringList{"张三#2", "张三#8", "王五#9"}));
}

void TestStudentLookup::mergesStudentsAcrossTasks_data()
{
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("className");
    QTest::addColumn<qint64>("classId");
    QTest::addColumn<qint64>("studySection");

    QTest::newRow("same class everywhere")
        << QStringList{"7A", "7A", "7A"} << "7A" << qint64(701) << qint64(2);
    QTest::newRow("class met again in a third task")
        << QStringList{"7A", "8B", "8B"} << "7A / 8B" << qint64(0) << qint64(2);
    QTest::newRow("placeholder gives way to a class")
        << QStringList{"", "8B"} << "8B" << qint64(0) << qint64(0);
    QTest::newRow("placeholder alone") << QStringList{"", ""} << "班级待确认" << qint64(0) << qint64(0);
}

void TestStudentLookup::mergesStudentsAcrossTasks()
{
    QFETCH(QStringList, labels);
    QFETCH(QString, className);
    QFETCH(qint64, classId);
    QFETCH(qint64, studySection);

    // One task per label, none preferred, so every task is searched; each lists the same student
    // under its own class.
    QList<TaskSpec> tasks;
    for (qsizetype i = 0; i < labels.size(); ++i)
        tasks.append({21 + i, std::nullopt, g7});
    LookupFixture fixture;
    fixture.open(schoolWith(tasks));
    fixture.replace(paths::roster, [labels](const demo::HttpRequest &request) {
        QJsonObject student =
            row(11, QStringLiteral("李雷"),
                labels.at(request.query.value(QStringLiteral("courseTaskId")).toLongLong() - 21));
        student.insert(QStringLiteral("studentEName"), QStringLiteral("Li Lei"));
        return std::optional(page(1, {student}, 1));
    });

    const Outcome<QList<Student>> outcome =
        outcomeOf(fixture.api->search(QStringLiteral("李"), school::schoolId, wednesdayMorning));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    QCOMPARE(outcome.value->size(), 1);
    const Student &student = outcome.value->first();
    QCOMPARE(student.className, className);
    QCOMPARE(student.classId, classId);
    QCOMPARE(student.studySection, studySection);
    QCOMPARE(student.englishName, QStringLiteral("Li Lei"));
    QCOMPARE(student.schoolId, school::schoolId);
}

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
    QTest::newRow("requested task no longer valid")
        << QList<TaskSpec>{{21, true, g7}} << std::optional<qint64>(99) << qint64(2)
        << "所选课表在该日期已不适用，请重新选择" << QStringList{} << "" << QStringList{} << "";
    QTest::newRow("section not yet known")
        << QList<TaskSpec>{{21, true, g7}} << none << qint64(0) << "该学生学部尚未确认，暂不能换算初高中作息"
        << QStringList{} << "" << QStringList{} << "";
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
        outcomeOf(fixture.api->lookupTimetable(liLei(studySection), wednesdayMorning, taskId));

    QCOMPARE(outcome.failure, failure);
    const QStringList details = fixture.asked(paths::taskDetail, QStringLiteral("id"));
    QCOMPARE(sorted(details), tried);
    if (!firstTried.isEmpty())
        QCOMPARE(details.first(), firstTried);
    if (!failure.isEmpty())
        return;
    const LiveTimetableResult &result = *outcome.value;
    QCOMPARE(idsOf(result.tasks), candidates);
    QCOMPARE(result.selectedTask ? QString::number(result.selectedTask->id) : QString(), selected);
    QCOMPARE(result.timetable.has_value(), !selected.isEmpty());
    QCOMPARE(result.week.has_value(), !selected.isEmpty());
    QCOMPARE(fixture.asked(paths::master, QStringLiteral("courseTaskId")).contains(selected),
             !selected.isEmpty());
}

void TestStudentLookup::buildsTheWeekAndNotesDaysThatCannotBeConfirmed_data()
{
    QTest::addColumn<QDate>("taskEnd");
    QTest::addColumn<qint64>("queried");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("codesAsked");
    QTest::addColumn<QStringList>("subjects");
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QJsonValue>("otherTable");

    // Teaching week 3 is odd: 音乐 rather than 美术.
    const QDate termEnd(2025, 7, 6);
    const QStringList whole{"数学+音乐", "", "音乐", "英语", "音乐", "", ""};
    const QStringList allCodes{dayText(0), dayText(2), dayText(4)};
    const QStringList noNotes(7, QString());
    const QString outside = QStringLiteral("不在课表有效期内");
    QTest::newRow("whole week in the task") << termEnd << qint64(0) << ""
                                            << "" << allCodes << whole << noNotes << QJsonValue();
    QTest::newRow("task ends on Wednesday")
        << wednesday << qint64(0) << ""
        << "" << QStringList{dayText(0), dayText(2)} << QStringList{"数学+音乐", "", "音乐", "", "", "", ""}
        << QStringList{"", "", "", outside, outside, outside, outside} << QJsonValue();

    // Only Wednesday's week-code request meets the fault; the other days are answered as usual.
    QStringList wednesdayLost = whole;
    wednesdayLost[2] = QString();
    QStringList wednesdayNoted = noNotes;
    wednesdayNoted[2] = QStringLiteral("该日课表待确认");
    for (const char *fault : {"drop", "zero", "refuse"})
        QTest::addRow("%s on another day", fault) << termEnd << qint64(0) << fault << "" << QStringList{}
                                                  << wednesdayLost << wednesdayNoted << QJsonValue();
    const QStringList none;
    QTest::newRow("session expires during the week")
        << termEnd << qint64(0) << "expire" << QuorvaleAPIError::unauthenticated().description() << none
        << none << none << QJsonValue();
    QTest::newRow("unconfirmed week on the queried day")
        << termEnd << qint64(2) << "zero"
        << "该日期单双周尚未确认" << none << none << none << QJsonValue();
    QTest::newRow("lost answer on the queried day")
        << termEnd << qint64(2) << "drop" << QuorvaleAPIError::network().description() << none << none << none
        << QJsonValue();

    // Another person's table beside the student's, which the student's week must not see: their
    // course on Thursday B2 of the week type given, or their unreadable table.
    const auto thursday = [](qint64 weekCode) {
        return QJsonValue(
            QJsonArray{QJsonObject{{QStringLiteral("coordId"), demo::SampleSchool::cellId(4, 2)},
                                   {QStringLiteral("objectType"), 1},
                                   {QStringLiteral("name"), QStringLiteral("体育")},
                                   {QStringLiteral("singleDoubleSet"), weekCode}}});
    };
    QTest::newRow("another person's alternating course") << termEnd << qint64(0) << ""
                                                         << "" << allCodes << whole << noNotes << thursday(1);
    QTest::newRow("another person's unknown week type") << termEnd << qint64(0) << ""
                                                        << "" << allCodes << whole << noNotes << thursday(7);
    QTest::newRow("another person's unreadable table")
        << termEnd << qint64(0) << ""
        << "" << allCodes << whole << noNotes << QJsonValue(QStringLiteral("损坏"));
}

void TestStudentLookup::buildsTheWeekAndNotesDaysThatCannotBeConfirmed()
{
    QFETCH(QDate, taskEnd);
    QFETCH(qint64, queried);
    QFETCH(QString, fault);
    QFETCH(QString, failure);
    QFETCH(QStringList, codesAsked);
    QFETCH(QStringList, subjects);
    QFETCH(QStringList, notes);
    QFETCH(QJsonValue, otherTable);

    LookupFixture fixture;
    demo::SchoolData data = school::school();
    data.tasks = {school::task(21, QDate(2025, 2, 17), taskEnd, true, g7)};
    fixture.open(data);
    if (!otherTable.isNull()) {
        LookupFixture *at = &fixture;
        fixture.replace(paths::courseTable, [at, otherTable](const demo::HttpRequest &request) {
            return std::optional(
                withOtherRow(demo::timetableAnswer(at->platform, *at->answers, request), otherTable));
        });
    }
    demo::DemoPlatform &platform = fixture.platform;
    fixture.onArrival(paths::weekCode, QStringLiteral("nowDate"), dayText(2), [&platform, fault] {
        if (fault == u"drop")
            platform.faults().drop(paths::weekCode);
        else if (fault == u"zero")
            platform.faults().answer(paths::weekCode, demo::envelope(0));
        else if (fault == u"refuse")
            platform.faults().answer(paths::weekCode, demo::refusal(3, QStringLiteral("学期不存在")));
        else if (fault == u"expire")
            platform.sessions().expireAll();
    });

    const Outcome<LiveTimetableResult> outcome = outcomeOf(
        fixture.api->lookupTimetable(liLei(), school::at(monday.addDays(queried), 9, 30), std::nullopt));

    QCOMPARE(outcome.failure, failure);
    if (!failure.isEmpty())
        return;
    const LiveTimetableResult &result = *outcome.value;
    QVERIFY(result.timetable.has_value());
    QCOMPARE(result.week->weekStart, monday);
    QCOMPARE(subjectsOf(*result.week), subjects);
    QCOMPARE(notesOf(*result.week), notes);
    if (codesAsked.isEmpty())
        return;
    // One request of each kind, and a week code only for the days in the task whose lessons need one.
    for (const QString &path :
         {paths::currentUser, paths::taskList, paths::taskDetail, paths::courseTable, paths::master})
        QCOMPARE(fixture.count(path), 1);
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))), codesAsked);
    QCOMPARE(fixture.asked(paths::weekCode, QStringLiteral("schoolSemesterId")).first(),
             QString::number(school::semesterId));
}

QTEST_GUILESS_MAIN(TestStudentLookup)

#include "tst_lookup.moc"
