#include "tools/demoplatform/school/platformanswers.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <memory>

using namespace quorvale::demo;
using namespace Qt::StringLiterals;

namespace {

const QString rosterPath = u"/api/CourseTask/GetCourseTaskClassStudentForSelectByPage"_s;
const QString studentTablesPath = u"/api/CourseTask/GetStudentCourseTimeTable"_s;
const QString teacherTablesPath = u"/api/CourseTask/GetTeacherCourseTimeTable"_s;
const QString taskId = QString::number(SampleSchool::currentTaskId);

// One lesson as a person's table places it: cell, group, subject and the week code that applies.
struct Placed
{
    qint64 cell;
    qint64 classId;
    QString subject;
    QString room;
    qint64 weekCode;
    bool inPackage;
};

void flatten(const QJsonArray &courses, std::optional<qint64> inherited, bool inPackage, QList<Placed> &out)
{
    for (const QJsonValue &value : courses) {
        const QJsonObject course = value.toObject();
        const qint64 code = course.contains(u"singleDoubleSet"_s)
                                ? course.value(u"singleDoubleSet"_s).toInteger()
                                : inherited.value_or(0);
        if (course.value(u"objectType"_s).toInteger() == 2) {
            flatten(course.value(u"courses"_s).toArray(), code, true, out);
            continue;
        }
        out.append({course.value(u"coordId"_s).toInteger(), course.value(u"classId"_s).toInteger(),
                    course.value(u"name"_s).toString(), course.value(u"playgroundName"_s).toString(), code,
                    inPackage});
    }
}

QString key(const Placed &p)
{
    return u"%1|%2|%3|%4"_s.arg(p.cell).arg(p.classId).arg(p.subject).arg(p.weekCode);
}

} // namespace

class TestSchool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void generatesTheSameSchoolForTheSameDay();
    void keepsTheDayInsideTheDefaultTerm_data();
    void keepsTheDayInsideTheDefaultTerm();
    void pagesListsInFifties_data();
    void pagesListsInFifties();
    void listsEveryStudentWithOneHomeroomClass();
    void findsStudentsByEitherName_data();
    void findsStudentsByEitherName();
    void givesEveryStudentAValidWeek();
    void agreesBetweenStudentAndTeacherTables();
    void listsTheTeachersOfACourse();
    void alternatesWeekCodesWeekly_data();
    void alternatesWeekCodesWeekly();
    void refusesMalformedQueries_data();
    void refusesMalformedQueries();
    void decodesQueriesAsThePlatform();

private:
    QJsonValue data(const QString &path, const QMap<QString, QString> &query) const;
    // Every row of a paged list, checking each page on the way.
    void readAllPages(const QString &path, QMap<QString, QString> query, QJsonArray &rows) const;

    std::unique_ptr<PlatformAnswers> m_answers;
};

void TestSchool::initTestCase()
{
    m_answers = std::make_unique<PlatformAnswers>(SampleSchool::generate(QDate(2025, 3, 12)));
}

QJsonValue TestSchool::data(const QString &path, const QMap<QString, QString> &query) const
{
    const auto answer = m_answers->answer(path, query);
    return answer && answer->succeeded() ? answer->data : QJsonValue(QJsonValue::Undefined);
}

void TestSchool::readAllPages(const QString &path, QMap<QString, QString> query, QJsonArray &rows) const
{
    query.insert(u"pageSize"_s, u"50"_s);
    qint64 total = -1;
    for (qint64 page = 1;; ++page) {
        query.insert(u"pageIndex"_s, QString::number(page));
        const QJsonObject body = data(path, query).toObject();
        const QJsonArray list = body.value(u"list"_s).toArray();
        QCOMPARE(body.value(u"currentIndex"_s).toInteger(), page);
        QVERIFY(list.size() <= 50);
        if (total < 0)
            total = body.value(u"totalCount"_s).toInteger();
        QCOMPARE(body.value(u"totalCount"_s).toInteger(), total);
        if (rows.size() == total) {
            QVERIFY2(list.isEmpty(), "a page past the end holds no rows");
            return;
        }
        QCOMPARE(list.size(), qMin<qint64>(50, total - rows.size()));
        for (const QJsonValue &row : list)
            rows.append(row);
    }
}

