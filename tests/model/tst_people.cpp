#include "fixtures.h"
#include "suites.h"

#include "core/model/student.h"
#include "core/model/teacher.h"

#include "core/base/errors.h"

#include <QJsonDocument>
#include <QTest>

using namespace quorvale;

class PeopleTest : public QObject
{
    Q_OBJECT

private slots:
    void namesSupportedSectionsOnly_data();
    void namesSupportedSectionsOnly();
    void matchesTrimmedQueryInEitherName_data();
    void matchesTrimmedQueryInEitherName();
    void keepsStudentJsonExact();
    void refusesLooselyTypedStudent_data();
    void refusesLooselyTypedStudent();
    void readsNumericIdentifiers_data();
    void readsNumericIdentifiers();
    void readsTeacherNames_data();
    void readsTeacherNames();
};

void PeopleTest::namesSupportedSectionsOnly_data()
{
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("label");
    QTest::newRow("undetermined") << qint64(0) << ""
                                  << "学部待确认";
    QTest::newRow("primary") << qint64(1) << ""
                             << "不支持的学部";
    QTest::newRow("middle") << qint64(2) << "middle"
                            << "初中 G6–G8";
    QTest::newRow("high") << qint64(3) << "high"
                          << "高中 G9–G12";
    QTest::newRow("other") << qint64(4) << ""
                           << "不支持的学部";
}

void PeopleTest::namesSupportedSectionsOnly()
{
    QFETCH(qint64, code);
    QFETCH(QString, section);
    QFETCH(QString, label);
    const Student student = fixtures::student(1, code);
    QCOMPARE(student.section().value_or(QString()), section);
    QCOMPARE(student.sectionName(), label);
}

void PeopleTest::matchesTrimmedQueryInEitherName_data()
{
    QTest::addColumn<QString>("englishName");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("matches");
    QTest::newRow("part of the name") << "Ming Li"
                                      << "李" << true;
    QTest::newRow("surrounded by blanks") << "Ming Li"
                                          << " \n李明\t" << true;
    QTest::newRow("English in another case") << "Ming Li"
                                             << "ming l" << true;
    QTest::newRow("letters not contiguous") << "Ming Li"
                                            << "mli" << false;
    QTest::newRow("blank query") << "Ming Li"
                                 << "   " << false;
    QTest::newRow("empty query") << "Ming Li"
                                 << "" << false;
    QTest::newRow("name without English name") << ""
                                               << "明" << true;
    QTest::newRow("decomposed accent") << QString::fromUtf8("Zoë") << QString::fromUtf8("zoe\u0308") << true;
}

void PeopleTest::matchesTrimmedQueryInEitherName()
{
    QFETCH(QString, englishName);
    QFETCH(QString, query);
    QFETCH(bool, matches);
    Student student = fixtures::student(1, 3);
    student.englishName = englishName;
    QCOMPARE(student.matches(query), matches);
}

void PeopleTest::keepsStudentJsonExact()
{
    // Ids beyond 32 bits must pass through decoding and encoding unchanged.
    const QByteArray body = R"({"id":4294967297,"name":"李明","englishName":"","classId":3000000000,)"
                            R"("className":"高一1班","schoolId":7,"studySection":3})";
    const Student student = Student::fromJson(QJsonDocument::fromJson(body).object());
    QCOMPARE(student.id, qint64(4294967297));
    QCOMPARE(student.classId, qint64(3000000000));
    QCOMPARE(student.section(), std::optional<QString>(QStringLiteral("high")));
    QCOMPARE(Student::fromJson(student.toJson()), student);
    QCOMPARE(student.toJson().keys().size(), 7);
}

void PeopleTest::refusesLooselyTypedStudent_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed
    QTest::addColumn<int>("kind");
    const int missing = int(DecodingError::Kind::MissingKey);
    const int wrong = int(DecodingError::Kind::WrongType);
    QTest::newRow("section as text") << "studySection" << QJsonValue("2") << wrong;
    QTest::newRow("fractional id") << "id" << QJsonValue(1.5) << wrong;
    QTest::newRow("name as number") << "name" << QJsonValue(3) << wrong;
    QTest::newRow("null English name") << "englishName" << QJsonValue() << wrong;
    QTest::newRow("no school") << "schoolId" << QJsonValue(QJsonValue::Undefined) << missing;
}

