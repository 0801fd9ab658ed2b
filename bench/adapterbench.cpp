// Times the timetable translators on generated bodies: the teacher normaliser with one lesson taught
// to 10, 100 and 1 000 classes, and a student's week built as the lookup builds it (the week-code
// check and the day of each of the seven days) against one normalisation of the queried day.

#include "core/adapters/teachertimetableadapter.h"
#include "core/adapters/timetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"
#include "core/base/shanghai.h"
#include "core/base/strictjson.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <algorithm>
#include <functional>

using namespace quorvale;

namespace {

constexpr qint64 taskId = 7;
constexpr qint64 personId = 1001;
// Each figure is the median of the runs that fit in this time, at least three.
constexpr qint64 budgetMs = 400;

struct Bodies
{
    QByteArray detail;
    QByteArray master;
    QByteArray tables;
};

CourseTaskOption task()
{
    return {taskId,
            QStringLiteral("春季课表"),
            std::nullopt,
            QStringLiteral("2025-02-17"),
            QStringLiteral("2025-07-06"),
            true};
}

// Seven days of B1–B7 and an after-school slot.
QJsonObject master()
{
    QJsonArray list;
    for (int day = 1; day <= 7; ++day) {
        for (int section = 1; section <= 8; ++section)
            list.append(QJsonObject{{"id", day * 100 + section},
                                    {"dayOrder", day},
                                    {"sectionOrder", section},
                                    {"timeType", section == 8 ? 2 : 1}});
    }
    QJsonArray templates;
    for (int section = 1; section <= 7; ++section) {
        const QString name = QStringLiteral("B%1").arg(section);
        templates.append(
            QJsonObject{{"sectionOrder", section}, {"timeType", 1}, {"name", name}, {"eName", name}});
    }
    templates.append(
        QJsonObject{{"sectionOrder", 8}, {"timeType", 2}, {"name", "ASA"}, {"eName", "Activities"}});
    return {{"dayOrders", QJsonArray{1, 2, 3, 4, 5, 6, 7}}, {"list", list}, {"template", templates}};
}

Bodies bodies(const QJsonArray &courses)
{
    const QJsonObject table{{"objectId", personId}, {"classCourseTimeTable", courses}};
    return {json::serialize(QJsonObject{{"id", taskId}, {"workRestTableType", 1}, {"schoolSemesterId", 3}}),
            json::serialize(master()),
            json::serialize(QJsonObject{{"totalCount", 1}, {"list", QJsonArray{table}}})};
}

// One B1 lesson on Monday taught to `classes` classes, one table row per class.
Bodies oneLessonFor(int classes)
{
    QJsonArray courses;
    for (int i = 0; i < classes; ++i)
        courses.append(QJsonObject{{"coordId", 101},
                                   {"name", "数学"},
                                   {"classId", 5000 + i},
                                   {"className", QStringLiteral("G%1-%2班").arg(6 + i % 7).arg(i)},
                                   {"playgroundName", "报告厅"}});
    return bodies(courses);
}

// A full student week: B1–B7 every weekday, the B3 an elective package, and an after-school club.
Bodies studentWeek()
{
    QJsonArray courses;
    for (int day = 1; day <= 5; ++day) {
        for (int section = 1; section <= 7; ++section) {
            const int coordId = day * 100 + section;
            if (section == 3) {
                courses.append(QJsonObject{
                    {"coordId", coordId},
                    {"name", "选修"},
                    {"objectType", 2},
                    {"courses", QJsonArray{QJsonObject{{"name", "物理"}, {"playgroundName", "实验室"}}}}});
                continue;
            }
            courses.append(QJsonObject{{"coordId", coordId},
                                       {"name", QStringLiteral("课程%1").arg(section)},
                                       {"eName", QStringLiteral("Course %1").arg(section)},
                                       {"playgroundName", QStringLiteral("A%1").arg(coordId)}});
        }
        courses.append(QJsonObject{{"coordId", day * 100 + 8}, {"name", "篮球社"}, {"className", "社团"}});
    }
    return bodies(courses);
}

// The median time of one call in milliseconds.
double medianMs(const std::function<void()> &work)
{
    QList<double> times;
    QElapsedTimer total;
    total.start();
    while (times.size() < 3 || (total.elapsed() < budgetMs && times.size() < 1001)) {
        QElapsedTimer one;
        one.start();
        work();
        times.append(double(one.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

QString holds(bool held)
{
    return held ? QStringLiteral("holds") : QStringLiteral("misses");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const CourseTaskOption chosen = task();
    const QDateTime monday = shanghai::at(QDate(2025, 3, 3), 10 * 60);

    out << "teacher normaliser, one lesson taught to n classes\n";
    const Teacher teacher{personId, QStringLiteral("陈老师"), QStringLiteral("Ms Chen")};
    double previous = 0;
    double largest = 0;
    double lastGrowth = 0;
    for (const int classes : {10, 100, 1000}) {
        const Bodies input = oneLessonFor(classes);
        const double ms = medianMs([&] {
            TeacherTimetableAdapter::normalize(teacher, chosen, input.detail, input.master, input.tables,
                                               monday, {}, std::nullopt);
        });
        lastGrowth = previous > 0 ? ms / previous : 0;
        out << QStringLiteral("  %1 classes  %2 ms").arg(classes, 5).arg(ms, 10, 'f', 3)
            << (previous > 0 ? QStringLiteral("  x%1 from the step before").arg(lastGrowth, 0, 'f', 1)
                             : QString())
            << '\n';
        previous = ms;
        largest = ms;
    }
    out << QStringLiteral("result: one lesson taught to 1 000 classes (teacher normaliser) | %1 ms | at most "
                          "10 ms | %2\n")
               .arg(largest, 0, 'f', 2)
               .arg(holds(largest <= 10));
    out << QStringLiteral("result: teacher normaliser growth from 100 to 1 000 classes | x%1 | at most x15 "
                          "(linear) | %2\n")
               .arg(lastGrowth, 0, 'f', 1)
               .arg(holds(lastGrowth <= 15));

    const Student student{personId, QStringLiteral("王小明"), QStringLiteral("Xiaoming Wang"),
                          31,       QStringLiteral("G10A"),   9,
                          3};
    const Bodies week = studentWeek();
    const double normalisation = medianMs([&] {
        TimetableAdapter::normalize(student, chosen, week.detail, week.master, week.tables, monday,
                                    std::nullopt);
    });
    // As the lookup does it: the bodies decoded once, then each day's week-code check and column.
    const double weekBuild = medianMs([&] {
        const platform::TaskBodies bodies =
            platform::TaskBodies::decoded(week.detail, week.master, week.tables);
        QList<WeekDaySchedule> days;
        for (const QDate day : WeekScheduleBuilder::dates(monday)) {
            const QDateTime start = shanghai::startOf(day);
            WeekScheduleBuilder::requiresParity(bodies, start, personId);
            days.append(WeekScheduleBuilder::studentDay(student, chosen, bodies, start, std::nullopt));
        }
        WeekScheduleBuilder::assemble(monday, days);
    });
    const double ratio = weekBuild / normalisation;
    out << QStringLiteral("student week: one normalisation %1 ms, week build %2 ms\n")
               .arg(normalisation, 0, 'f', 3)
               .arg(weekBuild, 0, 'f', 3);
    out << QStringLiteral("result: week build against one normalisation | x%1 | at most x3 | %2\n")
               .arg(ratio, 0, 'f', 1)
               .arg(holds(ratio <= 3));
    return 0;
}