void TestSchool::generatesTheSameSchoolForTheSameDay()
{
    const QDate day(2025, 3, 12);
    const SchoolData first = SampleSchool::generate(day);
    QVERIFY(first == SampleSchool::generate(day));
    QVERIFY(first == m_answers->data());
    // People and timetables do not depend on the day; only the dates move.
    const SchoolData later = SampleSchool::generate(day.addDays(200));
    QVERIFY(later.students == first.students);
    QVERIFY(later.task(SampleSchool::currentTaskId)->entries ==
            first.task(SampleSchool::currentTaskId)->entries);
    QVERIFY(later.task(SampleSchool::currentTaskId)->startDate ==
            first.task(SampleSchool::currentTaskId)->startDate.addDays(196));
}

void TestSchool::keepsTheDayInsideTheDefaultTerm_data()
{
    QTest::addColumn<QDate>("today");
    QTest::newRow("wednesday") << QDate(2025, 3, 12);
    QTest::newRow("sunday") << QDate(2025, 3, 16);
    QTest::newRow("new year") << QDate(2025, 1, 1);
    QTest::newRow("leap day") << QDate(2024, 2, 29);
    QTest::newRow("summer") << QDate(2026, 8, 2);
}

void TestSchool::keepsTheDayInsideTheDefaultTerm()
{
    QFETCH(QDate, today);
    const SchoolData school = SampleSchool::generate(today);
    QList<qint64> defaultsToday;
    for (const SchoolTask &task : school.tasks) {
        if (task.contains(today) && task.isDefault.value_or(false))
            defaultsToday.append(task.id);
    }
    QCOMPARE(defaultsToday, QList<qint64>{SampleSchool::currentTaskId});
    const SchoolTask *term = school.task(SampleSchool::currentTaskId);
    QVERIFY(term->startDate.addDays(28) < today && today.addDays(28) < term->endDate);
    QVERIFY(school.task(SampleSchool::mockExamTaskId)->contains(today));
    QVERIFY(school.task(SampleSchool::previousTaskId)->endDate < term->startDate);
    QCOMPARE(term->startDate.dayOfWeek(), 1);
}

void TestSchool::pagesListsInFifties_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("whole roster") << rosterPath << QStringList{u"courseTaskId"_s, taskId, u"key"_s, {}}
                                  << 250;
    QTest::newRow("roster of a surname")
        << rosterPath << QStringList{u"courseTaskId"_s, taskId, u"key"_s, u"张"_s} << 3;
    QTest::newRow("mock-exam roster")
        << rosterPath
        << QStringList{u"courseTaskId"_s, QString::number(SampleSchool::mockExamTaskId), u"key"_s, {}} << 30;
    QTest::newRow("every student's table")
        << studentTablesPath
        << QStringList{u"classId"_s, u"0"_s, u"courseTaskId"_s, taskId, u"studentId"_s, u"0"_s} << 250;
    QTest::newRow("every teacher's table")
        << teacherTablesPath
        << QStringList{u"courseId"_s, u"0"_s, u"courseTaskId"_s, taskId, u"orgUserIds"_s, {}} << 51;
}

void TestSchool::pagesListsInFifties()
{
    QFETCH(QString, path);
    QFETCH(QStringList, items);
    QFETCH(int, atLeast);
    QMap<QString, QString> query;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        query.insert(items.at(i), items.at(i + 1));
    QJsonArray rows;
    readAllPages(path, query, rows);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(rows.size() >= atLeast);
    QSet<qint64> ids;
    for (const QJsonValue &row : std::as_const(rows)) {
        const QJsonObject object = row.toObject();
        ids.insert(object.contains(u"studentId"_s) ? object.value(u"studentId"_s).toInteger()
                                                   : object.value(u"objectId"_s).toInteger());
    }
    QCOMPARE(ids.size(), rows.size());
}

