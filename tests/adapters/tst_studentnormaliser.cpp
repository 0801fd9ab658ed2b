#include "platformfixture.h"
#include "suites.h"

#include "core/adapters/timetableadapter.h"
#include "core/base/errors.h"

#include <QTest>

using namespace quorvale;

namespace {

// The day's lessons as "period subject@room" joined by "; ", or the refusal text.
QString outcome(const QString &edits, qint64 section, const QString &day, int code)
{
    try {
        auto bodies = fixtures::studentBodies().apply(edits);
        const Timetable table = TimetableAdapter::normalize(
            fixtures::student(section), fixtures::task(), bodies.detailData(), bodies.masterData(),
            bodies.tablesData(), fixtures::at(day), fixtures::weekCode(code));
        QStringList lessons;
        for (const Lesson &lesson : table.lessons)
            lessons.append(lesson.period + u' ' + lesson.subject +
                           (lesson.room ? u'@' + *lesson.room : QString()));
        return lessons.join(QStringLiteral("; "));
    } catch (const DemoError &error) {
        return error.description();
    }
}

} // namespace

class StudentNormaliserTests : public QObject
{
    Q_OBJECT

private slots:
    void buildsOneValidatedDay();
    void translatesMonday_data();
    void translatesMonday();
    void readsSlotLabelsStrictly_data();
    void readsSlotLabelsStrictly();
};

void StudentNormaliserTests::buildsOneValidatedDay()
{
    const auto bodies = fixtures::studentBodies();
    const Timetable table = TimetableAdapter::normalize(
        fixtures::student(), fixtures::task(), bodies.detailData(), bodies.masterData(), bodies.tablesData(),
        fixtures::at("2025-03-09", "23:30"), std::nullopt);
    QCOMPARE(table.source, QStringLiteral("澜序个人课表 · 2024-2025 春季 · 仅 B1–B7，钟点按学校图片作息"));
    QCOMPARE(table.validFrom, QStringLiteral("2025-03-09"));
    QCOMPARE(table.validThrough, QStringLiteral("2025-03-09"));
    QCOMPARE(table.weekOneMonday, QStringLiteral("2025-03-03"));
    QCOMPARE(table.completeStudentIds, QList<qint64>{fixtures::kStudentId});
    QVERIFY(table.lessons.isEmpty());
    QCOMPARE(table.unknownOutsideCoreHours, std::optional(false));
    QCOMPARE(table.warnings, std::optional(QStringList()));

    const Timetable monday =
        TimetableAdapter::normalize(fixtures::student(), fixtures::task(), bodies.detailData(),
                                    bodies.masterData(), bodies.tablesData(), fixtures::at("2025-03-03"), 2);
    QCOMPARE(monday.lessons.first(), (Lesson{fixtures::kStudentId, 1, "B1", "数学", "A101", std::nullopt}));
    QCOMPARE(monday.unknownOutsideCoreHours, std::optional(true));
    QCOMPARE(monday.warnings, std::optional(QStringList{"ASA 未配置经确认的活动作息；当前仅判断 B1–B7",
                                                        "晚自习 未配置经确认的活动作息；当前仅判断 B1–B7"}));
    QCOMPARE(monday.bells.keys(), (QStringList{"high", "middle"}));
}

