#include "platformfixture.h"
#include "suites.h"

#include "core/adapters/teachertimetableadapter.h"
#include "core/base/errors.h"

#include <QTest>

using namespace quorvale;

namespace {

const QString kCourses = QStringLiteral("tables:list/0/classCourseTimeTable/");

// "11:2;12:2,3" as a class-section map.
ClassSections sections(const QString &text)
{
    ClassSections map;
    for (const QString &entry : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(u':');
        QSet<qint64> codes;
        for (const QString &code : parts[1].split(u','))
            codes.insert(code.toInt());
        map.insert(parts[0].toInt(), codes);
    }
    return map;
}

TeacherSchedule normalize(const QString &edits, const QString &classes, const QString &day, int code)
{
    auto bodies = fixtures::teacherBodies().apply(edits);
    return TeacherTimetableAdapter::normalize(fixtures::teacher(), fixtures::task(), bodies.detailData(),
                                              bodies.masterData(), bodies.tablesData(), fixtures::at(day),
                                              sections(classes), fixtures::weekCode(code));
}

QString describe(const TeacherEntry &entry)
{
    const auto number = [](std::optional<qint64> value) { return value ? QString::number(*value) : "?"; };
    return QStringList{entry.period, number(entry.start) + u'-' + number(entry.end), entry.subject,
                       entry.className.value_or("-"), entry.section.value_or("-")}
        .join(u' ');
}

} // namespace

class TeacherNormaliserTests : public QObject
{
    Q_OBJECT

private slots:
    void timesLessonsBySection();
    void translatesTeacherDay_data();
    void translatesTeacherDay();
};

void TeacherNormaliserTests::timesLessonsBySection()
{
    const TeacherSchedule day = normalize("", "11:2;12:2,3;13:3", "2025-03-03", -1);
    QCOMPARE(day.date, QDate(2025, 3, 3));
    QVERIFY(!day.week);
    QStringList entries;
    for (const TeacherEntry &entry : day.entries)
        entries.append(describe(entry));
    QCOMPARE(entries, (QStringList{
                          "B1 510-550 数学 7A 初中",
                          "B3 635-675 数学 8B 跨初高中",
                          "B4 730-770 物理 9C 高中",
                          "ASA 960-1050 篮球社 - 学部待确认",
                          "B2 ?-? 数学 8B 跨初高中",
                          "晚自习 ?-? 晚自习 - 学部待确认",
                      }));
    QCOMPARE(day.warnings, (QStringList{"B2 课程的班级学部尚未唯一确认，上下课时间待确认",
                                        "晚自习 尚无经确认的活动作息，不采用澜序钟点推测"}));
    QCOMPARE(day.entries[0].id, QStringLiteral("WyJCMSIsIuaVsOWtpiIsIkExMDEiLCI1MTAiLCI1NTAiXQ=="));
    QCOMPARE(day.entries[0].room, std::optional<QString>("A101"));

    // Several untimed B2 lessons still give one warning.
    const TeacherSchedule twice = normalize(kCourses + "7={\"coordId\":102,\"name\":\"语文\",\"classId\":12}",
                                            "12:2,3", "2025-03-03", -1);
    QCOMPARE(twice.warnings.count("B2 课程的班级学部尚未唯一确认，上下课时间待确认"), 1);
}

