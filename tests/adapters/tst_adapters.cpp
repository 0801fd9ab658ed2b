#include "platformfixture.h"

#include "core/adapters/studentrow.h"
#include "core/adapters/teacherrecords.h"
#include "core/adapters/teachertimetableadapter.h"
#include "core/adapters/timetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace quorvale;

namespace {

const QString kMonday = QStringLiteral("2025-03-03");
const QString kCourses = QStringLiteral("tables:list/0/classCourseTimeTable/");

Timetable studentTable(const QString &edits, const QDateTime &moment, std::optional<qint64> code,
                       qint64 section = 3)
{
    auto bodies = fixtures::studentBodies().apply(edits);
    return TimetableAdapter::normalize(fixtures::student(section), fixtures::task(), bodies.detailData(),
                                       bodies.masterData(), bodies.tablesData(), moment, code);
}

WeekDaySchedule studentDay(const QString &edits, int code, const QString &day = kMonday, qint64 section = 3)
{
    auto bodies = fixtures::studentBodies().apply(edits);
    return WeekScheduleBuilder::studentDay(fixtures::student(section), fixtures::task(), bodies.detailData(),
                                           bodies.masterData(), bodies.tablesData(), fixtures::at(day),
                                           fixtures::weekCode(code));
}

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

TeacherSchedule teacherSchedule(const QString &edits, const QString &classes, const QString &day, int code)
{
    auto bodies = fixtures::teacherBodies().apply(edits);
    return TeacherTimetableAdapter::normalize(fixtures::teacher(), fixtures::task(), bodies.detailData(),
                                              bodies.masterData(), bodies.tablesData(), fixtures::at(day),
                                              sections(classes), fixtures::weekCode(code));
}

// "token period start-end subject class" of each event, the token without the day key.
QStringList describe(const WeekDaySchedule &day)
{
    QStringList lines;
    for (const WeekEvent &event : day.events) {
        lines.append(event.id.section(u'|', 2) + u' ' + event.period + u' ' +
                     (event.start ? QString::number(*event.start) + u'-' + QString::number(*event.end)
                                  : QStringLiteral("untimed")) +
                     u' ' + event.subject + u' ' + event.className.value_or(QStringLiteral("-")));
    }
    return lines;
}

QString describe(const TeacherEntry &entry)
{
    const auto number = [](std::optional<qint64> value) { return value ? QString::number(*value) : "?"; };
    return QStringList{entry.period, number(entry.start) + u'-' + number(entry.end), entry.subject,
                       entry.className.value_or("-"), entry.section.value_or("-")}
        .join(u' ');
}

WeekEvent lessonOn(const QString &id, const QDate &date)
{
    return {id, date, "B1", "数学", std::nullopt, std::nullopt, 510, 550};
}

// Every member and element of a body as an edit path, each removed or replaced by a value of another
// type or an extreme number; of the master's 70 cells only the first dozen, which share their shape.
QStringList mutations(const fixtures::Bodies &bodies)
{
    QStringList paths;
    const std::function<void(const QJsonValue &, const QString &)> collect = [&](const QJsonValue &node,
                                                                                 const QString &path) {
        paths.append(path);
        if (node.isObject()) {
            const QJsonObject object = node.toObject();
            for (auto it = object.begin(); it != object.end(); ++it)
                collect(it.value(), path + u'/' + it.key());
        } else if (node.isArray()) {
            const QJsonArray array = node.toArray();
            const qsizetype limit = path.endsWith(QLatin1String("master:/list")) ? 12 : array.size();
            for (qsizetype i = 0; i < limit; ++i)
                collect(array.at(i), path + u'/' + QString::number(i));
        }
    };
    collect(bodies.detail, QStringLiteral("detail:"));
    collect(bodies.master, QStringLiteral("master:"));
    collect(bodies.tables, QStringLiteral("tables:"));
    static const QStringList values = {
        "null", "\"7\"", "1.5", "1e300", "-9223372036854775808", "9223372036854775808", "0",
        "true", "[]",    "{}",  "[{}]"};
    QStringList edits;
    for (const QString &path : paths) {
        edits.append(u'!' + path);
        for (const QString &value : values)
            edits.append(path + u'=' + value);
    }
    return edits;
}

QByteArray nestedPackages(int depth)
{
    QByteArray course = R"({"name": "最内层"})";
    for (int level = 0; level < depth; ++level)
        course = R"({"objectType": 2, "courses": [)" + course + "]}";
    course.insert(1, R"("coordId": 101, )");
    return R"({"totalCount": 1, "list": [{"objectId": 1001, "classCourseTimeTable": [)" + course + "]}]}";
}

} // namespace

