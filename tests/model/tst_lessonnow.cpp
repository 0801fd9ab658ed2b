#include "fixtures.h"
#include "suites.h"

#include "core/model/engine.h"

#include <QTest>

using namespace quorvale;
using fixtures::at;

namespace {

constexpr qint64 studentId = 1024;

// Week one starts Monday 17 February 2025; B3 alternates between odd and even weeks.
Timetable baseTable()
{
    Timetable table = fixtures::validTable();
    const auto add = [&](qint64 weekday, const char *period, const char *subject,
                         const char *parity = nullptr) {
        Lesson lesson =
            fixtures::lesson(studentId, weekday, QString::fromUtf8(period), QString::fromUtf8(subject));
        if (parity)
            lesson.weekParity = QString::fromUtf8(parity);
        table.lessons.append(lesson);
    };
    add(1, "B2", "英语");
    add(1, "B1", "数学");
    add(1, "B3", "物理", "even");
    add(1, "B3", "化学", "odd");
    add(2, "B4", "历史");
    add(3, "B5", "生物");
    add(3, "B5", "地理");
    add(7, "B1", "补课");
    add(1, "B1", "别人的课");
    table.lessons.last().studentId = 2048;
    return table;
}

std::optional<Timetable> variant(const QString &name)
{
    Timetable table = baseTable();
    if (name == "none")
        return std::nullopt;
    if (name == "sample")
        table.isSample = true;
    if (name == "incomplete")
        table.completeStudentIds = {-1};
    if (name == "early window")
        table.validFrom = QStringLiteral("2025-02-10");
    if (name == "unreadable end")
        table.validThrough = QStringLiteral("2025-7-6");
    if (name == "core hours only")
        table.unknownOutsideCoreHours = true;
    if (name == "activity" || name == "core hours only") {
        table.bells[QStringLiteral("high")].append(Period{"ASA", "16:00", "17:30"});
        table.lessons.append(fixtures::lesson(studentId, 5, "ASA", "机器人社"));
    }
    if (name == "other section's period") {
        table.bells[QStringLiteral("middle")].append(Period{"ASA", "16:00", "17:30"});
        table.lessons.append(fixtures::lesson(studentId, 5, "ASA", "机器人社"));
    }
    if (name == "document B2 differs")
        table.bells[QStringLiteral("high")][1] = Period{"B2", "09:00", "09:20"};
    return table;
}

} // namespace

class LessonNowTest : public QObject
{
    Q_OBJECT

private slots:
    void answersStudentMoment_data();
    void answersStudentMoment();
    void ignoresSecondsOfTheMoment();
    void refusesUnsupportedSectionFirst();
};