void TeacherNormaliserTests::translatesTeacherDay_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("classes");
    QTest::addColumn<QString>("day");
    QTest::addColumn<int>("code");
    // The first entry, or the refusal.
    QTest::addColumn<QString>("expected");
    const QString mon = QStringLiteral("2025-03-03"), tue = QStringLiteral("2025-03-04");
    const QString known = QStringLiteral("11:2;12:2,3;13:3");
    // Leaves the package first, or the club and the Tuesday lesson only.
    const QString drop123 = "!" + kCourses + "0;!" + kCourses + "0;!" + kCourses + "0;";
    const QString onlyClub = drop123 + "!" + kCourses + "0;!" + kCourses + "1;";
    const QString pkg = kCourses + "0/";

    QTest::newRow("no section map: shared B1 at high times")
        << ""
        << "" << mon << -1 << "B1 510-550 数学 7A 学部待确认";
    QTest::newRow("class missing from the map") << ""
                                                << "12:2" << mon << -1 << "B1 510-550 数学 7A 学部待确认";
    QTest::newRow("middle B4") << drop123 << "13:2" << mon << -1 << "B4 690-730 物理 9C 初中";
    QTest::newRow("child keeps its own class")
        << drop123 + pkg + "courses/0/className=\"10A\"" << known << mon << -1 << "B4 730-770 物理 10A 高中";
    QTest::newRow("child's own class id")
        << drop123 + pkg + "courses/0/classId=11" << known << mon << -1 << "B4 690-730 物理 9C 初中";
    QTest::newRow("week code 2 leaves out the code-1 lesson") << "" << known << tue << 2 << "";
    QTest::newRow("week code 1") << "" << known << tue << 1 << "B2 580-620 数学 - 初中";
    QTest::newRow("package of the other week")
        << drop123 + pkg + "singleDoubleSet=2" << known << mon << 1 << "ASA 960-1050 篮球社 - 学部待确认";
    QTest::newRow("merged classes") << kCourses + "0/className=\"8B\";" + kCourses +
                                           "7={\"coordId\":101,\"name\":\"数学\",\"classId\":12,"
                                           "\"className\":\"7A / 8B\",\"playgroundName\":\"A101\"}"
                                    << "11:2;12:3" << mon << -1 << "B1 510-550 数学 7A / 8B 跨学部";
    QTest::newRow("lower-case asa is timed") << onlyClub + "master:template/7/name=\"asa\"" << known << mon
                                             << -1 << "asa 960-1050 篮球社 - 学部待确认";
    QTest::newRow("English ASA: untimed under its Chinese label")
        << onlyClub + "master:template/7/name=\"社团\";master:template/7/eName=\"ASA\"" << known << mon << -1
        << "社团 ?-? 篮球社 - 学部待确认";
    QTest::newRow("B8 is an untimed activity")
        << onlyClub + kCourses + "0/coordId=110" << known << mon << -1 << "B8 ?-? 篮球社 - 学部待确认";
    QTest::newRow("numbered evening class") << onlyClub + "master:template/7/name=\"晚课2\"" << known << mon
                                            << -1 << "晚课2 ?-? 篮球社 - 学部待确认";

    const QString broken = QStringLiteral("!detail:workRestTableType;master:list=5");
    QTest::newRow("outside the task")
        << broken << known << "2025-07-07" << -1 << "查询日期不在该排课任务有效期内";
    QTest::newRow("class id as text") << kCourses + "0/classId=\"11\"" << known << mon << -1
                                      << "老师课表结构与已确认格式不符，无法可靠解析";
    QTest::newRow("not a JSON object")
        << "detail:=[1]" << known << mon << -1 << "老师课表结构与已确认格式不符，无法可靠解析";
    QTest::newRow("other task") << "detail:id=8;detail:workRestTableType=2" << known << mon << -1
                                << "老师课表任务与所选任务不一致";
    QTest::newRow("cycle days") << "detail:workRestTableType=2;master:dayOrders=[]" << known << mon << -1
                                << "循环日老师课表尚缺日期锚点，暂不能判断当前课程";
    QTest::newRow("cell on an unlisted day") << "master:dayOrders=[1,2,3,4,5];tables:totalCount=4" << known
                                             << mon << -1 << "老师课表星期或课程坐标不完整";
    QTest::newRow("repeated cell id")
        << "master:list/1/id=101" << known << mon << -1 << "老师课表星期或课程坐标不完整";
    QTest::newRow("missing page") << "tables:totalCount=3" << known << mon << 7 << "老师课表分页尚未完整获取";
    QTest::newRow("two tables of the teacher")
        << "tables:list/1={\"objectId\":501,\"classCourseTimeTable\":[]};tables:totalCount=2" << known << mon
        << 7 << "未取得该老师唯一对应的独立课表";
    QTest::newRow("week code 0") << "" << known << mon << 0 << "查询日期的单双周类型无效";
    QTest::newRow("Tuesday course without cell")
        << "!" + kCourses + "6/coordId" << known << mon << 1 << "老师课程的节次坐标缺失";
    QTest::newRow("two templates") << "master:template/10={\"sectionOrder\":1,\"timeType\":1,\"name\":\"B2\"}"
                                   << known << mon << -1 << "老师课程未匹配唯一节次模板";
    QTest::newRow("conflicting labels")
        << "master:template/0/eName=\"B4\"" << known << mon << -1 << "老师课程的节次中英文名称冲突";
    QTest::newRow("public slot holding B1")
        << "master:list/0/timeType=2;master:template/10={\"sectionOrder\":1,\"timeType\":2,\"name\":\"B1\"}"
        << known << mon << -1 << "老师公共时段关联真实课程，需先确认明确节次";
    QTest::newRow("leading zero") << "master:template/0/name=\"B03\";master:template/0/eName=null" << known
                                  << mon << -1 << "老师课程节次不明确，不能按澜序钟点推测";
    QTest::newRow("course week code 3")
        << kCourses + "0/singleDoubleSet=3" << known << mon << -1 << "老师课程的单双周类型未知";
    QTest::newRow("Tuesday without the date's code")
        << "" << known << tue << -1 << "老师存在单双周课程，请先确认目标日期的周型";
    QTest::newRow("object type 5") << kCourses + "0/objectType=5" << known << mon << -1
                                   << "老师课表课程对象类型未知";
    QTest::newRow("empty package") << kCourses + "3/courses=[]" << known << mon << -1
                                   << "老师课程包缺少具体课程";
    QTest::newRow("no subject") << kCourses + "0/name=null" << known << mon << -1 << "老师课表课程名称缺失";
}

void TeacherNormaliserTests::translatesTeacherDay()
{
    QFETCH(QString, edits);
    QFETCH(QString, classes);
    QFETCH(QString, day);
    QFETCH(int, code);
    QFETCH(QString, expected);
    try {
        const TeacherSchedule schedule = normalize(edits, classes, day, code);
        QCOMPARE(schedule.entries.isEmpty() ? QString() : describe(schedule.entries.first()), expected);
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), expected);
    }
}

int runTeacherNormaliserTests(int argc, char **argv)
{
    TeacherNormaliserTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_teachernormaliser.moc"
