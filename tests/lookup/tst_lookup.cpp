#include "core/base/shanghai.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/studentsearch.h"
#include "lookupfixture.h"
#include "smallschool.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QCoroTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>
#include <numeric>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;
using school::schoolWith;
using school::TaskSpec;

namespace {

const QDate monday = school::monday();
const QDateTime wednesdayMorning = school::at(monday.addDays(2), 10, 0);
const QList<qint64> g7{school::grade7};
const QList<qint64> g10{school::grade10};

const Student liLei{school::liLei, "李雷", "Li Lei", school::grade7, "七年级(1)班", school::schoolId, 2};

QJsonObject row(qint64 id, const QString &name, const QString &label = QStringLiteral("七年级(1)班"))
{
    const qint64 grade = label == u"8B" ? 8 : 7;
    const QJsonObject info{{"id", 694 + grade}, {"name", label}, {"grade", grade}, {"classType", 1}};
    return {{"studentId", id},
            {"studentName", name},
            {"classInfos", label.isEmpty() ? QJsonArray() : QJsonArray{info}}};
}

QJsonObject pageData(qint64 total, const QJsonArray &list, qint64 currentIndex)
{
    return QJsonDocument::fromJson(page(total, list, currentIndex).body)["data"].toObject();
}

QJsonObject rows(qint64 total, qint64 firstId, qint64 count, qint64 currentIndex)
{
    QJsonArray list;
    for (qint64 id = firstId; id < firstId + count; ++id)
        list.append(row(id, QStringLiteral("学生%1").arg(id)));
    return pageData(total, list, currentIndex);
}

// Each day of the week, Monday first, as its subjects joined by "+".
QStringList subjectsOf(const WeeklySchedule &week)
{
    return mapped(week.days, [](const WeekDaySchedule &day) {
        return mapped(day.events, [](const WeekEvent &event) { return event.subject; }).join(u'+');
    });
}

// What the simulated platform would answer to the request, as the envelope's data.
QJsonObject servedData(LookupFixture &fixture, const demo::HttpRequest &request)
{
    return QJsonDocument::fromJson(
               demo::timetableAnswer(fixture.platform, *fixture.answers, request).body)["data"]
        .toObject();
}

// A platform that answers the pages of a list of `total` students at once, without a turn of the
// event loop, or a turn later; it counts the requests on their way.
class ListedPages : public QuorvaleAPI
{
public:
    ListedPages(qint64 total, bool atOnce)
        : m_total(total)
        , m_atOnce(atOnce)
    {}

    QCoro::Task<QJsonObject> request(QString path, QString, std::optional<QByteArray>) override
    {
        mostOnTheirWay = std::max(mostOnTheirWay, ++m_onTheirWay);
        if (!m_atOnce)
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        --m_onTheirWay;
        const qint64 index = QUrlQuery(QUrl(path)).queryItemValue(QStringLiteral("pageIndex")).toLongLong();
        const qint64 first = (index - 1) * 50 + 1;
        co_return QJsonObject{
            {"data", rows(m_total, first, std::min<qint64>(50, m_total - first + 1), index)}};
    }

    int mostOnTheirWay = 0;

private:
    qint64 m_total;
    bool m_atOnce;
    int m_onTheirWay = 0;
};

QString dayText(qint64 fromMonday)
{
    return shanghai::dayText(monday.addDays(fromMonday));
}

} // namespace

class TestStudentLookup : public QObject
{
    Q_OBJECT

private slots:
    void searchesTasksInEffectPreferredFirst();
    void readsPagesStrictlyMergesAndSorts();
    void readsALongListAFewPagesAtATime_data();
    void readsALongListAFewPagesAtATime();
    void choosesTheTask();
    void buildsTheWeekFromTheStudentsOwnTable();
    void refusesWhatItCannotConfirm_data();
    void refusesWhatItCannotConfirm();
    void leavesUnconfirmedWeekDayToBeChecked_data();
    void leavesUnconfirmedWeekDayToBeChecked();
};