void PeopleTest::refusesLooselyTypedStudent()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(int, kind);
    QJsonObject object = fixtures::student(1, 2).toJson();
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    try {
        Student::fromJson(object);
        QFAIL("decoded");
    } catch (const DecodingError &error) {
        QCOMPARE(int(error.kind()), kind);
        QCOMPARE(error.key(), key);
    }
}

void PeopleTest::readsNumericIdentifiers_data()
{
    QTest::addColumn<QByteArray>("id"); // the JSON text of "id", or empty for none
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<bool>("valid");
    QTest::newRow("integer") << QByteArray("1203") << qint64(1203) << true;
    QTest::newRow("digit text") << QByteArray(R"("1203")") << qint64(1203) << true;
    QTest::newRow("plus text") << QByteArray(R"("+7")") << qint64(7) << true;
    QTest::newRow("minus zero text") << QByteArray(R"("-0")") << qint64(0) << true;
    QTest::newRow("above 32 bits") << QByteArray(R"("8589934592")") << qint64(8589934592) << true;
    QTest::newRow("empty text") << QByteArray(R"("")") << qint64(0) << false;
    QTest::newRow("space before") << QByteArray(R"(" 12")") << qint64(0) << false;
    QTest::newRow("letters") << QByteArray(R"("12a")") << qint64(0) << false;
    QTest::newRow("decimal text") << QByteArray(R"("1.0")") << qint64(0) << false;
    QTest::newRow("fraction") << QByteArray("12.5") << qint64(0) << false;
    QTest::newRow("lone plus") << QByteArray(R"("+")") << qint64(0) << false;
    QTest::newRow("beyond 64 bits") << QByteArray(R"("9223372036854775808")") << qint64(0) << false;
    QTest::newRow("Boolean") << QByteArray("true") << qint64(0) << false;
    QTest::newRow("null") << QByteArray("null") << qint64(0) << false;
    QTest::newRow("absent") << QByteArray() << qint64(0) << false;
}

void PeopleTest::readsNumericIdentifiers()
{
    QFETCH(QByteArray, id);
    QFETCH(qint64, expected);
    QFETCH(bool, valid);
    const QByteArray body = (id.isEmpty() ? QByteArray("{") : R"({"id":)" + id + ",") + R"("name":"王老师"})";
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    for (const bool course : {false, true}) {
        try {
            const qint64 read = course ? CourseOption::fromJson(object).id : Teacher::fromJson(object).id;
            QVERIFY(valid);
            QCOMPARE(read, expected);
        } catch (const DecodingError &error) {
            QVERIFY(!valid);
            QCOMPARE(error.kind(), DecodingError::Kind::Corrupted);
            QCOMPARE(error.key(), QStringLiteral("id"));
        }
    }
}

void PeopleTest::readsTeacherNames_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("englishName");
    QTest::addColumn<int>("kind"); // -1: decodes
    QTest::newRow("English name") << QByteArray(R"({"id":1,"name":"王","eName":"Wang"})") << "Wang" << -1;
    QTest::newRow("no English name") << QByteArray(R"({"id":1,"name":"王"})") << "" << -1;
    QTest::newRow("null English name") << QByteArray(R"({"id":1,"name":"王","eName":null})") << "" << -1;
    QTest::newRow("numeric English name")
        << QByteArray(R"({"id":1,"name":"王","eName":5})") << "" << int(DecodingError::Kind::WrongType);
    QTest::newRow("no name") << QByteArray(R"({"id":1})") << "" << int(DecodingError::Kind::MissingKey);
}

void PeopleTest::readsTeacherNames()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, englishName);
    QFETCH(int, kind);
    try {
        const Teacher teacher = Teacher::fromJson(QJsonDocument::fromJson(body).object());
        QCOMPARE(kind, -1);
        QCOMPARE(teacher.englishName, englishName);
    } catch (const DecodingError &error) {
        QCOMPARE(int(error.kind()), kind);
    }
}

int runPeopleTests(int argc, char **argv)
{
    PeopleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_people.moc"