void StudentNormaliserTests::translatesMonday_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<qint64>("section");
    QTest::addColumn<QString>("day");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    const QString mon = QStringLiteral("2025-03-03");
    const QString all = QStringLiteral("B1 数学@A101; B3 物理@Lab 1; B3 Chemistry; B5 英语@Room 5");
    const QString course = QStringLiteral("tables:list/0/classCourseTimeTable/");
    const QString broken = QStringLiteral("!detail:workRestTableType;master:list=5");

    QTest::newRow("week code 2") << "" << qint64(3) << mon << 2 << all;
    QTest::newRow("week code 1 leaves out the code-2 entry")
        << "" << qint64(2) << mon << 1 << "B1 数学@A101; B3 物理@Lab 1; B5 英语@Room 5";
    QTest::newRow("no courses on Wednesday") << "" << qint64(3) << "2025-03-05" << -1 << "";
    QTest::newRow("entries of a package of the other week")
        << course + "1/singleDoubleSet=1;" + course + "1/courses/1/singleDoubleSet=null" << qint64(3) << mon
        << 2 << "B1 数学@A101; B5 英语@Room 5";
    QTest::newRow("a dropped package is not examined")
        << course + "1/singleDoubleSet=1;" + course + "1/courses=[]" << qint64(3) << mon << 2
        << "B1 数学@A101; B5 英语@Room 5";
    QTest::newRow("detail without id") << "!detail:id" << qint64(3) << mon << 2 << all;
    QTest::newRow("unlisted members ignored")
        << "detail:isTakeEffect=\"x\";tables:list/0/classCourseTimeTable/0/className=4" << qint64(3) << mon
        << 2 << all;

    // Every refusal; where several checks fail, the earlier one speaks.
    QTest::newRow("section") << broken << qint64(0) << mon << 2 << "只支持初中 G6–G8 和高中 G9–G12";
    QTest::newRow("outside the task")
        << broken << qint64(3) << "2025-07-07" << 2 << "查询日期不在该排课任务的有效期内";
    const QString structure = QStringLiteral("澜序课表结构与已确认的坐标/课程结构不符，无法安全判断课程");
    QTest::newRow("detail without day plan")
        << "!detail:workRestTableType" << qint64(3) << mon << 2 << structure;
    QTest::newRow("coordinate without timeType")
        << "!master:list/0/timeType" << qint64(3) << mon << 2 << structure;
    QTest::newRow("master without dayOrders") << "!master:dayOrders" << qint64(3) << mon << 2 << structure;
    QTest::newRow("numeric room") << course + "0/playgroundName=5" << qint64(3) << mon << 2 << structure;
    QTest::newRow("courses not a list") << course + "1/courses={}" << qint64(3) << mon << 2 << structure;
    QTest::newRow("fractional id") << "detail:id=7.5" << qint64(3) << mon << 2 << structure;
    QTest::newRow("other task") << "detail:id=8;detail:workRestTableType=2" << qint64(3) << mon << 2
                                << "排课任务详情与所选任务不一致";
    QTest::newRow("cycle days") << "detail:workRestTableType=2;master:dayOrders=[]" << qint64(3) << mon << 2
                                << "该任务采用循环日课表，尚不能确定日期与第几天的对应关系";
    const QString incomplete = QStringLiteral("课表坐标不完整，或星期编号不在周一至周日范围内");
    QTest::newRow("no day orders") << "master:dayOrders=[];master:list/1/id=101" << qint64(3) << mon << 2
                                   << incomplete;
    QTest::newRow("day order 8") << "master:dayOrders/6=8" << qint64(3) << mon << 2 << incomplete;
    QTest::newRow("cell on an unlisted day")
        << "master:dayOrders=[1,2,3,4,5]" << qint64(3) << mon << 2 << incomplete;
    QTest::newRow("no templates") << "master:template=[]" << qint64(3) << mon << 2 << incomplete;
    QTest::newRow("repeated cell id") << "master:list/1/id=101;tables:totalCount=5" << qint64(3) << mon << 2
                                      << "课表坐标 ID 重复，无法可靠关联课程";
    QTest::newRow("missing page") << "tables:totalCount=3;tables:list/0/objectId=9" << qint64(3) << mon << 2
                                  << "学生课表分页尚未完整获取";
    QTest::newRow("negative total") << "tables:totalCount=-1;tables:list=[]" << qint64(3) << mon << 2
                                    << "学生课表分页尚未完整获取";
    const QString notOwn = QStringLiteral("未取得该学生唯一对应的个人课表，不能使用其他学生或班级的课表");
    QTest::newRow("two own tables") << "tables:list/1/objectId=1001" << qint64(3) << mon << 3 << notOwn;
    QTest::newRow("no own table") << "tables:list/0/objectId=9" << qint64(3) << mon << 2 << notOwn;
    QTest::newRow("week code 3") << "" << qint64(3) << "2025-03-05" << 3 << "服务端返回的单双周类型无效";
    QTest::newRow("week code 0") << "" << qint64(3) << mon << 0 << "服务端返回的单双周类型无效";
    QTest::newRow("unplaced Tuesday course")
        << course + "5/coordId=9999" << qint64(3) << mon << 2 << "个人课程未匹配到有效坐标，节次待确认";
    QTest::newRow("earlier course decides")
        << course + "5/coordId=9999;" + course + "0/objectType=9" << qint64(3) << mon << 2
        << "课程对象类型未知，无法确定学生实际选课";
    QTest::newRow("other day's faults unexamined")
        << course + "6/objectType=9;" + course + "6/singleDoubleSet=7" << qint64(3) << mon << 2 << all;
    QTest::newRow("course without cell")
        << "!" + course + "6/coordId" << qint64(3) << mon << 2 << "个人课程未匹配到有效坐标，节次待确认";
    QTest::newRow("two templates for a slot")
        << "master:template/10={\"sectionOrder\":1,\"timeType\":1,\"name\":\"B1\"}" << qint64(3) << mon << 2
        << "课程坐标未匹配到唯一节次模板";
    QTest::newRow("public slot holding B1")
        << "master:list/0/timeType=2;master:template/10={\"sectionOrder\":1,\"timeType\":2,\"name\":\"B1\"}"
        << qint64(3) << mon << 2 << "公共时段关联了个人课程，需要确认其明确节次后再判断";
    QTest::newRow("course week code 3") << course + "0/singleDoubleSet=3" << qint64(3) << mon << 2
                                        << "课程的单双周类型未知，需确认后才能判断";
    QTest::newRow("inherited code needs the date's code")
        << course + "1/singleDoubleSet=2;" + course + "1/courses/1/singleDoubleSet=null" << qint64(3) << mon
        << -1 << "该学生课程存在单双周安排，需要先确认查询日期的单双周";
    QTest::newRow("Tuesday code-1 lesson without the date's code")
        << "" << qint64(3) << "2025-03-04" << -1 << "该学生课程存在单双周安排，需要先确认查询日期的单双周";
    QTest::newRow("object type 3") << course + "0/objectType=3" << qint64(3) << mon << 2
                                   << "课程对象类型未知，无法确定学生实际选课";
    QTest::newRow("blank names") << course + "0/name=\" \\n\";" + course + "0/eName=\"\"" << qint64(3) << mon
                                 << 2 << "个人课表中的课程名称缺失";
    QTest::newRow("empty package") << course + "1/courses=[]" << qint64(3) << mon << 2
                                   << "课程包缺少具体选课内容";
    QTest::newRow("package without courses")
        << "!" + course + "1/courses" << qint64(3) << mon << 2 << "课程包缺少具体选课内容";
}