class AdapterTests : public QObject
{
    Q_OBJECT

private slots:
    void buildsOneValidatedDayOfTheQueriedWeek()
    {
        const Timetable sunday = studentTable("", fixtures::at("2025-03-09", "23:30"), std::nullopt);
        QCOMPARE(sunday.validFrom, QStringLiteral("2025-03-09"));
        QCOMPARE(sunday.validThrough, QStringLiteral("2025-03-09"));
        QCOMPARE(sunday.weekOneMonday, kMonday);
        QCOMPARE(sunday.completeStudentIds, QList<qint64>{fixtures::kStudentId});
        QVERIFY(sunday.lessons.isEmpty());
        QCOMPARE(sunday.unknownOutsideCoreHours, std::optional(false));
        QCOMPARE(sunday.warnings, std::optional(QStringList()));

        const Timetable monday = studentTable("", fixtures::at(kMonday), 2);
        QCOMPARE(monday.lessons.first(),
                 (Lesson{fixtures::kStudentId, 1, "B1", "数学", "A101", std::nullopt}));
        QCOMPARE(monday.unknownOutsideCoreHours, std::optional(true));
        QCOMPARE(monday.warnings,
                 std::optional(QStringList{"ASA 未配置经确认的活动作息；当前仅判断 B1–B7",
                                           "晚自习 未配置经确认的活动作息；当前仅判断 B1–B7"}));
    }

