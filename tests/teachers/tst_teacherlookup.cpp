#include "core/base/shanghai.h"
#include "core/client/quorvaleapierror.h"
#include "suites.h"
#include "teacherfixture.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QJsonArray>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;
using teacherschool::wang;

namespace {

constexpr qint64 taskId = 21;
const QDate monday = school::monday();

QString dayText(qint64 fromMonday)
{
    return shanghai::dayText(monday.addDays(fromMonday));
}

QStringList subjects(const QList<TeacherEntry> &entries)
{
    QStringList list;
    for (const TeacherEntry &entry : entries) {
        if (!list.contains(entry.subject))
            list.append(entry.subject);
    }
    return list;
}

// The notes of the week's days, Monday first; days without a note give an empty text.
QStringList notes(const WeeklySchedule &week)
{
    QStringList list;
    for (const WeekDaySchedule &day : week.days)
        list.append(day.note.value_or(QString()));
    return list;
}

QStringList sorted(QStringList list)
{
    list.sort();
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

} // namespace

Q_DECLARE_METATYPE(QList<TablePage>)

class TestTeacherLookup : public QObject
{
    Q_OBJECT

private slots:
    void readsTheTeachersDayAndWeek();
    void readsEveryTeacherOfTheSampleSchool();
    void checksTheTeachersTablePages_data();
    void checksTheTeachersTablePages();
    void refusesBeforeReadingTheTimetable();
    void refusesATeacherWithoutId();
    void asksWeekCodesOnlyWhereLessonsAlternate_data();
    void asksWeekCodesOnlyWhereLessonsAlternate();
    void notesTheDaysAfterTheTaskEnds();
    void goesOnWithoutSectionsUnlessTheSessionIsGone_data();
    void goesOnWithoutSectionsUnlessTheSessionIsGone();
    void twoLookupsAtOnceShareOneRosterFetch();
    void signOutWhileTheWeekIsBuiltCancelsTheLookup();
};

void TestTeacherLookup::readsTheTeachersDayAndWeek()
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
    QCOMPARE(notes(*schedule.week), QStringList(7, QString()));
    QCOMPARE(schedule.week->days.at(3).events.isEmpty(), false);
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))),
             (QStringList{dayText(0), dayText(2), dayText(4)}));
    QCOMPARE(fixture.count(paths::roster), 1);
    QCOMPARE(fixture.asked(teacherpaths::tables, QStringLiteral("orgUserIds")), QStringList{"301"});
}

void TestTeacherLookup::readsEveryTeacherOfTheSampleSchool()
{
    using demo::SampleSchool;
    TeacherFixture fixture;
    fixture.open(SampleSchool::generate(monday));
    const QDateTime date = school::at(monday.addDays(2), 10, 0);
    const std::optional<qint64> none;
    const TeacherDirectory directory =
        awaitTask(fixture.api->searchTeachers(QString(), SampleSchool::schoolId, date, false, none, none));
    QCOMPARE(directory.task ? directory.task->id : 0, SampleSchool::currentTaskId);
    QVERIFY(directory.teachers.size() > 10);

    // A teacher of odd-week electives alone may have an empty even week, but not the whole staff.
    qsizetype teaching = 0;
    for (const Teacher &teacher : directory.teachers) {
        const Outcome<TeacherSchedule> outcome = outcomeOf(fixture.api->lookupTeacherTimetable(
            teacher, SampleSchool::schoolId, date, SampleSchool::currentTaskId));
        QVERIFY2(outcome.value, qPrintable(teacher.name + u' ' + outcome.failure));
        QCOMPARE(notes(*outcome.value->week), QStringList(7, QString()));
        const QList<WeekDaySchedule> &days = outcome.value->week->days;
        if (std::any_of(days.cbegin(), days.cend(),
                        [](const WeekDaySchedule &day) { return !day.events.isEmpty(); }))
            ++teaching;
    }
    QVERIFY(teaching > directory.teachers.size() / 2);
    // The class-section map is read once for the whole term.
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("pageIndex")).count(QStringLiteral("1")), 1);
}

void TestTeacherLookup::checksTheTeachersTablePages_data()
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

void TestTeacherLookup::checksTheTeachersTablePages()
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