void LessonNowTest::answersStudentMoment_data()
{
    QTest::addColumn<qint64>("section");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QStringList>("today");

    const QString inLesson = QStringLiteral("按课表，此时应在上课");
    const QString free = QStringLiteral("课表显示当前无课");
    const QString outside = QStringLiteral("查询日期不在课表有效期内");
    const QString outsideCore = QStringLiteral("当前在 B1–B7 范围外，活动与晚课时间尚未确认");
    const QStringList monday1{"数学", "英语", "化学"};
    const QStringList monday2{"数学", "英语", "物理"};
    const qint64 high = 3;
    const qint64 middle = 2;

    QTest::newRow("no timetable")
        << high << "none" << at("2025-02-17", "09:00")
        << "尚未取得该学生的个人课表。请导入已确认的课表 JSON；HAR 中的首页日程不能当作个人课表。" << false
        << QStringList() << "" << QStringList();
    QTest::newRow("sample for a real student")
        << high << "sample" << at("2025-02-17", "09:00") << "示例课表不能用于真实学生" << false
        << QStringList() << "" << QStringList();
    QTest::newRow("before the window") << high << "plain" << at("2025-02-16", "23:59") << outside << false
                                       << QStringList() << "" << QStringList();
    QTest::newRow("first minute of the window")
        << high << "plain" << at("2025-02-17", "00:00") << free << true << QStringList() << "数学" << monday1;
    QTest::newRow("last minute of the window") << high << "plain" << at("2025-07-06", "23:59") << free << true
                                               << QStringList() << "" << QStringList{"补课"};
    QTest::newRow("day after the window") << high << "plain" << at("2025-07-07", "00:00") << outside << false
                                          << QStringList() << "" << QStringList();
    QTest::newRow("unreadable window end") << high << "unreadable end" << at("2025-03-03", "09:00") << outside
                                           << false << QStringList() << "" << QStringList();
    QTest::newRow("student not complete")
        << high << "incomplete" << at("2025-02-17", "09:00") << "该学生的课表尚未完整获取，无法判断当前课程"
        << false << QStringList() << "" << QStringList();
    QTest::newRow("before week one") << high << "early window" << at("2025-02-16", "09:00")
                                     << "日期早于第一教学周" << false << QStringList() << "" << QStringList();

    QTest::newRow("Monday of week one") << high << "plain" << at("2025-02-17", "09:00") << inLesson << true
                                        << QStringList{"数学"} << "英语" << monday1;
    QTest::newRow("Sunday of week one") << high << "plain" << at("2025-02-23", "08:40") << inLesson << true
                                        << QStringList{"补课"} << "" << QStringList{"补课"};
    QTest::newRow("even week two") << high << "plain" << at("2025-02-24", "10:40") << inLesson << true
                                   << QStringList{"物理"} << "" << monday2;
    QTest::newRow("odd week three") << high << "plain" << at("2025-03-03", "10:40") << inLesson << true
                                    << QStringList{"化学"} << "" << monday1;
    QTest::newRow("lesson start") << high << "plain" << at("2025-02-17", "08:30") << inLesson << true
                                  << QStringList{"数学"} << "英语" << monday1;
    QTest::newRow("lesson end minute")
        << high << "plain" << at("2025-02-17", "09:10") << free << true << QStringList() << "英语" << monday1;
    QTest::newRow("high B2 at 09:25") << high << "plain" << at("2025-02-17", "09:25") << inLesson << true
                                      << QStringList{"英语"} << "化学" << monday1;
    QTest::newRow("middle B2 not yet at 09:25") << middle << "plain" << at("2025-02-17", "09:25") << free
                                                << true << QStringList() << "英语" << monday1;
    QTest::newRow("high B4 at 12:10") << high << "plain" << at("2025-02-18", "12:10") << inLesson << true
                                      << QStringList{"历史"} << "" << QStringList{"历史"};
    QTest::newRow("middle B4 over at 12:10") << middle << "plain" << at("2025-02-18", "12:10") << free << true
                                             << QStringList() << "" << QStringList{"历史"};
    QTest::newRow("built-in bells win") << high << "document B2 differs" << at("2025-02-17", "09:25")
                                        << inLesson << true << QStringList{"英语"} << "化学" << monday1;
    QTest::newRow("conflict") << high << "plain" << at("2025-03-05", "13:30") << "课程时间冲突，请核对"
                              << true << QStringList{"生物", "地理"} << "" << QStringList{"生物", "地理"};
    QTest::newRow("free day") << high << "plain" << at("2025-02-21", "12:00") << free << true << QStringList()
                              << "" << QStringList();
    QTest::newRow("period from the document")
        << high << "activity" << at("2025-02-21", "16:30") << inLesson << true << QStringList{"机器人社"}
        << "" << QStringList{"机器人社"};
    QTest::newRow("period only in the other section")
        << high << "other section's period" << at("2025-02-21", "16:30")
        << "该学生的课程节次没有匹配到所属学部作息：ASA" << false << QStringList() << "" << QStringList();

    QTest::newRow("last core minute") << high << "core hours only" << at("2025-02-18", "15:49") << free
                                      << true << QStringList() << "" << QStringList{"历史"};
    QTest::newRow("core hours over") << high << "core hours only" << at("2025-02-18", "15:50") << outsideCore
                                     << false << QStringList() << "" << QStringList{"历史"};
    QTest::newRow("before core hours")
        << high << "core hours only" << at("2025-02-18", "08:29") << outsideCore << false << QStringList()
        << "历史" << QStringList{"历史"};
    QTest::newRow("timed lesson outside core hours")
        << high << "core hours only" << at("2025-02-21", "16:30") << inLesson << true
        << QStringList{"机器人社"} << "" << QStringList{"机器人社"};
    QTest::newRow("evening without the flag") << high << "plain" << at("2025-02-18", "20:00") << free << true
                                              << QStringList() << "" << QStringList{"历史"};
}

void LessonNowTest::answersStudentMoment()
{
    QFETCH(qint64, section);
    QFETCH(QString, table);
    QFETCH(QDateTime, moment);
    QFETCH(QString, message);
    QFETCH(bool, available);
    QFETCH(QStringList, current);
    QFETCH(QString, next);
    QFETCH(QStringList, today);

    const ScheduleResult result =
        Engine::result(fixtures::student(studentId, section), variant(table), moment);
    fixtures::compareAnswer(result, message, available, current, next);
    QCOMPARE(fixtures::subjects(result.today), today);
}

void LessonNowTest::ignoresSecondsOfTheMoment()
{
    const QDateTime moment = at("2025-02-17", "09:09").addSecs(59);
    const ScheduleResult result = Engine::result(fixtures::student(studentId, 3), baseTable(), moment);
    QCOMPARE(fixtures::subjects(result.current), QStringList{"数学"});
    QCOMPARE(result.current.first().time(), QStringLiteral("08:30–09:10"));
}

void LessonNowTest::refusesUnsupportedSectionFirst()
{
    Timetable sample = baseTable();
    sample.isSample = true;
    for (const qint64 section : {0, 1, 4}) {
        const ScheduleResult result =
            Engine::result(fixtures::student(studentId, section), std::nullopt, at("2025-02-17", "09:00"));
        QCOMPARE(result, (ScheduleResult{QStringLiteral("仅支持初中和高中"), {}, {}, std::nullopt, false}));
    }
    // A sample document serves sample students only.
    sample.completeStudentIds = {-1, 0};
    sample.lessons = {fixtures::lesson(-1, 1, "B1", "示例"), fixtures::lesson(0, 1, "B1", "示例")};
    QVERIFY(Engine::result(fixtures::student(-1, 3), sample, at("2025-02-17", "09:00")).available);
    QCOMPARE(Engine::result(fixtures::student(0, 3), sample, at("2025-02-17", "09:00")).message,
             QStringLiteral("示例课表不能用于真实学生"));
}

int runLessonNowTests(int argc, char **argv)
{
    LessonNowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lessonnow.moc"
