#include "tools/demoplatform/school/platformanswers.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QJsonArray>
#include <QJsonObject>
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
    void pagesListsInFifties_data();
    void pagesListsInFifties();
    void agreesBetweenStudentAndTeacherTables();

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

QTEST_GUILESS_MAIN(TestSchool)
#include "tst_school.moc"