void TestTeacherLookup::refusesBeforeReadingTheTimetable()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    awaitTask(fixture.api->logout());
    fixture.platform.clearLog();

    QCOMPARE(lookUp(fixture, school::at(monday, 10, 0)).failure,
             QuorvaleAPIError::unauthenticated().description());
    QCOMPARE(fixture.count(teacherpaths::tables), 0);
    QCOMPARE(fixture.count(paths::master), 0);
}

void TestTeacherLookup::refusesATeacherWithoutId()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());

    QCOMPARE(
        lookUp(fixture, school::at(monday, 10, 0), Teacher{0, QStringLiteral("王老师"), QString()}).failure,
        QStringLiteral("请选择具体老师"));
    QCOMPARE(fixture.count(paths::currentUser), 1);
    QCOMPARE(fixture.count(paths::taskList), 0);
}

void TestTeacherLookup::asksWeekCodesOnlyWhereLessonsAlternate_data()
{
    QTest::addColumn<qint64>("day");
    QTest::addColumn<QString>("unconfirmedDay");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("notes");

    const QStringList alternating{dayText(0), dayText(2), dayText(4)};
    const QStringList none(7, QString());
    QStringList fridayUnconfirmed = none;
    fridayUnconfirmed[4] = QStringLiteral("该日课表待确认");
    QTest::newRow("a day without alternating lessons asks nothing for itself") << qint64(1) << ""
                                                                               << "" << alternating << none;
    QTest::newRow("the day's own code unconfirmed")
        << qint64(0) << dayText(0) << "该日期老师课程单双周尚未确认" << alternating << none;
    QTest::newRow("another day's code unconfirmed")
        << qint64(0) << dayText(4) << "" << alternating << fridayUnconfirmed;
}

void TestTeacherLookup::asksWeekCodesOnlyWhereLessonsAlternate()
{
    QFETCH(qint64, day);
    QFETCH(QString, unconfirmedDay);
    QFETCH(QString, failure);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, notes);
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.replace(paths::weekCode, [unconfirmedDay](const demo::HttpRequest &request) {
        if (request.query.value(QStringLiteral("nowDate")) != unconfirmedDay)
            return std::optional<demo::HttpResponse>();
        return std::optional(demo::envelope(3));
    });

    const Outcome<TeacherSchedule> outcome = lookUp(fixture, school::at(monday.addDays(day), 10, 0));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))), asked);
    if (failure.isEmpty())
        QCOMPARE(::notes(*outcome.value->week), notes);
}

void TestTeacherLookup::notesTheDaysAfterTheTaskEnds()
{
    TeacherFixture fixture;
    demo::SchoolData data = teacherschool::school();
    data.tasks = {school::task(taskId, QDate(2025, 2, 17), monday.addDays(2), true, {school::grade7})};
    fixture.open(data);

    const Outcome<TeacherSchedule> outcome = lookUp(fixture, school::at(monday, 10, 0));

    QCOMPARE(outcome.failure, QString());
    const QString outside = QStringLiteral("不在课表有效期内");
    QCOMPARE(notes(*outcome.value->week), (QStringList{"", "", "", outside, outside, outside, outside}));
    QCOMPARE(sorted(fixture.asked(paths::weekCode, QStringLiteral("nowDate"))),
             (QStringList{dayText(0), dayText(2)}));
}

void TestTeacherLookup::goesOnWithoutSectionsUnlessTheSessionIsGone_data()
{
    QTest::addColumn<bool>("sessionGone");
    QTest::addColumn<QString>("failure");
    QTest::newRow("roster unreachable") << false << "";
    QTest::newRow("session gone") << true << QuorvaleAPIError::unauthenticated().description();
}

void TestTeacherLookup::goesOnWithoutSectionsUnlessTheSessionIsGone()
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

void TestTeacherLookup::twoLookupsAtOnceShareOneRosterFetch()
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

void TestTeacherLookup::signOutWhileTheWeekIsBuiltCancelsTheLookup()
{
    TeacherFixture fixture;
    fixture.open(teacherschool::school());
    fixture.onArrival(paths::weekCode, QStringLiteral("nowDate"), dayText(4),
                      [&fixture] { fixture.api->clearTeacherCaches(); });

    QCOMPARE(lookUp(fixture, school::at(monday, 10, 0)).failure, CancellationError().description());
}

int runTeacherLookupTests(int argc, char **argv)
{
    TestTeacherLookup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_teacherlookup.moc"
