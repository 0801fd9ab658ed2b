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

// "11:2;12:2,3" as a class-section map.
ClassSections sections(const QString &text)
{
    ClassSections map;
    for (const QString &entry : text.split(u';', Qt::SkipEmptyParts))
        for (const QString &code : entry.section(u':', 1).split(u','))
            map[entry.section(u':', 0, 0).toLongLong()].insert(code.toLongLong());
    return map;
}

TeacherSchedule teacherSchedule(const QString &edits, const QString &classes, const QString &day, int code)
{
    auto bodies = fixtures::teacherBodies().apply(edits);
    return TeacherTimetableAdapter::normalize(fixtures::teacher(), fixtures::task(), bodies.detailData(),
                                              bodies.masterData(), bodies.tablesData(), fixtures::at(day),
                                              sections(classes), fixtures::weekCode(code));
}

QString number(std::optional<qint64> value)
{
    return value ? QString::number(*value) : QStringLiteral("?");
}

QString describe(const TeacherEntry &entry)
{
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

} // namespace

class AdapterTests : public QObject
{
    Q_OBJECT

private slots:
    void buildsOneValidatedDayOfTheQueriedWeek()
    {
        const Timetable monday = studentTable("", fixtures::at(kMonday), 2);
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

        // Every refusal; where several checks fail, the earlier one speaks.
        row("section", broken, "只支持初中 G6–G8 和高中 G9–G12", 2, kMonday, 0);
        row("outside the task", broken, "查询日期不在该排课任务的有效期内", 2, "2025-07-07");
        row("other task", "detail:id=8;detail:workRestTableType=2", "排课任务详情与所选任务不一致");
        row("missing page", "tables:totalCount=3;tables:list/0/objectId=9", "学生课表分页尚未完整获取");
        const QString notOwn = QStringLiteral("未取得该学生唯一对应的个人课表，不能使用其他学生或班级的课表");
        row("no own table", "tables:list/0/objectId=9", notOwn);
        row("week code 3", "", "服务端返回的单双周类型无效", 3, "2025-03-05");
        row("earlier course decides", course + "5/coordId=9999;" + course + "0/objectType=9",
            "课程对象类型未知，无法确定学生实际选课");
        row("course week code 3", course + "0/singleDoubleSet=3", "课程的单双周类型未知，需确认后才能判断");
        const QString parity = QStringLiteral("该学生课程存在单双周安排，需要先确认查询日期的单双周");
        row("inherited code needs the date's code",
            course + "1/singleDoubleSet=2;" + course + "1/courses/1/singleDoubleSet=null", parity, -1);
        // The labels of slot row 3, where Monday's package sits, are read strictly.
        const QString slot = QStringLiteral("master:template/2/eName=null;master:template/2/name=");
        const QString unclear = QStringLiteral("个人课程节次名称不明确，不能按澜序钟点推测 B1–B7");
        row("blanks around a lower-case label", slot + "\" b3 \"", all);
        row("label with leading zero", slot + "\"B03\"", unclear);
        row("label with plus sign", slot + "\"B+3\"", unclear);
        row("label with overflowing number", slot + "\"B99999999999999999999\"", unclear);
        row("conflicting labels", "master:template/2/name=\"B2\"", "节次中英文名称互相冲突");
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

    // The week column reads more of the tables than the one-day timetable: the courses of activity and
    // extra slots. What both read is refused with the one-day text, so that the two never disagree.
    void refusesStudentDayItCannotConfirm_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<qint64>("section");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &edits, const QString &expected, int code = 2,
                            qint64 section = 3) {
            QTest::newRow(name) << edits << section << code << expected;
        };
        const QString asa = kCourses + "3/";
        // Monday's package without its code-2 entry leaves the day needing no week code.
        const QString everyWeek = kCourses + "1/courses/1/singleDoubleSet=null;";

        row("intact", "", "B1 B3 B3 B5 ASA 晚自习");
        row("club of the other week", everyWeek + asa + "singleDoubleSet=1", "B1 B3 B3 B5 晚自习");
        row("club package of the other week", asa + "objectType=2;" + asa + "singleDoubleSet=1",
            "B1 B3 B3 B5 晚自习");
        row("club package of this week", asa + "objectType=2;" + asa + "singleDoubleSet=1",
            "周课表课程包缺少具体选课", 1);

        row("club week code 5", asa + "singleDoubleSet=5", "课程单双周类型未知");
        row("club of one week type, day without a code", everyWeek + asa + "singleDoubleSet=1",
            "该日有单双周课程，需先确认服务器周型", -1);
        row("club object type 5", asa + "objectType=5", "周课表的课程类型未知");
        row("club package without courses", asa + "objectType=2", "周课表课程包缺少具体选课");
        row("club package with no course", asa + "objectType=2;" + asa + "courses=[]",
            "周课表课程包缺少具体选课");
        row("nameless club", asa + "name=\" \"", "周课表课程名称缺失");
        row("nameless evening study", kCourses + "4/name=null", "周课表课程名称缺失");
        row("class name as a number", kCourses + "0/className=5", "周课表的课程或坐标结构不完整");