void StudentNormaliserTests::translatesMonday()
{
    QFETCH(QString, edits);
    QFETCH(qint64, section);
    QFETCH(QString, day);
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(outcome(edits, section, day, code), expected);
}

void StudentNormaliserTests::readsSlotLabelsStrictly_data()
{
    // The labels of slot row 3, where Monday's package sits.
    QTest::addColumn<QString>("labels");
    QTest::addColumn<QString>("expected");
    const QString unclear = QStringLiteral("个人课程节次名称不明确，不能按澜序钟点推测 B1–B7");
    QTest::newRow("blanks around a lower-case label") << "\" b3 \",null"
                                                      << "B3";
    QTest::newRow("English label only") << "null,\"B3\""
                                        << "B3";
    QTest::newRow("English label that is no period") << "\"B2\",\"Period two\""
                                                     << "B2";
    QTest::newRow("leading zero") << "\"B03\",null" << unclear;
    QTest::newRow("plus sign") << "\"B+3\",null" << unclear;
    QTest::newRow("blank inside") << "\"B 3\",null" << unclear;
    QTest::newRow("overflowing number") << "\"B99999999999999999999\",null" << unclear;
    QTest::newRow("zero") << "\"B0\",null" << unclear;
    QTest::newRow("letter after number") << "\"B3A\",null" << unclear;
    QTest::newRow("evening class without number") << "\"晚课\",null" << unclear;
    QTest::newRow("evening class 0") << "\"晚课0\",null" << unclear;
    QTest::newRow("conflicting labels") << "\"B2\",\"B3\""
                                        << "节次中英文名称互相冲突";
    QTest::newRow("beyond B7") << "\"B8\",null"
                               << "B8 未配置经确认的活动作息；当前仅判断 B1–B7";
    QTest::newRow("lower-case activity") << "\"asa\",null"
                                         << "asa 未配置经确认的活动作息；当前仅判断 B1–B7";
    QTest::newRow("numbered evening class") << "\"晚课02\",null"
                                            << "晚课02 未配置经确认的活动作息；当前仅判断 B1–B7";
    QTest::newRow("activity named in English") << "\"社团\",\"SFL\""
                                               << "社团 未配置经确认的活动作息；当前仅判断 B1–B7";
}

void StudentNormaliserTests::readsSlotLabelsStrictly()
{
    QFETCH(QString, labels);
    QFETCH(QString, expected);
    const QStringList pair = labels.split(u',');
    auto bodies = fixtures::studentBodies().apply("master:template/2/name=" + pair[0] +
                                                  ";master:template/2/eName=" + pair[1]);
    try {
        const Timetable table = TimetableAdapter::normalize(
            fixtures::student(), fixtures::task(), bodies.detailData(), bodies.masterData(),
            bodies.tablesData(), fixtures::at("2025-03-03"), 2);
        if (table.warnings->size() > 2) {
            QCOMPARE(table.warnings->first(), expected);
            QCOMPARE(table.lessons.size(), 2);
        } else {
            QCOMPARE(table.lessons.at(1).period, expected);
        }
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), expected);
    }
}

int runStudentNormaliserTests(int argc, char **argv)
{
    StudentNormaliserTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_studentnormaliser.moc"
