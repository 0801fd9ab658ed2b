#include "lookupfixture.h"
#include "smallschool.h"
#include "suites.h"

#include <QJsonArray>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;
using school::schoolWith;
using school::TaskSpec;

namespace {

const QDateTime wednesday = school::at(QDate(2025, 3, 5), 10, 0);

QJsonObject classInfo(qint64 id, const QString &name, qint64 grade)
{
    return {{QStringLiteral("id"), id},
            {QStringLiteral("name"), name},
            {QStringLiteral("grade"), grade},
            {QStringLiteral("classType"), 1}};
}

QJsonObject row(qint64 id, const QString &name, const QJsonArray &classes)
{
    return {{QStringLiteral("studentId"), id},
            {QStringLiteral("studentName"), name},
            {QStringLiteral("classInfos"), classes}};
}

// Rows of G7 students with consecutive ids.
QJsonArray rows(qint64 firstId, qint64 count, qint64 grade = 7)
{
    QJsonArray list;
    for (qint64 id = firstId; id < firstId + count; ++id)
        list.append(row(id, QStringLiteral("学生%1").arg(id),
                        {classInfo(701, QStringLiteral("七年级(1)班"), grade)}));
    return list;
}

QJsonObject pageData(const QJsonValue &total, const QJsonArray &list, std::optional<qint64> currentIndex)
{
    QJsonObject data{{QStringLiteral("totalCount"), total}, {QStringLiteral("list"), list}};
    if (currentIndex)
        data.insert(QStringLiteral("currentIndex"), *currentIndex);
    return data;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList names(const QList<Student> &students)
{
    QStringList list;
    for (const Student &student : students)
        list.append(student.name);
    return list;
}

} // namespace

Q_DECLARE_METATYPE(QList<QJsonObject>)

class TestStudentSearch : public QObject
{
    Q_OBJECT

private slots:
    void searchesTasksInEffectPreferredFirst_data();
    void searchesTasksInEffectPreferredFirst();
    void answersBlankQueriesAndMissingSchools_data();
    void answersBlankQueriesAndMissingSchools();
    void readsPagesStrictly_data();
    void readsPagesStrictly();
    void mergesStudentsAcrossTasks_data();
    void mergesStudentsAcrossTasks();
    void sortsByNameThenId();
};

void TestStudentSearch::searchesTasksInEffectPreferredFirst_data()
{
    QTest::addColumn<QList<TaskSpec>>("tasks");
    QTest::addColumn<QString>("firstChecked");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("searched");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<qsizetype>("requests");

    const QList<qint64> g7{school::grade7};
    const QList<qint64> g10{school::grade10};
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

void TestStudentSearch::searchesTasksInEffectPreferredFirst()
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
        outcomeOf(fixture.api->search(QStringLiteral(" 李 "), school::schoolId, wednesday));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    const QList<Student> &students = *outcome.value;

    QCOMPARE(names(students), found);
    const QStringList checks = fixture.asked(paths::taskDetail, QStringLiteral("id"));
    if (!firstChecked.isEmpty())
        QCOMPARE(checks.first(), firstChecked);
    QCOMPARE(sorted(checks), checked);
    QCOMPARE(sorted(fixture.asked(paths::roster, QStringLiteral("courseTaskId"))), searched);
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("key")).first(), QStringLiteral("李"));
    QCOMPARE(fixture.platform.requests().size(), requests);
}

void TestStudentSearch::answersBlankQueriesAndMissingSchools_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<qint64>("schoolId");
    QTest::addColumn<QString>("failure");

    QTest::newRow("blank query") << " \n " << qint64(0) << "";
    QTest::newRow("no school") << "李" << qint64(0) << "当前账号没有可查询的校区";
}

void TestStudentSearch::answersBlankQueriesAndMissingSchools()
{
    QFETCH(QString, query);
    QFETCH(qint64, schoolId);
    QFETCH(QString, failure);

    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, {school::grade7}}}));
    QCOMPARE(outcomeOf(fixture.api->search(query, schoolId, wednesday)).failure, failure);
    QCOMPARE(fixture.platform.requests().size(), 1);
    QCOMPARE(fixture.count(paths::currentUser), 1);
}