void TestStudentLookup::searchesTasksInEffectPreferredFirst()
{
    // The tasks, the one checked first, those searched, the students found and the requests made.
    const QList<std::tuple<QList<TaskSpec>, QString, QStringList, QStringList, qsizetype>> cases{
        {{{21, std::nullopt, g7}, {22, true, g10}}, "22", {"22"}, {"李华"}, 4},
        {{{21, std::nullopt, g7}, {22, true, g10, false}}, "22", {"21"}, {"李雷"}, 5},
        {{{21, true, g7 + g10}, {22, true, g10}}, "", {"21", "22"}, {"李华", "李雷"}, 6}};
    for (const auto &[tasks, first, searched, found, requests] : cases) {
        LookupFixture fixture;
        demo::SchoolData data = schoolWith(tasks);
        // A later term, valid only from next month, stays out of the search.
        data.tasks.append(school::task(30, QDate(2025, 4, 1), QDate(2025, 7, 6), true, {school::grade8}));
        fixture.open(data);
        const auto outcome = outcomeOf(fixture.api->search(" 李 ", school::schoolId, wednesdayMorning));
        QVERIFY2(outcome.value, qPrintable(outcome.failure));
        QCOMPARE(mapped(*outcome.value, [](const Student &student) { return student.name; }), found);
        QVERIFY(first.isEmpty() || fixture.asked(paths::taskDetail, "id").first() == first);
        QCOMPARE(sorted(fixture.asked(paths::roster, "courseTaskId")), searched);
        QCOMPARE(fixture.asked(paths::roster, "key").first(), QStringLiteral("李"));
        QCOMPARE(fixture.platform.requests().size(), requests);
    }
}

void TestStudentLookup::readsPagesStrictlyMergesAndSorts()
{
    const QString incomplete = QStringLiteral("课表学生名单分页不完整，请重新查询");
    const QJsonObject sorting = pageData(3, {row(9, "王五"), row(8, "张三"), row(2, "张三")}, 1);
    const auto in = [](const QString &label) { return QList{pageData(1, {row(11, "李雷", label)}, 1)}; };
    // The pages of each task searched, the failure, and the students found as "name#id class classId"
    // (or their number). A student in several tasks unites the classes and drops the placeholder.
    const QList<std::tuple<QList<QList<QJsonObject>>, QString, QStringList>> cases{
        {{{rows(120, 1, 50, 1), rows(120, 51, 50, 2), rows(120, 101, 20, 3)}}, "", {"120"}},
        {{{rows(70, 1, 50, 1), rows(70, 51, 20, 1)}}, incomplete, {}}, // wrong currentIndex
        {{{rows(120, 1, 50, 1), rows(121, 51, 50, 2), rows(120, 101, 20, 3)}}, incomplete, {}}, // total
        {{{rows(70, 1, 50, 1), rows(70, 50, 20, 2)}}, "课表学生名单出现重复分页，请重新查询", {}},
        {{{sorting}}, "", {"张三#2 七年级(1)班 701", "张三#8 七年级(1)班 701", "王五#9 七年级(1)班 701"}},
        {{in("7A"), in("8B"), in("8B")}, "", {"李雷#11 7A / 8B 0"}},
        {{in(""), in("8B")}, "", {"李雷#11 8B 0"}}};
    for (const auto &[tasks, failure, found] : cases) {
        QList<TaskSpec> taskRows;
        for (qsizetype i = 0; i < tasks.size(); ++i)
            taskRows.append({21 + i, std::nullopt, g7});
        LookupFixture fixture;
        fixture.open(schoolWith(taskRows));
        fixture.replace(paths::roster, [tasks](const demo::HttpRequest &request) {
            const QList<QJsonObject> pages = tasks.at(request.query.value("courseTaskId").toLongLong() - 21);
            const qsizetype index = request.query.value("pageIndex").toLongLong() - 1;
            return demo::envelope(index >= 0 && index < pages.size() ? QJsonValue(pages.at(index))
                                                                     : QJsonValue());
        });
        const auto outcome = outcomeOf(fixture.api->search("学生", school::schoolId, wednesdayMorning));
        QCOMPARE(outcome.failure, failure);
        QCOMPARE(fixture.count(paths::roster),
                 std::accumulate(tasks.cbegin(), tasks.cend(), qsizetype(0),
                                 [](qsizetype sum, const auto &pages) { return sum + pages.size(); }));
        QCOMPARE(fixture.asked(paths::roster, "pageSize").first(), QStringLiteral("50"));
        const QStringList students = mapped(outcome.value.value_or(QList<Student>{}), [](const Student &one) {
            return one.name + u'#' + QString::number(one.id) + u' ' + one.className + u' ' +
                   QString::number(one.classId);
        });
        QCOMPARE(found == QStringList{"120"} ? QStringList{QString::number(students.size())} : students,
                 found);
    }
}