void TestSchool::listsEveryStudentWithOneHomeroomClass()
{
    QJsonArray rows;
    readAllPages(rosterPath, {{u"courseTaskId"_s, taskId}, {u"key"_s, {}}}, rows);
    if (QTest::currentTestFailed())
        return;
    QSet<qint64> listed;
    QSet<qint64> sections;
    for (const QJsonValue &row : std::as_const(rows)) {
        const QJsonObject student = row.toObject();
        listed.insert(student.value(u"studentId"_s).toInteger());
        QList<qint64> grades;
        for (const QJsonValue &info : student.value(u"classInfos"_s).toArray()) {
            if (info.toObject().value(u"classType"_s).toInteger() == 1)
                grades.append(info.toObject().value(u"grade"_s).toInteger());
        }
        QCOMPARE(grades.size(), 1);
        QVERIFY(grades.constFirst() >= 6 && grades.constFirst() <= 12);
        sections.insert(grades.constFirst() <= 8 ? 2 : 3);
    }
    QSet<qint64> everyone;
    for (const SchoolStudent &student : m_answers->data().students)
        everyone.insert(student.id);
    QCOMPARE(listed, everyone);
    QCOMPARE(sections, (QSet<qint64>{2, 3}));
}

void TestSchool::findsStudentsByEitherName_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("several");
    QTest::newRow("common surname") << u"王"_s << u"studentName"_s << true;
    QTest::newRow("pinyin in another case") << u"wang"_s << u"studentEName"_s << true;
    QTest::newRow("nobody") << u"不存在的名字"_s << u"studentName"_s << false;
}

void TestSchool::findsStudentsByEitherName()
{
    QFETCH(QString, key);
    QFETCH(QString, field);
    QFETCH(bool, several);
    QJsonArray rows;
    readAllPages(rosterPath, {{u"courseTaskId"_s, taskId}, {u"key"_s, key}}, rows);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(rows.size() > 1, several);
    for (const QJsonValue &row : std::as_const(rows))
        QVERIFY(row.toObject().value(field).toString().contains(key, Qt::CaseInsensitive));
}

// Every student's table must be readable as the client reads it: each course on a known cell of a
// labelled row, lessons only on teaching rows, and at most one lesson in a teaching cell in either week.
void TestSchool::givesEveryStudentAValidWeek()
{
    const SchoolTask *task = m_answers->data().task(SampleSchool::currentTaskId);
    QHash<qint64, SchoolCell> cells;
    for (const SchoolCell &cell : task->cells)
        cells.insert(cell.id, cell);
    QHash<std::pair<qint64, qint64>, QString> labels;
    for (const SchoolPeriod &period : task->periods)
        labels.insert({period.sectionOrder, period.timeType}, period.name);
    const QSet<QString> activities = {u"ASA"_s, u"晚自习"_s, u"SFL"_s};
    int coded = 0;
    int packaged = 0;
    for (const SchoolStudent &student : m_answers->data().students) {
        const QJsonObject body = data(studentTablesPath, {{u"classId"_s, u"0"_s},
                                                          {u"courseTaskId"_s, taskId},
                                                          {u"pageIndex"_s, u"1"_s},
                                                          {u"pageSize"_s, u"50"_s},
                                                          {u"studentId"_s, QString::number(student.id)}})
                                     .toObject();
        QCOMPARE(body.value(u"totalCount"_s).toInteger(), 1);
        const QJsonObject table = body.value(u"list"_s).toArray().at(0).toObject();
        QCOMPARE(table.value(u"objectId"_s).toInteger(), student.id);
        QList<Placed> lessons;
        flatten(table.value(u"classCourseTimeTable"_s).toArray(), std::nullopt, false, lessons);
        QHash<QString, int> perCellAndWeek;
        int teaching = 0;
        for (const Placed &lesson : std::as_const(lessons)) {
            QVERIFY(cells.contains(lesson.cell));
            const SchoolCell cell = cells.value(lesson.cell);
            const QString label = labels.value({cell.sectionOrder, cell.timeType});
            if (cell.timeType != SampleSchool::teachingTimeType) {
                QVERIFY2(activities.contains(label), qPrintable(label));
                continue;
            }
            QVERIFY(QRegularExpression(u"^B[1-7]$"_s).match(label).hasMatch());
            QVERIFY(!lesson.subject.isEmpty() && lesson.weekCode >= 0 && lesson.weekCode <= 2);
            coded += lesson.weekCode != 0;
            packaged += lesson.inPackage;
            for (const qint64 week : {1, 2}) {
                if (lesson.weekCode == 0 || lesson.weekCode == week) {
                    ++perCellAndWeek[u"%1/%2"_s.arg(lesson.cell).arg(week)];
                    teaching += week == 1;
                }
            }
        }
        QVERIFY2(std::all_of(perCellAndWeek.cbegin(), perCellAndWeek.cend(), [](int n) { return n == 1; }),
                 qPrintable(student.name));
        QVERIFY(teaching >= 28);
    }
    QVERIFY(coded > 0);
    QVERIFY(packaged > 0);
}