void TestStudentSearch::readsPagesStrictly_data()
{
    QTest::addColumn<QList<QJsonObject>>("pages");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<qsizetype>("found");
    QTest::addColumn<qsizetype>("requested");

    const QString incomplete = QStringLiteral("课表学生名单分页不完整，请重新查询");
    const QString anomalous = QStringLiteral("课表学生名单分页异常");
    const QString repeated = QStringLiteral("课表学生名单出现重复分页，请重新查询");
    using Pages = QList<QJsonObject>;

    QTest::newRow("page without currentIndex")
        << Pages{pageData(2, rows(1, 2), std::nullopt)} << "" << qsizetype(2) << qsizetype(1);
    QTest::newRow("pages of 50, 50 and 20")
        << Pages{pageData(120, rows(1, 50), 1), pageData(120, rows(51, 50), 2),
                 pageData(120, rows(101, 20), 3)}
        << "" << qsizetype(120) << qsizetype(3);
    QTest::newRow("empty task") << Pages{pageData(0, {}, 1)} << "" << qsizetype(0) << qsizetype(1);
    QTest::newRow("wrong currentIndex") << Pages{pageData(70, rows(1, 50), 1), pageData(70, rows(51, 20), 1)}
                                        << incomplete << qsizetype(0) << qsizetype(2);
    QTest::newRow("total changes on a later page")
        << Pages{pageData(120, rows(1, 50), 1), pageData(121, rows(51, 50), 2),
                 pageData(120, rows(101, 20), 3)}
        << incomplete << qsizetype(0) << qsizetype(3);
    QTest::newRow("negative total") << Pages{pageData(-1, {}, 1)} << incomplete << qsizetype(0)
                                    << qsizetype(1);
    QTest::newRow("total above 10000")
        << Pages{pageData(10001, rows(1, 50), 1)} << incomplete << qsizetype(0) << qsizetype(1);
    QTest::newRow("total as text") << Pages{pageData(QStringLiteral("2"), rows(1, 2), 1)} << incomplete
                                   << qsizetype(0) << qsizetype(1);
    QTest::newRow("empty page before all rows")
        << Pages{pageData(3, {}, 1)} << incomplete << qsizetype(0) << qsizetype(1);
    QTest::newRow("more than 50 rows")
        << Pages{pageData(60, rows(1, 51), 1)} << incomplete << qsizetype(0) << qsizetype(1);
    QTest::newRow("more rows than the total")
        << Pages{pageData(2, rows(1, 3), 1)} << anomalous << qsizetype(0) << qsizetype(1);
    QTest::newRow("student repeated on a later page")
        << Pages{pageData(70, rows(1, 50), 1), pageData(70, rows(50, 20), 2)} << repeated << qsizetype(0)
        << qsizetype(2);
    QTest::newRow("repeated row that would be dropped")
        << Pages{pageData(2, {rows(1, 1, 5).first(), rows(1, 1, 5).first()}, 1)} << repeated << qsizetype(0)
        << qsizetype(1);
    QTest::newRow("row without a name")
        << Pages{pageData(1, {QJsonObject{{QStringLiteral("studentId"), 4}}}, 1)}
        << "课表名单存在缺失姓名或身份的记录，请重新查询" << qsizetype(0) << qsizetype(1);
}

void TestStudentSearch::readsPagesStrictly()
{
    QFETCH(QList<QJsonObject>, pages);
    QFETCH(QString, failure);
    QFETCH(qsizetype, found);
    QFETCH(qsizetype, requested);

    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, {school::grade7}}}));
    fixture.replace(paths::roster, [pages](const demo::HttpRequest &request) {
        const qsizetype index = request.query.value(QStringLiteral("pageIndex")).toLongLong() - 1;
        return index >= 0 && index < pages.size() ? demo::envelope(pages.at(index))
                                                  : demo::envelope(QJsonValue());
    });

    const Outcome<QList<Student>> outcome =
        outcomeOf(fixture.api->search(QStringLiteral("学生"), school::schoolId, wednesday));

    QCOMPARE(outcome.failure, failure);
    QCOMPARE(outcome.value.value_or(QList<Student>{}).size(), found);
    QCOMPARE(fixture.count(paths::roster), requested);
    QCOMPARE(fixture.asked(paths::roster, QStringLiteral("pageSize")).first(), QStringLiteral("50"));
}

void TestStudentSearch::mergesStudentsAcrossTasks_data()
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

void TestStudentSearch::mergesStudentsAcrossTasks()
{
    QFETCH(QStringList, labels);
    QFETCH(QString, className);
    QFETCH(qint64, classId);
    QFETCH(qint64, studySection);

    // One task per label, none preferred, so every task is searched; each lists the same student
    // under its own class.
    QList<TaskSpec> tasks;
    for (qsizetype i = 0; i < labels.size(); ++i)
        tasks.append({21 + i, std::nullopt, {school::grade7}});
    LookupFixture fixture;
    fixture.open(schoolWith(tasks));
    fixture.replace(paths::roster, [labels](const demo::HttpRequest &request) {
        const QString label =
            labels.at(request.query.value(QStringLiteral("courseTaskId")).toLongLong() - 21);
        QJsonArray classes;
        if (!label.isEmpty())
            classes.append(classInfo(label == u"7A" ? 701 : 702, label, label == u"7A" ? 7 : 8));
        QJsonObject student = row(11, QStringLiteral("李雷"), classes);
        student.insert(QStringLiteral("studentEName"), QStringLiteral("Li Lei"));
        return std::optional(page(1, {student}, 1));
    });

    const Outcome<QList<Student>> outcome =
        outcomeOf(fixture.api->search(QStringLiteral("李"), school::schoolId, wednesday));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    const QList<Student> &students = *outcome.value;

    QCOMPARE(students.size(), 1);
    QCOMPARE(students.first().className, className);
    QCOMPARE(students.first().classId, classId);
    QCOMPARE(students.first().studySection, studySection);
    QCOMPARE(students.first().englishName, QStringLiteral("Li Lei"));
    QCOMPARE(students.first().schoolId, school::schoolId);
}

void TestStudentSearch::sortsByNameThenId()
{
    LookupFixture fixture;
    fixture.open(schoolWith({{21, true, {school::grade7}}}));
    const QJsonArray g7{classInfo(701, QStringLiteral("七年级(1)班"), 7)};
    fixture.replace(paths::roster, [g7](const demo::HttpRequest &) {
        return std::optional(page(3,
                                  {row(9, QStringLiteral("王五"), g7), row(8, QStringLiteral("张三"), g7),
                                   row(2, QStringLiteral("张三"), g7)},
                                  1));
    });

    const Outcome<QList<Student>> outcome =
        outcomeOf(fixture.api->search(QStringLiteral("三"), school::schoolId, wednesday));
    QVERIFY2(outcome.value, qPrintable(outcome.failure));
    const QList<Student> &students = *outcome.value;

    QCOMPARE(names(students), (QStringList{"张三", "张三", "王五"}));
    QCOMPARE(students.at(0).id, 2);
    QCOMPARE(students.at(1).id, 8);
}

int runSearchTests(int argc, char **argv)
{
    TestStudentSearch tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_search.moc"