void TestStudentLookup::readsALongListAFewPagesAtATime_data()
{
    QTest::addColumn<bool>("atOnce");
    QTest::newRow("pages at hand") << true;
    QTest::newRow("pages a turn later") << false;
}

// A long list is asked for a few dozen pages at a time, not all at once, and pages that have already
// arrived are still read one to a turn of the event loop, so that reading never holds the window.
void TestStudentLookup::readsALongListAFewPagesAtATime()
{
    QFETCH(bool, atOnce);
    const qint64 pages = 100;
    ListedPages api(pages * 50, atOnce);
    int turns = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&turns] { ++turns; });
    ticker.start(0);
    const QList<Student> students = awaitTask(studentsearch::roster(&api, 21, "学生", school::schoolId));
    QCOMPARE(students.size(), pages * 50);
    QCOMPARE(students.last().id, pages * 50);
    QVERIFY2(turns >= pages / 2, qPrintable(QStringLiteral("%1 turns").arg(turns)));
    QVERIFY2(api.mostOnTheirWay <= 32, qPrintable(QStringLiteral("%1 on their way").arg(api.mostOnTheirWay)));
}

void TestStudentLookup::choosesTheTask()
{
    // The tasks, the task asked for, the candidates, the one selected and the tasks whose details were
    // read: the default task first and alone, a requested task, two defaults.
    const QList<std::tuple<QList<TaskSpec>, std::optional<qint64>, QStringList, QString, QStringList>> cases{
        {{{21, std::nullopt, g7}, {22, true, g7}}, std::nullopt, {"22"}, "22", {"22"}},
        {{{21, std::nullopt, g7}, {22, true, g7}}, 21, {"21"}, "21", {"21"}},
        {{{21, true, g7}, {22, true, g7}}, std::nullopt, {"21", "22"}, "", {"21", "22"}}};
    for (const auto &[tasks, taskId, candidates, selected, tried] : cases) {
        LookupFixture fixture;
        fixture.open(schoolWith(tasks));
        const Reported<LiveTimetableResult> outcome =
            outcomeOf(fixture.api->lookupTimetable(liLei, wednesdayMorning, taskId));
        QVERIFY2(outcome.value, qPrintable(outcome.failure));
        QCOMPARE(sorted(fixture.asked(paths::taskDetail, "id")), tried);
        QCOMPARE(idsOf(outcome.value->tasks), candidates);
        const auto &task = outcome.value->selectedTask;
        QCOMPARE(task ? QString::number(task->id) : QString(), selected);
        QCOMPARE(std::pair(outcome.value->timetable.has_value(), outcome.value->week.has_value()),
                 std::pair(!selected.isEmpty(), !selected.isEmpty()));
        QCOMPARE(fixture.asked(paths::master, "courseTaskId").contains(selected), !selected.isEmpty());
    }
}

