#include "core/client/quorvaleapi.h"
#include "suites.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace quorvale;

namespace {

// A period of the master's template as (name, English name); a null text leaves the key out.
struct Period
{
    QString name;
    QString englishName;
};

QJsonObject periodObject(qint64 order, const Period &period)
{
    QJsonObject object{{QStringLiteral("sectionOrder"), order}, {QStringLiteral("timeType"), 1}};
    if (!period.name.isNull())
        object.insert(QStringLiteral("name"), period.name);
    if (!period.englishName.isNull())
        object.insert(QStringLiteral("eName"), period.englishName);
    return object;
}

// A master whose coordinate i + 1 lies in period i + 1 of the template.
QByteArray master(const QList<Period> &periods)
{
    QJsonArray coordinates;
    QJsonArray rows;
    for (qsizetype i = 0; i < periods.size(); ++i) {
        coordinates.append(QJsonObject{{QStringLiteral("id"), i + 1},
                                       {QStringLiteral("sectionOrder"), i + 1},
                                       {QStringLiteral("timeType"), 1}});
        rows.append(periodObject(i + 1, periods.at(i)));
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("list"), coordinates}, {QStringLiteral("template"), rows}})
        .toJson(QJsonDocument::Compact);
}

// The teacher's one table with a lesson on each coordinate given.
QByteArray tables(const QList<qint64> &coordIds)
{
    QJsonArray lessons;
    for (const qint64 id : coordIds)
        lessons.append(QJsonObject{{QStringLiteral("coordId"), id}});
    const QJsonArray list{
        QJsonObject{{QStringLiteral("objectId"), 301}, {QStringLiteral("classCourseTimeTable"), lessons}}};
    return QJsonDocument(QJsonObject{{QStringLiteral("totalCount"), 1}, {QStringLiteral("list"), list}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class TestTeacherNeeds : public QObject
{
    Q_OBJECT

private slots:
    void loadsTheMapUnlessProvenUnneeded_data();
    void loadsTheMapUnlessProvenUnneeded();
};

void TestTeacherNeeds::loadsTheMapUnlessProvenUnneeded_data()
{
    QTest::addColumn<QByteArray>("master");
    QTest::addColumn<QByteArray>("tables");
    QTest::addColumn<bool>("needed");

    const auto one = [](const QString &name, const QString &englishName = QString()) {
        return master({{name, englishName}});
    };
    const QByteArray lesson = tables({1});
    QTest::newRow("no tables") << one("B2") << QByteArray(R"({"totalCount":0,"list":[]})") << false;
    QTest::newRow("no lessons") << one("B2") << tables({}) << false;
    QTest::newRow("master not JSON") << QByteArray("{") << lesson << true;
    QTest::newRow("master without template") << QByteArray(R"({"list":[]})") << lesson << true;
    QTest::newRow("tables without list") << one("B1") << QByteArray(R"({"totalCount":1})") << true;
    QTest::newRow("lesson without coordinate")
        << one("B1") << QByteArray(R"({"list":[{"classCourseTimeTable":[{}]}]})") << true;
    QTest::newRow("unknown coordinate") << one("B1") << tables({9}) << true;
    QByteArray twice = master({{"B1", {}}});
    twice.replace(R"("list":[)", R"("list":[{"id":1,"sectionOrder":1,"timeType":1},)");
    QTest::newRow("coordinate listed twice") << twice << lesson << true;
    QByteArray periodTwice = master({{"B1", {}}});
    periodTwice.replace(R"("template":[)", R"("template":[{"sectionOrder":1,"timeType":1,"name":"B3"},)");
    QTest::newRow("period listed twice") << periodTwice << lesson << true;

    QTest::newRow("b3 with spaces") << one(" b3 ") << lesson << false;
    QTest::newRow("B2") << one("B2") << lesson << true;
    QTest::newRow("B4") << one("B4") << lesson << true;
    QTest::newRow("B8") << one("B8") << lesson << false;
    QTest::newRow("B12") << one("B12") << lesson << false;
    QTest::newRow("B08 reads as 8") << one("B08") << lesson << false;
    QTest::newRow("B01 is not B1") << one("B01") << lesson << true;
    QTest::newRow("evening lesson") << one(QStringLiteral("晚课2")) << lesson << false;
    QTest::newRow("asa in lower case") << one("asa") << lesson << false;
    QTest::newRow("evening study") << one(QStringLiteral("晚自习")) << lesson << false;
    QTest::newRow("another name") << one(QStringLiteral("午休")) << lesson << true;
    QTest::newRow("no name") << one(QString()) << lesson << true;
    QTest::newRow("names disagree") << one("B1", "B3") << lesson << true;
    QTest::newRow("names agree") << one("B5", "b5") << lesson << false;
    QTest::newRow("activity name with a code") << one("ASA", "B2") << lesson << true;
    QTest::newRow("activity, then B2") << master({{"ASA", {}}, {"B2", {}}}) << tables({1, 2}) << true;
    QTest::newRow("shared periods only") << master({{"B1", {}}, {"B7", "B7"}}) << tables({1, 2}) << false;
}

void TestTeacherNeeds::loadsTheMapUnlessProvenUnneeded()
{
    QFETCH(QByteArray, master);
    QFETCH(QByteArray, tables);
    QFETCH(bool, needed);
    QCOMPARE(QuorvaleAPI::teacherNeedsClassSections(master, tables), needed);
}

int runTeacherNeedsTests(int argc, char **argv)
{
    TestTeacherNeeds test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_teacherneeds.moc"