    void translatesMondayOrRefusesAtTheFirstFailingCheck_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<qint64>("section");
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &edits, const QString &expected, int code = 2,
                            const QString &day = kMonday, qint64 section = 3) {
            QTest::newRow(name) << edits << section << day << code << expected;
        };
        const QString all = QStringLiteral("B1 数学@A101; B3 物理@Lab 1; B3 Chemistry; B5 英语@Room 5");
        const QString dropped = QStringLiteral("B1 数学@A101; B5 英语@Room 5");
        const QString course = QStringLiteral("tables:list/0/classCourseTimeTable/");
        const QString broken = QStringLiteral("!detail:workRestTableType;master:list=5");

        row("week code 2", "", all);
        row("week code 1 leaves out the code-2 entry", "", "B1 数学@A101; B3 物理@Lab 1; B5 英语@Room 5", 1,
            kMonday, 2);
        row("entries of a package of the other week",
            course + "1/singleDoubleSet=1;" + course + "1/courses/1/singleDoubleSet=null", dropped);
        row("a dropped package is not examined", course + "1/singleDoubleSet=1;" + course + "1/courses=[]",
            dropped);
        row("missing id and unlisted members ignored",
            "!detail:id;detail:isTakeEffect=\"x\";" + course + "0/className=4", all);

        // Every refusal; where several checks fail, the earlier one speaks.
        row("section", broken, "只支持初中 G6–G8 和高中 G9–G12", 2, kMonday, 0);
        row("outside the task", broken, "查询日期不在该排课任务的有效期内", 2, "2025-07-07");
        const QString structure = QStringLiteral("澜序课表结构与已确认的坐标/课程结构不符，无法安全判断课程");
        row("detail without day plan", "!detail:workRestTableType", structure);
        row("master without dayOrders", "!master:dayOrders", structure);
        row("numeric room", course + "0/playgroundName=5", structure);
        row("fractional id", "detail:id=7.5", structure);
        row("other task", "detail:id=8;detail:workRestTableType=2", "排课任务详情与所选任务不一致");
        row("cycle days", "detail:workRestTableType=2;master:dayOrders=[]",
            "该任务采用循环日课表，尚不能确定日期与第几天的对应关系");
        const QString incomplete = QStringLiteral("课表坐标不完整，或星期编号不在周一至周日范围内");
        row("no day orders", "master:dayOrders=[];master:list/1/id=101", incomplete);
        row("day order 8", "master:dayOrders/6=8", incomplete);
        row("cell on an unlisted day", "master:dayOrders=[1,2,3,4,5]", incomplete);
        row("repeated cell id", "master:list/1/id=101;tables:totalCount=5",
            "课表坐标 ID 重复，无法可靠关联课程");
        row("missing page", "tables:totalCount=3;tables:list/0/objectId=9", "学生课表分页尚未完整获取");
        row("negative total", "tables:totalCount=-1;tables:list=[]", "学生课表分页尚未完整获取");
        const QString notOwn = QStringLiteral("未取得该学生唯一对应的个人课表，不能使用其他学生或班级的课表");
        row("two own tables", "tables:list/1/objectId=1001", notOwn, 3);
        row("no own table", "tables:list/0/objectId=9", notOwn);
        row("week code 3", "", "服务端返回的单双周类型无效", 3, "2025-03-05");
        row("week code 0", "", "服务端返回的单双周类型无效", 0);
        const QString unplaced = QStringLiteral("个人课程未匹配到有效坐标，节次待确认");
        row("unplaced Tuesday course", course + "5/coordId=9999", unplaced);
        row("earlier course decides", course + "5/coordId=9999;" + course + "0/objectType=9",
            "课程对象类型未知，无法确定学生实际选课");
        row("other day's faults unexamined", course + "6/objectType=9;" + course + "6/singleDoubleSet=7",
            all);
        row("course without cell", "!" + course + "6/coordId", unplaced);
        row("two templates for a slot",
            "master:template/10={\"sectionOrder\":1,\"timeType\":1,\"name\":\"B1\"}",
            "课程坐标未匹配到唯一节次模板");
        row("public slot holding B1",
            "master:list/0/timeType=2;master:template/10={\"sectionOrder\":1,\"timeType\":2,\"name\":\"B1\"}",
            "公共时段关联了个人课程，需要确认其明确节次后再判断");
        row("course week code 3", course + "0/singleDoubleSet=3", "课程的单双周类型未知，需确认后才能判断");
        const QString parity = QStringLiteral("该学生课程存在单双周安排，需要先确认查询日期的单双周");
        row("inherited code needs the date's code",
            course + "1/singleDoubleSet=2;" + course + "1/courses/1/singleDoubleSet=null", parity, -1);
        row("Tuesday code-1 lesson without the date's code", "", parity, -1, "2025-03-04");
        row("object type 3", course + "0/objectType=3", "课程对象类型未知，无法确定学生实际选课");
        row("blank names", course + "0/name=\" \\n\";" + course + "0/eName=\"\"", "个人课表中的课程名称缺失");
        row("empty package", course + "1/courses=[]", "课程包缺少具体选课内容");
        row("package without courses", "!" + course + "1/courses", "课程包缺少具体选课内容");
    }

    void translatesMondayOrRefusesAtTheFirstFailingCheck()
    {
        QFETCH(QString, edits);
        QFETCH(qint64, section);
        QFETCH(QString, day);
        QFETCH(int, code);
        QFETCH(QString, expected);
        // The day's lessons as "period subject@room" joined by "; ", or the refusal text.
        QCOMPARE(fixtures::outcomeOf([&] {
                     QStringList lessons;
                     for (const Lesson &lesson :
                          studentTable(edits, fixtures::at(day), fixtures::weekCode(code), section).lessons)
                         lessons.append(lesson.period + u' ' + lesson.subject +
                                        (lesson.room ? u'@' + *lesson.room : QString()));
                     return lessons.join(QStringLiteral("; "));
                 }),
                 expected);
    }

    void readsSlotLabelsStrictly_data()
    {
        // The labels of slot row 3, where Monday's package sits.
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("expected");
        const QString unclear = QStringLiteral("个人课程节次名称不明确，不能按澜序钟点推测 B1–B7");
        const QString activity = QStringLiteral(" 未配置经确认的活动作息；当前仅判断 B1–B7");
        const auto row = [](const char *name, const QString &labels, const QString &expected) {
            QTest::newRow(name) << labels << expected;
        };
        row("blanks around a lower-case label", "\" b3 \",null", "B3");
        row("English label only", "null,\"B3\"", "B3");
        row("English label that is no period", "\"B2\",\"Period two\"", "B2");
        row("leading zero", "\"B03\",null", unclear);
        row("plus sign", "\"B+3\",null", unclear);
        row("blank inside", "\"B 3\",null", unclear);
        row("overflowing number", "\"B99999999999999999999\",null", unclear);
        row("zero", "\"B0\",null", unclear);
        row("letter after number", "\"B3A\",null", unclear);
        row("evening class without number", "\"晚课\",null", unclear);
        row("evening class 0", "\"晚课0\",null", unclear);
        row("conflicting labels", "\"B2\",\"B3\"", "节次中英文名称互相冲突");
        row("beyond B7", "\"B8\",null", "B8" + activity);
        row("lower-case activity", "\"asa\",null", "asa" + activity);
        row("numbered evening class", "\"晚课02\",null", "晚课02" + activity);
        row("activity named in English", "\"社团\",\"SFL\"", "社团" + activity);
    }

    void readsSlotLabelsStrictly()
    {
        QFETCH(QString, labels);
        QFETCH(QString, expected);
        const QStringList pair = labels.split(u',');
        const QString edits = "master:template/2/name=" + pair[0] + ";master:template/2/eName=" + pair[1];
        const QString seen = fixtures::outcomeOf([&] {
            const Timetable table = studentTable(edits, fixtures::at(kMonday), 2);
            if (table.warnings->size() <= 2)
                return table.lessons.at(1).period;
            return table.lessons.size() == 2 ? table.warnings->first() : QStringLiteral("lessons kept");
        });
        QCOMPARE(seen, expected);
    }

    void weekRunsMondayToSundayInShanghai_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("Sunday 23:30") << fixtures::at("2025-03-09", "23:30");
        QTest::newRow("Monday 00:00") << fixtures::at(kMonday, "00:00");
        QTest::newRow("Monday 00:30, still Sunday in UTC")
            << QDateTime(QDate(2025, 3, 2), QTime(16, 30), Qt::UTC);
    }

    void weekRunsMondayToSundayInShanghai()
    {
        QFETCH(QDateTime, moment);
        const QList<QDate> week = WeekScheduleBuilder::dates(moment);
        QCOMPARE(week.size(), 7);
        QCOMPARE(week.first(), QDate(2025, 3, 3));
        QCOMPARE(week.last(), QDate(2025, 3, 9));
    }

    void assemblyNotesMissingDoubledAndStrayDays()
    {
        const QDateTime moment = fixtures::at("2025-03-05", "09:00");
        const WeeklySchedule empty = WeekScheduleBuilder::assemble(moment, {});
        QCOMPARE(empty.weekStart, QDate(2025, 3, 3));
        QCOMPARE(empty.days.size(), 7);
        for (const WeekDaySchedule &day : empty.days)
            QCOMPARE(day.note, std::optional<QString>("尚未读取该日课表"));

        const QDate tuesday(2025, 3, 4), wednesday(2025, 3, 5), thursday(2025, 3, 6);
        const WeeklySchedule week = WeekScheduleBuilder::assemble(
            moment, {{tuesday, {lessonOn("a", tuesday), lessonOn("b", thursday)}, "该日课表待确认"},
                     {wednesday, {lessonOn("c", wednesday)}, std::nullopt},
                     {wednesday, {}, std::nullopt},
                     {thursday, {lessonOn("d", thursday)}, std::nullopt},
                     {QDate(2025, 3, 12), {lessonOn("e", QDate(2025, 3, 12))}, std::nullopt}});
        QCOMPARE(week.days[1].date, tuesday);
        QCOMPARE(week.days[1].events.size(), 1);
        QCOMPARE(week.days[1].note,
                 std::optional<QString>("该日课表待确认\n部分课程日期与该列不一致，已保留为待核对"));
        QCOMPARE(week.days[2], (WeekDaySchedule{wednesday, {}, "该日期收到多份课表，请重新读取"}));
        QCOMPARE(week.days[3], (WeekDaySchedule{thursday, {lessonOn("d", thursday)}, std::nullopt}));
        QCOMPARE(week.days[6].note, std::optional<QString>("尚未读取该日课表"));
    }

    void studentDayPairsLessonsWithBellsThenActivities()
    {
        const WeekDaySchedule day = studentDay("", 2);
        QVERIFY(day.events.first().id.startsWith("1740931200.0|student|101|0"));
        QCOMPARE(describe(day),
                 (QStringList{"101|0 B1 510-550 数学 -", "103|1.0 B3 635-675 物理 物理A",
                              "103|1.1 B3 635-675 Chemistry -", "105|2 B5 785-825 英语 -",
                              "108|3 ASA 960-1050 篮球社 社团", "109|4 晚自习 untimed 晚自习 -"}));
        QCOMPARE(day.events[1].room, std::optional<QString>("Lab 1"));

        // A package's class is handed to entries without their own; middle-school B2 rings at 09:40.
        const QString edits = kCourses + "5/objectType=2;" + kCourses + "5/className=\"G7\";" + kCourses +
                              "5/courses=[{\"name\":\"语文\"}]";
        QCOMPARE(describe(studentDay(edits, 1, "2025-03-04", 2)),
                 (QStringList{"202|5.0 B2 580-620 语文 G7", "204|6 B4 690-730 历史 -"}));
    }

    void studentDayTimesOnlyAsaActivitiesOrRefuses_data()
    {
        // Edits, the date's week code, and the club's events as "period start", or the refusal.
        QTest::addColumn<QString>("edits");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &edits, const QString &expected, int code = 2) {
            QTest::newRow(name) << edits << code << expected;
        };
        const QString club = kCourses + "3/", slot = QStringLiteral("master:template/7/");
        const QString second = kCourses + "7={\"coordId\":108,\"name\":\"篮球社\",\"className\":\"社团\"";
        row("lower-case asa is timed", slot + "name=\"asa\"", "asa 960");
        row("English ASA only: untimed under its Chinese label",
            slot + "name=\"社团\";" + slot + "eName=\"ASA\"", "社团 untimed");
        row("equal clubs shown once", second + ",\"playgroundName\":\"Gym\"}", "ASA 960");
        row("clubs in other rooms both shown", second + ",\"playgroundName\":\"Hall\"}", "ASA 960, ASA 960");
        row("slot past B7", slot + "name=\"B8\";" + slot + "eName=null", "B8 untimed");
        row("club moved to the B8 row", club + "coordId=110", "B8 untimed");
        row("club package of another week",
            club + "objectType=2;" + club + "courses=[];" + club + "singleDoubleSet=1", "");
        row("class name of another type", club + "className=5", "周课表的课程或坐标结构不完整");
        row("club package without courses", club + "objectType=2;" + club + "courses=[]",
            "周课表课程包缺少具体选课");
        row("club week code 5", club + "singleDoubleSet=5", "课程单双周类型未知");
        row("club needs the week type",
            club + "singleDoubleSet=1;" + kCourses + "1/courses/1/singleDoubleSet=0",
            "该日有单双周课程，需先确认服务器周型", -1);
        row("club of unknown kind", club + "objectType=4", "周课表的课程类型未知");
        row("club without name", club + "name=\"\"", "周课表课程名称缺失");
        // Faults both translations notice speak with the one-day normaliser's words.
        row("repeated cell id", "master:list/1/id=101", "课表坐标 ID 重复，无法可靠关联课程");
        row("conflicting labels", "master:template/0/eName=\"B4\"", "节次中英文名称互相冲突");
        row("lesson week code 3", kCourses + "0/singleDoubleSet=3", "课程的单双周类型未知，需确认后才能判断");
        row("unknown slot", slot + "name=\"Club\";" + slot + "eName=null",
            "个人课程节次名称不明确，不能按澜序钟点推测 B1–B7");
    }

    void studentDayTimesOnlyAsaActivitiesOrRefuses()
    {
        QFETCH(QString, edits);
        QFETCH(int, code);
        QFETCH(QString, expected);
        QCOMPARE(fixtures::outcomeOf([&] {
                     QStringList clubs;
                     for (const WeekEvent &event : studentDay(edits, code).events) {
                         if (event.subject == QStringLiteral("篮球社"))
                             clubs.append(event.period + u' ' +
                                          (event.start ? QString::number(*event.start) : "untimed"));
                     }
                     return clubs.join(QStringLiteral(", "));
                 }),
                 expected);
    }

    void requiresParityLooksAtOwnTableOnly_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &edits, const QString &expected,
                            const QString &day = kMonday) {
            QTest::newRow(name) << edits << day << expected;
        };
        const QString wed = QStringLiteral("2025-03-05");
        const QString shape = QStringLiteral("周课表的坐标、星期或分页不完整");
        const QString structure = QStringLiteral("周课表的课程或坐标结构不完整");
        row("inner course of code 2", "", "true");
        row("Tuesday code-1 lesson", "", "true", "2025-03-04");
        row("another student's code-1 course and cell-less course", "", "false", wed);
        row("package code handed down",
            kCourses + "1/courses/1/singleDoubleSet=null;" + kCourses + "1/singleDoubleSet=2", "true");
        row("codes 0 or none", kCourses + "1/courses/1/singleDoubleSet=0", "false");
        row("code 3 on the day", kCourses + "0/singleDoubleSet=3", "课程单双周类型未知");
        row("code 3 deep after a true answer", kCourses + "1/courses/1/courses=[{\"singleDoubleSet\":3}]",
            "课程单双周类型未知");
        row("code 3 on another day", kCourses + "5/singleDoubleSet=3", "false", wed);
        row("own course without cell", "!" + kCourses + "6/coordId", "周课表课程缺少可确认的星期坐标", wed);
        row("cell-less course after a true answer", "!" + kCourses + "6/coordId", "true");
        row("no tables", "tables:list=[];tables:totalCount=0", "false");
        row("no tables, repeated cell id", "tables:list=[];tables:totalCount=0;master:list/1/id=101", shape);
        row("day order 0", "master:list/69/dayOrder=0", shape);
        row("missing page", "tables:totalCount=3", shape);
        row("no template member", "!master:template", structure);
        row("cell id as text", kCourses + "0/coordId=\"101\"", structure);
        row("master without dayOrders", "!master:dayOrders", "true");
    }

    void requiresParityLooksAtOwnTableOnly()
    {
        QFETCH(QString, edits);
        QFETCH(QString, day);
        QFETCH(QString, expected);
        auto bodies = fixtures::studentBodies().apply(edits);
        QCOMPARE(fixtures::outcomeOf([&] {
                     return QVariant(
                                WeekScheduleBuilder::requiresParity(bodies.masterData(), bodies.tablesData(),
                                                                    fixtures::at(day), fixtures::kStudentId))
                         .toString();
                 }),
                 expected);
    }

    void teacherDayKeepsEntryOrder()
    {
        TeacherSchedule schedule{fixtures::teacher(), fixtures::task(), QDate(2025, 3, 3), {}, {},
                                 std::nullopt};
        schedule.entries = {{"x", "晚自习", "晚自习", std::nullopt, "7A", std::nullopt, std::nullopt, "初中"},
                            {"x", "B1", "数学", "A101", std::nullopt, 510, 550, "高中"}};
        const WeekDaySchedule day = WeekScheduleBuilder::teacherDay(schedule);
        QCOMPARE(day.date, QDate(2025, 3, 3));
        QCOMPARE(day.events.size(), 2);
        QCOMPARE(day.events[0], (WeekEvent{"1740931200.0|teacher|x", QDate(2025, 3, 3), "晚自习", "晚自习",
                                           std::nullopt, "7A", std::nullopt, std::nullopt}));
        QCOMPARE(day.events[1].start, std::optional<qint64>(510));
    }

    void timesTeacherLessonsBySection()
    {
        const TeacherSchedule day = teacherSchedule("", "11:2;12:2,3;13:3", kMonday, -1);
        QStringList entries;
        for (const TeacherEntry &entry : day.entries)
            entries.append(describe(entry));
        QCOMPARE(entries, (QStringList{"B1 510-550 数学 7A 初中", "B3 635-675 数学 8B 跨初高中",
                                       "B4 730-770 物理 9C 高中", "ASA 960-1050 篮球社 - 学部待确认",
                                       "B2 ?-? 数学 8B 跨初高中", "晚自习 ?-? 晚自习 - 学部待确认"}));
        QCOMPARE(day.warnings, (QStringList{"B2 课程的班级学部尚未唯一确认，上下课时间待确认",
                                            "晚自习 尚无经确认的活动作息，不采用澜序钟点推测"}));
        QCOMPARE(day.entries[0].id, QStringLiteral("WyJCMSIsIuaVsOWtpiIsIkExMDEiLCI1MTAiLCI1NTAiXQ=="));

        // Several untimed B2 lessons still give one warning.
        const TeacherSchedule twice = teacherSchedule(
            kCourses + "7={\"coordId\":102,\"name\":\"语文\",\"classId\":12}", "12:2,3", kMonday, -1);
        QCOMPARE(twice.warnings.count("B2 课程的班级学部尚未唯一确认，上下课时间待确认"), 1);
    }

    void translatesTeacherDayOrRefusesAtTheFirstFailingCheck_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("classes");
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected"); // the first entry, or the refusal
        const auto row = [](const char *name, const QString &edits, const QString &expected, int code = -1,
                            const QString &day = kMonday, const QString &classes = "11:2;12:2,3;13:3") {
            QTest::newRow(name) << edits << classes << day << code << expected;
        };
        const QString tue = QStringLiteral("2025-03-04");
        // Leaves the package first, or the club and the Tuesday lesson only.
        const QString drop123 = "!" + kCourses + "0;!" + kCourses + "0;!" + kCourses + "0;";
        const QString onlyClub = drop123 + "!" + kCourses + "0;!" + kCourses + "1;";
        const QString pkg = kCourses + "0/";

        row("no section map: shared B1 at high times", "", "B1 510-550 数学 7A 学部待确认", -1, kMonday, "");
        row("class missing from the map", "", "B1 510-550 数学 7A 学部待确认", -1, kMonday, "12:2");
        row("middle B4", drop123, "B4 690-730 物理 9C 初中", -1, kMonday, "13:2");
        row("child keeps its own class", drop123 + pkg + "courses/0/className=\"10A\"",
            "B4 730-770 物理 10A 高中");
        row("child's own class id", drop123 + pkg + "courses/0/classId=11", "B4 690-730 物理 9C 初中");
        row("week code 2 leaves out the code-1 lesson", "", "", 2, tue);
        row("week code 1", "", "B2 580-620 数学 - 初中", 1, tue);
        row("package of the other week", drop123 + pkg + "singleDoubleSet=2",
            "ASA 960-1050 篮球社 - 学部待确认", 1);
        const QString merged =
            R"(={"coordId":101,"name":"数学","classId":12,"className":"7A / 8B","playgroundName":"A101"})";
        row("merged classes", kCourses + "0/className=\"8B\";" + kCourses + "7" + merged,
            "B1 510-550 数学 7A / 8B 跨学部", -1, kMonday, "11:2;12:3");
        row("lower-case asa is timed", onlyClub + "master:template/7/name=\"asa\"",
            "asa 960-1050 篮球社 - 学部待确认");
        row("English ASA: untimed under its Chinese label",
            onlyClub + "master:template/7/name=\"社团\";master:template/7/eName=\"ASA\"",
            "社团 ?-? 篮球社 - 学部待确认");
        row("B8 is an untimed activity", onlyClub + kCourses + "0/coordId=110", "B8 ?-? 篮球社 - 学部待确认");
        row("numbered evening class", onlyClub + "master:template/7/name=\"晚课2\"",
            "晚课2 ?-? 篮球社 - 学部待确认");

        const QString broken = QStringLiteral("!detail:workRestTableType;master:list=5");
        const QString format = QStringLiteral("老师课表结构与已确认格式不符，无法可靠解析");
        const QString cells = QStringLiteral("老师课表星期或课程坐标不完整");
        row("outside the task", broken, "查询日期不在该排课任务有效期内", -1, "2025-07-07");
        row("class id as text", kCourses + "0/classId=\"11\"", format);
        row("not a JSON object", "detail:=[1]", format);
        row("other task", "detail:id=8;detail:workRestTableType=2", "老师课表任务与所选任务不一致");
        row("cycle days", "detail:workRestTableType=2;master:dayOrders=[]",
            "循环日老师课表尚缺日期锚点，暂不能判断当前课程");
        row("cell on an unlisted day", "master:dayOrders=[1,2,3,4,5];tables:totalCount=4", cells);
        row("repeated cell id", "master:list/1/id=101", cells);
        row("missing page", "tables:totalCount=3", "老师课表分页尚未完整获取", 7);
        row("two tables of the teacher",
            "tables:list/1={\"objectId\":501,\"classCourseTimeTable\":[]};tables:totalCount=2",
            "未取得该老师唯一对应的独立课表", 7);
        row("week code 0", "", "查询日期的单双周类型无效", 0);
        row("Tuesday course without cell", "!" + kCourses + "6/coordId", "老师课程的节次坐标缺失", 1);
        row("two templates", "master:template/10={\"sectionOrder\":1,\"timeType\":1,\"name\":\"B2\"}",
            "老师课程未匹配唯一节次模板");
        row("conflicting labels", "master:template/0/eName=\"B4\"", "老师课程的节次中英文名称冲突");
        row("public slot holding B1",
            "master:list/0/timeType=2;master:template/10={\"sectionOrder\":1,\"timeType\":2,\"name\":\"B1\"}",
            "老师公共时段关联真实课程，需先确认明确节次");
        row("leading zero", "master:template/0/name=\"B03\";master:template/0/eName=null",
            "老师课程节次不明确，不能按澜序钟点推测");
        row("course week code 3", kCourses + "0/singleDoubleSet=3", "老师课程的单双周类型未知");
        row("Tuesday without the date's code", "", "老师存在单双周课程，请先确认目标日期的周型", -1, tue);
        row("object type 5", kCourses + "0/objectType=5", "老师课表课程对象类型未知");
        row("empty package", kCourses + "3/courses=[]", "老师课程包缺少具体课程");
        row("no subject", kCourses + "0/name=null", "老师课表课程名称缺失");
    }

    void translatesTeacherDayOrRefusesAtTheFirstFailingCheck()
    {
        QFETCH(QString, edits);
        QFETCH(QString, classes);
        QFETCH(QString, day);
        QFETCH(int, code);
        QFETCH(QString, expected);
        QCOMPARE(fixtures::outcomeOf([&] {
                     const TeacherSchedule schedule = teacherSchedule(edits, classes, day, code);
                     return schedule.entries.isEmpty() ? QString() : describe(schedule.entries.first());
                 }),
                 expected);
    }

    void decodesTeacherTaskDetailStrictly_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("decodes");
        const QString rest = QStringLiteral(R"("workRestTableType": 1, "courseTaskType": 1})");
        QTest::newRow("optional members absent") << R"({"isTakeEffect": false, )" + rest << true;
        QTest::newRow("optional members null")
            << R"({"id": null, "schoolId": null, "schoolSemesterId": null, "isTakeEffect": true, )" + rest
            << true;
        QTest::newRow("Boolean as 1") << R"({"isTakeEffect": 1, )" + rest << false;
        QTest::newRow("Boolean as text") << R"({"isTakeEffect": "true", )" + rest << false;
        QTest::newRow("Boolean null") << R"({"isTakeEffect": null, )" + rest << false;
        QTest::newRow("no task type") << R"({"isTakeEffect": true, "workRestTableType": 1})" << false;
        QTest::newRow("term as text")
            << R"({"isTakeEffect": true, "schoolSemesterId": "3", )" + rest << false;
    }

    void decodesTeacherTaskDetailStrictly()
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

    void decodesRosterStudentsAndSectionsOfGrades()
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
        QCOMPARE((QList<qint64>{sectionOfGrade(std::nullopt), sectionOfGrade(0), sectionOfGrade(5),
                                sectionOfGrade(6), sectionOfGrade(8), sectionOfGrade(9), sectionOfGrade(12),
                                sectionOfGrade(13)}),
                 (QList<qint64>{-1, -1, 0, 2, 2, 3, 3, 0}));
    }

    void turnsSearchRowsIntoStudents_data()
    {
        // The row as "id|name|englishName|classId|className|section", "dropped", or the failure.
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("expected");
        const auto add = [](const char *name, const QString &row, const QString &expected) {
            QTest::newRow(name) << row << expected;
        };
        const auto row = [](const QString &classes) {
            return R"({"studentId": 5, "studentName": " 李雷\n", "studentEName": "Lei", "classInfos": [)" +
                   classes + "]}";
        };
        const auto cls = [](int id, const QString &name, const QString &grade, int type = 1) {
            return QStringLiteral(R"({"id": %1, "name": %2, "eName": "E%1", "grade": %3, "classType": %4})")
                .arg(id)
                .arg(name, grade)
                .arg(type);
        };
        const QString missing = QStringLiteral("课表名单存在缺失姓名或身份的记录，请重新查询");
        add("id 0", R"({"studentId": 0, "studentName": "李雷"})", missing);
        add("negative id", R"({"studentId": -3, "studentName": "李雷"})", missing);
        add("blank name only", R"({"studentId": 5, "studentName": "  "})", missing);
        add("English name only", R"({"studentId": 5, "studentEName": " Amy "})", "5|Amy|Amy|0|班级待确认|0");
        add("only classes of other types", row(cls(31, "\"7A\"", "7", 2)), "5|李雷|Lei|0|班级待确认|0");
        add("grade 7", row(cls(31, "\" 7A \"", "7")), "5|李雷|Lei|31|7A|2");
        add("grade 10 beside a grade-7 class of another type",
            row(cls(31, "\"10A\"", "10") + "," + cls(32, "\"7A\"", "7", 3)), "5|李雷|Lei|31|10A|3");
        add("grades 8 and 9", row(cls(31, "\"G9A\"", "9") + "," + cls(32, "\"G8B\"", "8")),
            "5|李雷|Lei|0|G8B / G9A|0");
        add("grades 3 and 5", row(cls(31, "\"3A\"", "3") + "," + cls(32, "\"5A\"", "5")), "dropped");
        add("grade 5 and no grade", row(cls(31, "\"5A\"", "5") + "," + cls(32, "\"X\"", "null")),
            "5|李雷|Lei|0|5A / X|0");
        add("same name twice", row(cls(31, "\"7A\"", "7") + "," + cls(32, "\"7A\"", "7")),
            "5|李雷|Lei|0|7A|2");
        add("empty name takes English", row(cls(31, "\"\"", "7")), "5|李雷|Lei|31|E31|2");
        add("blank name gives no label", row(cls(31, "\"  \"", "7")), "5|李雷|Lei|31|班级待确认|2");
        add("grade as text", row(cls(31, "\"7A\"", "\"7\"")), "decoding error");
        add("name as number", R"({"studentId": 5, "studentName": 5})", "decoding error");
    }

    void turnsSearchRowsIntoStudents()
    {
        QFETCH(QString, row);
        QFETCH(QString, expected);
        QCOMPARE(fixtures::outcomeOf([&] {
                     const auto s = ScheduleStudentRow::fromJson(json::parseObject(row.toUtf8())).student(9);
                     if (!s || s->schoolId != 9)
                         return s ? QStringLiteral("school id lost") : QStringLiteral("dropped");
                     return QStringList{QString::number(s->id), s->name,
                                        s->englishName,         QString::number(s->classId),
                                        s->className,           QString::number(s->studySection)}
                         .join(u'|');
                 }),
                 expected);
    }

    // Anything but an answer, a refusal or a decoding error (or a crash) fails these.
    void adaptersSurviveMutatedBodies()
    {
        const QDateTime monday = fixtures::at(kMonday);
        for (const QString &edit : mutations(fixtures::studentBodies())) {
            auto bodies = fixtures::studentBodies().apply(edit);
            const QByteArray detail = bodies.detailData(), master = bodies.masterData(),
                             tables = bodies.tablesData();
            fixtures::outcomeOf([&] { studentTable(edit, monday, 2); });
            fixtures::outcomeOf([&] {
                WeekScheduleBuilder::studentDay(fixtures::student(), fixtures::task(), detail, master, tables,
                                                monday, 2);
            });
            fixtures::outcomeOf(
                [&] { WeekScheduleBuilder::requiresParity(master, tables, monday, fixtures::kStudentId); });
        }
        for (const QString &edit : mutations(fixtures::teacherBodies()))
            fixtures::outcomeOf(
                [&] { WeekScheduleBuilder::teacherDay(teacherSchedule(edit, "11:2;12:2,3", kMonday, -1)); });
    }

    void recordsSurviveMutatedRows()
    {
        const QJsonObject row =
            json::parseObject(R"({"studentId": 5, "studentName": "李雷", "studentEName": "Lei",
            "classInfos": [{"id": 31, "name": "7A", "eName": "G7A", "grade": 7, "classType": 1}]})");
        const QJsonObject detail = json::parseObject(
            R"({"id": 7, "schoolId": 9, "isTakeEffect": true, "workRestTableType": 1, "courseTaskType": 1})");
        const fixtures::Bodies bodies{detail, row, QJsonObject()};
        for (const QString &edit : mutations(bodies)) {
            const auto mutated = fixtures::Bodies(bodies).apply(edit);
            fixtures::outcomeOf(
                [&] { ScheduleStudentRow::fromJson(json::toObject(mutated.master)).student(9); });
            fixtures::outcomeOf([&] { TeacherRosterStudent::fromJson(json::toObject(mutated.master)); });
            fixtures::outcomeOf([&] { TeacherTaskDetail::fromJson(json::toObject(mutated.detail)); });
        }
    }

    void deepPackagesAndBrokenBytesAreRefused()
    {
        const auto bodies = fixtures::studentBodies();
        const QDateTime monday = fixtures::at(kMonday);
        const Timetable deep =
            TimetableAdapter::normalize(fixtures::student(), fixtures::task(), bodies.detailData(),
                                        bodies.masterData(), nestedPackages(300), monday, 2);
        QCOMPARE(deep.lessons.size(), 1);
        const QByteArray truncated = bodies.tablesData().chopped(9);
        for (const QByteArray &tables :
             {nestedPackages(20000), truncated, QByteArray(), QByteArray("null")}) {
            QVERIFY_THROWS_EXCEPTION(DemoError,
                                     TimetableAdapter::normalize(fixtures::student(), fixtures::task(),
                                                                 bodies.detailData(), bodies.masterData(),
                                                                 tables, monday, 2));
            QVERIFY_THROWS_EXCEPTION(DemoError,
                                     WeekScheduleBuilder::requiresParity(bodies.masterData(), tables, monday,
                                                                         fixtures::kStudentId));
        }
    }
};

QTEST_GUILESS_MAIN(AdapterTests)

#include "tst_adapters.moc"