void TestStudentLookup::buildsTheWeekFromTheStudentsOwnTable()
{
    QJsonObject thursday{{"objectType", 1}, {"name", "体育"}, {"singleDoubleSet", 1}};
    thursday["coordId"] = demo::SampleSchool::cellId(4, 2);
    // The fault on Wednesday's week code, or other people's tables beside the student's, which the
    // student's week must not see: a course on Thursday B2 in odd weeks, and an unreadable table.
    for (const QString fault : {"", "drop", "expire", "others"}) {
        const QString failure =
            fault == u"expire" ? QuorvaleAPIError::unauthenticated().description() : QString();
        LookupFixture fixture;
        fixture.open(schoolWith({{21, true, g7}}));
        if (fault == u"others") {
            fixture.replace(paths::courseTable, [&fixture, thursday](const demo::HttpRequest &request) {
                QJsonObject data = servedData(fixture, request);
                QJsonArray list = data["list"].toArray();
                for (const QJsonValue &table : {QJsonValue(QJsonArray{thursday}), QJsonValue("损坏")})
                    list.append(
                        QJsonObject{{"objectId", school::hanMeimei}, {"classCourseTimeTable", table}});
                data["list"] = list;
                data["totalCount"] = list.size();
                return std::optional(demo::envelope(data));
            });
        }
        // Only Wednesday's week-code request meets the fault; the other days are answered as usual.
        fixture.onArrival(paths::weekCode, "nowDate", dayText(2), [&fixture, fault] {
            if (fault == u"drop")
                fixture.platform.faults().drop(paths::weekCode);
            else if (fault == u"expire")
                fixture.platform.sessions().expireAll();
        });

        const Reported<LiveTimetableResult> outcome =
            outcomeOf(fixture.api->lookupTimetable(liLei, school::at(monday, 9, 30), std::nullopt));
        QCOMPARE(outcome.failure, failure);
        if (!failure.isEmpty())
            continue;
        QStringList subjects{"数学+音乐", "", "音乐", "英语", "音乐", "", ""}; // odd week: 音乐, not 美术
        QStringList notes(7, QString());
        if (fault == u"drop")
            std::tie(subjects[2], notes[2]) = std::pair(QString(), QStringLiteral("该日课表待确认"));
        QVERIFY(outcome.value->timetable.has_value());
        QCOMPARE(outcome.value->week->weekStart, monday);
        QCOMPARE(subjectsOf(*outcome.value->week), subjects);
        QCOMPARE(notesOf(*outcome.value->week), notes);
        if (fault == u"drop")
            continue; // the lost answer may be asked again
        // One request of each kind, and a week code only for the days whose lessons need one.
        for (const QString &path :
             {paths::currentUser, paths::taskList, paths::taskDetail, paths::courseTable, paths::master})
            QCOMPARE(fixture.count(path), 1);
        QCOMPARE(sorted(fixture.asked(paths::weekCode, "nowDate")),
                 (QStringList{dayText(0), dayText(2), dayText(4)}));
    }
}

void TestStudentLookup::refusesWhatItCannotConfirm_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("failure");
    const auto row = [](const char *fault, const char *failure) { QTest::newRow(fault) << fault << failure; };
    row("section undetermined", "该学生学部尚未确认，暂不能换算初高中作息");
    row("primary section", "只支持初中和高中");
    row("no task on the day", "该日期没有有效的排课任务");
    row("21 tasks on the day", "有效排课任务过多，需要先确认学校排课范围");
    row("task asked for not valid", "所选课表在该日期已不适用，请重新选择");
    row("total above 20", "个人课表筛选或分页结构发生变化，无法确认完整性");
    row("empty page before the total", "个人课表分页中断，请重新读取");
    row("more rows than the total", "个人课表分页异常");
    row("unsupported layout", "该日期没有可解析的个人周课表；循环日或新高考模板尚需适配");
    row("no own table", "当前账号可见的有效任务中，没有该学生的个人课表");
    row("no semester", "单双周课程缺少学期关联，无法确认");
    row("week code unconfirmed", "该日期单双周尚未确认");
}