// A teacher's lesson for a group appears, on the same cell and week, in the table of every student of
// that group, and students have no lesson that no teacher holds; no teacher is in two rooms at once.
void TestSchool::agreesBetweenStudentAndTeacherTables()
{
    QJsonArray roster;
    readAllPages(rosterPath, {{u"courseTaskId"_s, taskId}, {u"key"_s, {}}}, roster);
    QJsonArray teacherTables;
    readAllPages(teacherTablesPath,
                 {{u"courseId"_s, u"0"_s}, {u"courseTaskId"_s, taskId}, {u"orgUserIds"_s, {}}},
                 teacherTables);
    QJsonArray studentTables;
    readAllPages(studentTablesPath,
                 {{u"classId"_s, u"0"_s}, {u"courseTaskId"_s, taskId}, {u"studentId"_s, u"0"_s}},
                 studentTables);
    if (QTest::currentTestFailed())
        return;

    QHash<qint64, QList<qint64>> members;
    for (const QJsonValue &row : std::as_const(roster)) {
        for (const QJsonValue &info : row.toObject().value(u"classInfos"_s).toArray())
            members[info.toObject().value(u"id"_s).toInteger()].append(
                row.toObject().value(u"studentId"_s).toInteger());
    }
    QHash<qint64, QSet<QString>> expected;
    for (const QJsonValue &value : std::as_const(teacherTables)) {
        QList<Placed> lessons;
        flatten(value.toObject().value(u"classCourseTimeTable"_s).toArray(), std::nullopt, false, lessons);
        QHash<QString, QString> occupied;
        for (const Placed &lesson : std::as_const(lessons)) {
            for (const qint64 week : {1, 2}) {
                if (lesson.weekCode != 0 && lesson.weekCode != week)
                    continue;
                const QString slot = u"%1/%2"_s.arg(lesson.cell).arg(week);
                const QString what = lesson.subject + u'@' + lesson.room;
                QVERIFY2(occupied.value(slot, what) == what, qPrintable(slot));
                occupied.insert(slot, what);
            }
            QVERIFY(members.contains(lesson.classId));
            for (const qint64 student : members.value(lesson.classId))
                expected[student].insert(key(lesson));
        }
    }
    QCOMPARE(studentTables.size(), roster.size());
    for (const QJsonValue &value : std::as_const(studentTables)) {
        QList<Placed> lessons;
        flatten(value.toObject().value(u"classCourseTimeTable"_s).toArray(), std::nullopt, false, lessons);
        QSet<QString> found;
        for (const Placed &lesson : std::as_const(lessons))
            found.insert(key(lesson));
        QCOMPARE(found, expected.value(value.toObject().value(u"objectId"_s).toInteger()));
    }
}

void TestSchool::listsTheTeachersOfACourse()
{
    const QJsonArray courses =
        data(u"/api/CourseTask/GetCourseList"_s, {{u"courseTaskId"_s, taskId}}).toArray();
    QVERIFY(courses.size() > 20);
    const auto maths = std::find_if(courses.cbegin(), courses.cend(), [](const QJsonValue &c) {
        return c.toObject().value(u"name"_s) == u"数学"_s;
    });
    QVERIFY(maths != courses.cend());
    const QString mathsId = QString::number(maths->toObject().value(u"id"_s).toInteger());
    const QJsonArray teachers =
        data(u"/api/CourseTask/GetTeacherList"_s, {{u"courseId"_s, mathsId}, {u"courseTaskId"_s, taskId}})
            .toArray();
    QCOMPARE(teachers.size(), 7);
    for (const QJsonValue &teacher : teachers) {
        const QJsonObject tables =
            data(teacherTablesPath, {{u"courseId"_s, u"0"_s},
                                     {u"courseTaskId"_s, taskId},
                                     {u"orgUserIds"_s, QString::number(teacher[u"id"_s].toInteger())},
                                     {u"pageIndex"_s, u"1"_s},
                                     {u"pageSize"_s, u"50"_s}})
                .toObject();
        QCOMPARE(tables.value(u"totalCount"_s).toInteger(), 1);
        QList<Placed> lessons;
        flatten(tables[u"list"_s][0][u"classCourseTimeTable"_s].toArray(), std::nullopt, false, lessons);
        QVERIFY(std::any_of(lessons.cbegin(), lessons.cend(),
                            [](const Placed &p) { return p.subject == u"数学"_s; }));
    }
    const QJsonArray everyone =
        data(u"/api/CourseTask/GetTeacherList"_s, {{u"courseId"_s, u"0"_s}, {u"courseTaskId"_s, taskId}})
            .toArray();
    QVERIFY(everyone.size() > teachers.size());
}