        // Faults the one-day timetable reads too end the day with its text.
        row("no own table", "tables:list/0/objectId=9",
            "未取得该学生唯一对应的个人课表，不能使用其他学生或班级的课表");
        row("two own tables", "tables:list/1/objectId=1001",
            "未取得该学生唯一对应的个人课表，不能使用其他学生或班级的课表");
        row("primary section", "", "只支持初中 G6–G8 和高中 G9–G12", 2, 1);
        row("day of code 3", everyWeek + asa + "singleDoubleSet=1", "服务端返回的单双周类型无效", 3);
        row("Tuesday course without a cell", "!" + kCourses + "5/coordId",
            "个人课程未匹配到有效坐标，节次待确认");
        row("two slots of one row", "master:template/10={\"sectionOrder\":3,\"timeType\":1,\"name\":\"B3\"}",
            "课程坐标未匹配到唯一节次模板");
        row("conflicting labels", "master:template/2/name=\"B2\"", "节次中英文名称互相冲突");
        row("lesson on a public slot", "master:list/2/timeType=2;master:template/2/timeType=2",
            "公共时段关联了个人课程，需要确认其明确节次后再判断");
        row("unknown activity", "master:template/7/name=\"社团\";master:template/7/eName=null",
            "个人课程节次名称不明确，不能按澜序钟点推测 B1–B7");
        row("lesson week code 5", kCourses + "0/singleDoubleSet=5", "课程的单双周类型未知，需确认后才能判断");
    }

    void refusesStudentDayItCannotConfirm()
    {
        QFETCH(QString, edits);
        QFETCH(qint64, section);
        QFETCH(int, code);
        QFETCH(QString, expected);
        auto bodies = fixtures::studentBodies().apply(edits);
        // The day's events as their periods in the column's order, or the refusal text.
        QCOMPARE(fixtures::outcomeOf([&] {
                     const WeekDaySchedule day = WeekScheduleBuilder::studentDay(
                         fixtures::student(section), fixtures::task(), bodies.detailData(),
                         bodies.masterData(), bodies.tablesData(), fixtures::at(kMonday),
                         fixtures::weekCode(code));
                     QStringList periods;
                     for (const WeekEvent &event : day.events)
                         periods.append(event.period);
                     return periods.join(u' ');
                 }),
                 expected);
    }

    void weekRunsMondayToSundayInShanghai()
    {
        for (const QDateTime &moment : {fixtures::at("2025-03-09", "23:30"), fixtures::at(kMonday, "00:00"),
                                        QDateTime(QDate(2025, 3, 2), QTime(16, 30), Qt::UTC)}) {
            const QList<QDate> week = WeekScheduleBuilder::dates(moment);
            QCOMPARE(week.size(), 7);
            QCOMPARE(week.first(), QDate(2025, 3, 3));
            QCOMPARE(week.last(), QDate(2025, 3, 9));
        }
    }

    void assemblyNotesMissingDoubledAndStrayDays()
    {
        const QDate tuesday(2025, 3, 4), wednesday(2025, 3, 5), thursday(2025, 3, 6);
        const WeeklySchedule week = WeekScheduleBuilder::assemble(
            fixtures::at("2025-03-05", "09:00"),
            {{tuesday, {lessonOn("a", tuesday), lessonOn("b", thursday)}, "该日课表待确认"},
             {wednesday, {lessonOn("c", wednesday)}, std::nullopt},
             {wednesday, {}, std::nullopt},
             {thursday, {lessonOn("d", thursday)}, std::nullopt},
             {QDate(2025, 3, 12), {lessonOn("e", QDate(2025, 3, 12))}, std::nullopt}});
        QCOMPARE(week.days[1].events.size(), 1);
        QCOMPARE(week.days[1].note,
                 std::optional<QString>("该日课表待确认\n部分课程日期与该列不一致，已保留为待核对"));
        QCOMPARE(week.days[2], (WeekDaySchedule{wednesday, {}, "该日期收到多份课表，请重新读取"}));
        QCOMPARE(week.days[3], (WeekDaySchedule{thursday, {lessonOn("d", thursday)}, std::nullopt}));
        QCOMPARE(week.days[6].note, std::optional<QString>("尚未读取该日课表"));
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
        row("inner course of code 2", "", "true");
        row("Tuesday code-1 lesson", "", "true", "2025-03-04");
        row("another student's code-1 course and cell-less course", "", "false", wed);
        row("package code handed down",
            kCourses + "1/courses/1/singleDoubleSet=null;" + kCourses + "1/singleDoubleSet=2", "true");
        row("code 3 on the day", kCourses + "0/singleDoubleSet=3", "课程单双周类型未知");
        row("own course without cell", "!" + kCourses + "6/coordId", "周课表课程缺少可确认的星期坐标", wed);
        row("missing page", "tables:totalCount=3", shape);
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

        row("middle B4", drop123, "B4 690-730 物理 9C 初中", -1, kMonday, "13:2");
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

        const QString broken = QStringLiteral("!detail:workRestTableType;master:list=5");
        const QString format = QStringLiteral("老师课表结构与已确认格式不符，无法可靠解析");
        const QString cells = QStringLiteral("老师课表星期或课程坐标不完整");
        row("outside the task", broken, "查询日期不在该排课任务有效期内", -1, "2025-07-07");
        row("class id as text", kCourses + "0/classId=\"11\"", format);
        row("other task", "detail:id=8;detail:workRestTableType=2", "老师课表任务与所选任务不一致");
        row("cycle days", "detail:workRestTableType=2;master:dayOrders=[]",
            "循环日老师课表尚缺日期锚点，暂不能判断当前课程");
        row("cell on an unlisted day", "master:dayOrders=[1,2,3,4,5];tables:totalCount=4", cells);
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

    void decodesTeacherTaskBooleanStrictly()
    {
        const auto decode = [](const char *flag) {
            return TeacherTaskDetail::fromJson(json::parseObject(
                QByteArray(R"({"workRestTableType": 1, "courseTaskType": 1, "isTakeEffect": )") + flag +
                "}"));
        };
        QCOMPARE(decode("false").courseTaskType, 1);
        QVERIFY_THROWS_EXCEPTION(DecodingError, decode("1"));
        QVERIFY_THROWS_EXCEPTION(DecodingError, decode("\"true\""));
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
        add("only classes of other types", row(cls(31, "\"7A\"", "7", 2)), "5|李雷|Lei|0|班级待确认|0");
        add("grade 7", row(cls(31, "\" 7A \"", "7")), "5|李雷|Lei|31|7A|2");
        add("grade 10 beside a grade-7 class of another type",
            row(cls(31, "\"10A\"", "10") + "," + cls(32, "\"7A\"", "7", 3)), "5|李雷|Lei|31|10A|3");
        add("grade as text", row(cls(31, "\"7A\"", "\"7\"")), "decoding error");
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

    // A lookup decodes the bodies once and hands them to every translator; each still refuses only
    // what it reads itself, exactly as when it decodes the bodies on its own.
    void decodedBodiesServeEveryTranslator_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QStringList>("outcomes");
        const QString undecodable =
            QStringLiteral("澜序课表结构与已确认的坐标/课程结构不符，无法安全判断课程");
        const QString weekUndecodable = QStringLiteral("周课表的课程或坐标结构不完整");
        QTest::newRow("intact") << QString() << QStringList{"", "", ""};
        QTest::newRow("class id as text") << kCourses + "0/classId=\"11\"" << QStringList{"", "", ""};
        QTest::newRow("class name as number")
            << kCourses + "0/className=5" << QStringList{"", weekUndecodable, weekUndecodable};
        QTest::newRow("no day plan") << "!master:dayOrders" << QStringList{undecodable, undecodable, ""};
        QTest::newRow("detail without layout")
            << "!detail:workRestTableType" << QStringList{undecodable, undecodable, ""};
    }

    void decodedBodiesServeEveryTranslator()
    {
        QFETCH(QString, edits);
        QFETCH(QStringList, outcomes);
        const auto bodies = fixtures::studentBodies().apply(edits);
        const QByteArray detail = bodies.detailData(), master = bodies.masterData(),
                         tables = bodies.tablesData();
        const platform::TaskBodies decoded = platform::TaskBodies::decoded(detail, master, tables);
        const QDateTime monday = fixtures::at(kMonday);
        const Student student = fixtures::student();
        const CourseTaskOption task = fixtures::task();
        const QStringList once{
            fixtures::outcomeOf([&] { TimetableAdapter::normalize(student, task, decoded, monday, 2); }),
            fixtures::outcomeOf([&] { WeekScheduleBuilder::studentDay(student, task, decoded, monday, 2); }),
            fixtures::outcomeOf(
                [&] { WeekScheduleBuilder::requiresParity(decoded, monday, fixtures::kStudentId); })};
        const QStringList each{
            fixtures::outcomeOf(
                [&] { TimetableAdapter::normalize(student, task, detail, master, tables, monday, 2); }),
            fixtures::outcomeOf(
                [&] { WeekScheduleBuilder::studentDay(student, task, detail, master, tables, monday, 2); }),
            fixtures::outcomeOf(
                [&] { WeekScheduleBuilder::requiresParity(master, tables, monday, fixtures::kStudentId); })};
        QCOMPARE(once, outcomes);
        QCOMPARE(each, outcomes);
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
};

QTEST_GUILESS_MAIN(AdapterTests)

#include "tst_adapters.moc"
