#include "suites.h"

#include "core/adapters/studentrow.h"
#include "core/adapters/teacherrecords.h"
#include "core/base/errors.h"
#include "core/base/strictjson.h"

#include <QTest>

using namespace quorvale;

namespace {

// The row as "id|name|englishName|classId|className|section", "dropped", or the failure.
QString studentOutcome(const QString &row)
{
    try {
        const auto student = ScheduleStudentRow::fromJson(json::parseObject(row.toUtf8())).student(9);
        if (!student)
            return QStringLiteral("dropped");
        if (student->schoolId != 9)
            return QStringLiteral("school id lost");
        return QStringList{QString::number(student->id), student->name,
                           student->englishName,         QString::number(student->classId),
                           student->className,           QString::number(student->studySection)}
            .join(u'|');
    } catch (const DecodingError &) {
        return QStringLiteral("decoding error");
    } catch (const DemoError &error) {
        return error.description();
    }
}

} // namespace

class RecordTests : public QObject
{
    Q_OBJECT

private slots:
    void decodesTeacherTaskDetail_data();
    void decodesTeacherTaskDetail();
    void decodesRosterStudents();
    void turnsRowsIntoStudents_data();
    void turnsRowsIntoStudents();
};

void RecordTests::decodesTeacherTaskDetail_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("decodes");
    const QString rest = QStringLiteral(R"("workRestTableType": 1, "courseTaskType": 1)");
    QTest::newRow("optional members absent") << R"({"isTakeEffect": false, )" + rest + "}" << true;
    QTest::newRow("optional members null")
        << R"({"id": null, "schoolId": null, "schoolSemesterId": null, "isTakeEffect": true, )" + rest + "}"
        << true;
    QTest::newRow("Boolean as 1") << R"({"isTakeEffect": 1, )" + rest + "}" << false;
    QTest::newRow("Boolean as text") << R"({"isTakeEffect": "true", )" + rest + "}" << false;
    QTest::newRow("Boolean null") << R"({"isTakeEffect": null, )" + rest + "}" << false;
    QTest::newRow("no task type") << R"({"isTakeEffect": true, "workRestTableType": 1})" << false;
    QTest::newRow("no day plan") << R"({"isTakeEffect": true, "courseTaskType": 1})" << false;
    QTest::newRow("term as text") << R"({"isTakeEffect": true, "schoolSemesterId": "3", )" + rest + "}"
                                  << false;
}

void RecordTests::decodesTeacherTaskDetail()
{
    QFETCH(QString, body);
    QFETCH(bool, decodes);
    try {
        const auto detail = TeacherTaskDetail::fromJson(json::parseObject(body.toUtf8()));
        QVERIFY(decodes);
        QVERIFY(!detail.id && !detail.schoolId && !detail.schoolSemesterId);
        QCOMPARE(detail.courseTaskType, 1);
    } catch (const DecodingError &) {
        QVERIFY(!decodes);
    }
}

void RecordTests::decodesRosterStudents()
{
    const auto decode = [](const char *text) {
        return TeacherRosterStudent::fromJson(json::parseObject(text));
    };
    QCOMPARE(decode(R"({"studentId": 4, "classInfos": null})").classInfos, std::nullopt);
    QCOMPARE(decode(R"({"studentId": 4})").classInfos, std::nullopt);
    QCOMPARE(decode(R"({"studentId": 4, "classInfos": [{"id": 12}]})").classInfos,
             (QList<TeacherRosterClass>{{12, std::nullopt, std::nullopt}}));
    QVERIFY_THROWS_EXCEPTION(DecodingError, decode(R"({"classInfos": []})"));
    QVERIFY_THROWS_EXCEPTION(DecodingError,
                             decode(R"({"studentId": 4, "classInfos": [{"id": 12, "grade": "7"}]})"));
    QCOMPARE(
        (QList<qint64>{sectionOfGrade(std::nullopt), sectionOfGrade(0), sectionOfGrade(5), sectionOfGrade(6),
                       sectionOfGrade(8), sectionOfGrade(9), sectionOfGrade(12), sectionOfGrade(13)}),
        (QList<qint64>{-1, -1, 0, 2, 2, 3, 3, 0}));
}

void RecordTests::turnsRowsIntoStudents_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("expected");
    const QString missing = QStringLiteral("课表名单存在缺失姓名或身份的记录，请重新查询");
    const auto row = [](const QString &classes) {
        return QStringLiteral(
                   R"({"studentId": 5, "studentName": " 李雷\n", "studentEName": "Lei", "classInfos": [%1]})")
            .arg(classes);
    };
    const auto cls = [](int id, const QString &name, const QString &grade, int type = 1) {
        return QStringLiteral(R"({"id": %1, "name": %2, "eName": "E%1", "grade": %3, "classType": %4})")
            .arg(id)
            .arg(name, grade)
            .arg(type);
    };
    QTest::newRow("id 0") << R"({"studentId": 0, "studentName": "李雷"})" << missing;
    QTest::newRow("negative id") << R"({"studentId": -3, "studentName": "李雷"})" << missing;
    QTest::newRow("blank name only") << R"({"studentId": 5, "studentName": "  "})" << missing;
    QTest::newRow("English name only") << R"({"studentId": 5, "studentEName": " Amy "})"
                                       << "5|Amy|Amy|0|班级待确认|0";
    QTest::newRow("only classes of other types")
        << row(cls(31, "\"7A\"", "7", 2)) << "5|李雷|Lei|0|班级待确认|0";
    QTest::newRow("grade 7") << row(cls(31, "\" 7A \"", "7")) << "5|李雷|Lei|31|7A|2";
    QTest::newRow("grade 10 beside a grade-7 class of another type")
        << row(cls(31, "\"10A\"", "10") + "," + cls(32, "\"7A\"", "7", 3)) << "5|李雷|Lei|31|10A|3";
    QTest::newRow("grades 8 and 9") << row(cls(31, "\"G9A\"", "9") + "," + cls(32, "\"G8B\"", "8"))
                                    << "5|李雷|Lei|0|G8B / G9A|0";
    QTest::newRow("grades 3 and 5") << row(cls(31, "\"3A\"", "3") + "," + cls(32, "\"5A\"", "5"))
                                    << "dropped";
    QTest::newRow("grade 5 and no grade")
        << row(cls(31, "\"5A\"", "5") + "," + cls(32, "\"X\"", "null")) << "5|李雷|Lei|0|5A / X|0";
    QTest::newRow("same name twice") << row(cls(31, "\"7A\"", "7") + "," + cls(32, "\"7A\"", "7"))
                                     << "5|李雷|Lei|0|7A|2";
    QTest::newRow("empty name takes English") << row(cls(31, "\"\"", "7")) << "5|李雷|Lei|31|E31|2";
    QTest::newRow("blank name gives no label") << row(cls(31, "\"  \"", "7")) << "5|李雷|Lei|31|班级待确认|2";
    QTest::newRow("grade as text") << row(cls(31, "\"7A\"", "\"7\"")) << "decoding error";
    QTest::newRow("name as number") << R"({"studentId": 5, "studentName": 5})"
                                    << "decoding error";
}

void RecordTests::turnsRowsIntoStudents()
{
    QFETCH(QString, row);
    QFETCH(QString, expected);
    QCOMPARE(studentOutcome(row), expected);
}

int runRecordTests(int argc, char **argv)
{
    RecordTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_records.moc"