void TestSchool::alternatesWeekCodesWeekly_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<qint64>("code");
    QTest::newRow("day before the term") << -1 << qint64(0);
    QTest::newRow("first Monday") << 0 << qint64(1);
    QTest::newRow("first Sunday") << 6 << qint64(1);
    QTest::newRow("second Monday") << 7 << qint64(2);
    QTest::newRow("third Wednesday") << 16 << qint64(1);
    QTest::newRow("last day") << 139 << qint64(2);
    QTest::newRow("after the term") << 140 << qint64(0);
}

void TestSchool::alternatesWeekCodesWeekly()
{
    QFETCH(int, offset);
    QFETCH(qint64, code);
    const SchoolTask *term = m_answers->data().task(SampleSchool::currentTaskId);
    const QDate day = term->startDate.addDays(offset);
    const QJsonValue answer = data(u"/api/CourseTask/GetCurrentSingleDoubleSet"_s,
                                   {{u"nowDate"_s, day.toString(u"yyyy-MM-dd"_s)},
                                    {u"schoolSemesterId"_s, QString::number(*term->semesterId)}});
    QVERIFY(answer.isDouble());
    QCOMPARE(answer.toInteger(), code);
}

void TestSchool::refusesMalformedQueries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("message");
    const QString detail = u"/api/CourseTask/QueryCourseTask"_s;
    QTest::newRow("missing key") << detail << QByteArray() << u"参数错误：id"_s;
    QTest::newRow("unexpected key") << detail << QByteArray("id=42&Id=42") << u"参数错误：Id"_s;
    QTest::newRow("id with a space") << detail << QByteArray("id=+42") << u"参数错误：id"_s;
    QTest::newRow("unknown task") << detail << QByteArray("id=99") << u"排课任务不存在"_s;
    QTest::newRow("page size 0") << rosterPath << QByteArray("courseTaskId=42&key=&pageIndex=1&pageSize=0")
                                 << u"参数错误：pageSize"_s;
    QTest::newRow("page 0") << rosterPath << QByteArray("courseTaskId=42&key=&pageIndex=0&pageSize=50")
                            << u"参数错误：pageIndex"_s;
    QTest::newRow("loose day") << u"/api/CourseTask/GetCurrentSingleDoubleSet"_s
                               << QByteArray("nowDate=2025-3-12&schoolSemesterId=8")
                               << u"参数错误：nowDate"_s;
    QTest::newRow("unknown semester")
        << u"/api/CourseTask/GetCurrentSingleDoubleSet"_s
        << QByteArray("nowDate=2025-03-12&schoolSemesterId=99") << u"学期不存在"_s;
    QTest::newRow("teacher id not a number")
        << teacherTablesPath
        << QByteArray("courseId=0&courseTaskId=42&orgUserIds=20a&pageIndex=1&pageSize=50")
        << u"参数错误：orgUserIds"_s;
}

void TestSchool::refusesMalformedQueries()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, query);
    QFETCH(QString, message);
    const auto answer = m_answers->answer(path, PlatformAnswers::parseQuery(query));
    QVERIFY(answer.has_value());
    QVERIFY(!answer->succeeded());
    QCOMPARE(answer->message, message);
    QVERIFY(!m_answers->answer(u"/api/CourseTask/Unknown"_s, {}).has_value());
}

void TestSchool::decodesQueriesAsThePlatform()
{
    const QMap<QString, QString> items =
        PlatformAnswers::parseQuery("key=%E7%8E%8B+%2B1&empty=&bare&key=again");
    QCOMPARE(items.value(u"key"_s), u"王 +1"_s);
    QVERIFY(items.contains(u"empty"_s) && items.value(u"empty"_s).isEmpty());
    QVERIFY(items.contains(u"bare"_s));
    QCOMPARE(items.size(), 3);
}

QTEST_GUILESS_MAIN(TestSchool)
#include "tst_school.moc"