void TestStudentLookup::refusesWhatItCannotConfirm()
{
    QFETCH(QString, fault);
    QFETCH(QString, failure);
    QList<TaskSpec> tasks{{21, true, g7}};
    if (fault == u"21 tasks on the day")
        tasks = QList<TaskSpec>(21, TaskSpec{21, std::nullopt, g7});
    for (qsizetype i = 0; i < tasks.size(); ++i)
        tasks[i].id = 21 + i;
    if (fault == u"unsupported layout")
        tasks.first().courseTaskType = 2;
    if (fault == u"no own table")
        tasks.first().classes = g10;
    LookupFixture fixture;
    fixture.open(schoolWith(tasks));
    const QJsonObject own{{"objectId", school::liLei}, {"classCourseTimeTable", QJsonArray()}};
    const QMap<QString, std::pair<QString, demo::HttpResponse>> answers{
        {"total above 20", {paths::courseTable, page(21, {}, std::nullopt)}},
        {"empty page before the total", {paths::courseTable, page(2, {}, std::nullopt)}},
        {"more rows than the total", {paths::courseTable, page(1, {own, own}, std::nullopt)}},
        {"week code unconfirmed", {paths::weekCode, demo::envelope(3)}}};
    if (answers.contains(fault))
        fixture.replace(answers[fault].first, [answer = answers[fault].second](const demo::HttpRequest &) {
            return std::optional(answer);
        });
    if (fault == u"no semester") {
        fixture.replace(paths::taskDetail, [&fixture](const demo::HttpRequest &request) {
            QJsonObject data = servedData(fixture, request);
            data.remove("schoolSemesterId");
            return std::optional(demo::envelope(data));
        });
    }
    Student student = liLei;
    if (fault == u"section undetermined")
        student.studySection = 0;
    if (fault == u"primary section")
        student.studySection = 1;
    const QDateTime date =
        fault == u"no task on the day" ? school::at(QDate(2025, 8, 6), 10, 0) : wednesdayMorning;
    const std::optional<qint64> taskId =
        fault == u"task asked for not valid" ? std::optional<qint64>(99) : std::nullopt;

    QCOMPARE(outcomeOf(fixture.api->lookupTimetable(student, date, taskId)).failure, failure);
}

// The week column reads the courses of activity slots, which the one-day timetable passes over: a
// club it cannot confirm leaves its day to be checked, and the rest of the week stands.
void TestStudentLookup::leavesUnconfirmedWeekDayToBeChecked_data()
{
    QTest::addColumn<QString>("club");
    QTest::addColumn<QString>("wednesday"); // its subjects and note
    const QString unconfirmed = QStringLiteral(" 该日课表待确认");
    QTest::newRow("club") << R"("name": "篮球社")"
                          << "音乐+篮球社 ";
    QTest::newRow("club of even weeks") << R"("name": "篮球社", "singleDoubleSet": 2)"
                                        << "音乐 ";
    QTest::newRow("club week code 5") << R"("name": "篮球社", "singleDoubleSet": 5)" << unconfirmed;
    QTest::newRow("club object type 5") << R"("name": "篮球社", "objectType": 5)" << unconfirmed;
    QTest::newRow("club package without courses") << R"("name": "社团", "objectType": 2)" << unconfirmed;
    QTest::newRow("nameless club") << R"("name": " ", "eName": null)" << unconfirmed;
}

void TestStudentLookup::leavesUnconfirmedWeekDayToBeChecked()
{
    QFETCH(QString, club);
    QFETCH(QString, wednesday);
    QJsonObject course = QJsonDocument::fromJson(u'{' + club.toUtf8() + u'}').object();
    course["coordId"] =
        demo::SampleSchool::cellId(3, demo::SampleSchool::asaRow, demo::SampleSchool::publicTimeType);
    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, g7}}));
    fixture.replace(paths::courseTable, [&fixture, course](const demo::HttpRequest &request) {
        QJsonObject data = servedData(fixture, request);
        QJsonArray list = data["list"].toArray();
        QJsonObject own = list.first().toObject();
        QJsonArray courses = own["classCourseTimeTable"].toArray();
        courses.append(course);
        own["classCourseTimeTable"] = courses;
        list[0] = own;
        data["list"] = list;
        return std::optional(demo::envelope(data));
    });

    const Reported<LiveTimetableResult> outcome =
        outcomeOf(fixture.api->lookupTimetable(liLei, school::at(monday, 9, 30), std::nullopt));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    QStringList days = subjectsOf(*outcome.value->week);
    const QStringList notes = notesOf(*outcome.value->week);
    for (qsizetype i = 0; i < days.size(); ++i)
        days[i] += u' ' + notes.at(i);
    QCOMPARE(days, (QStringList{"数学+音乐 ", " ", wednesday, "英语 ", "音乐 ", " ", " "}));
}

QTEST_GUILESS_MAIN(TestStudentLookup)

#include "tst_lookup.moc"
