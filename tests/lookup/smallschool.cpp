#include "smallschool.h"

#include "core/base/shanghai.h"
#include "tools/demoplatform/school/sampleschool.h"

namespace quorvale::testing::smallschool {

namespace {

using demo::SampleSchool;

constexpr qint64 teacher = 301;
constexpr qint64 maths = 501;
constexpr qint64 music = 502;
constexpr qint64 art = 503;
constexpr qint64 english = 504;

demo::SchoolLesson lesson(qint64 course, qint64 classId, std::optional<qint64> weekCode = std::nullopt)
{
    return {course, teacher, classId, QStringLiteral("A101"), QStringLiteral("Room A101"), weekCode};
}

} // namespace

demo::SchoolData school()
{
    demo::SchoolData data;
    data.schoolId = schoolId;
    data.schoolName = QStringLiteral("测试学校");
    data.account = {QStringLiteral("staff"), QStringLiteral("Pass#Word1"), QStringLiteral("测试教务")};
    data.semesters = {{semesterId, QDate(2025, 2, 17), QDate(2025, 7, 6)}};
    data.classes = {{grade7, QStringLiteral("七年级(1)班"), QStringLiteral("G7-1"), 7, 1},
                    {grade8, QStringLiteral("八年级(2)班"), QStringLiteral("G8-2"), 8, 1},
                    {grade10, QStringLiteral("十年级(1)班"), QStringLiteral("G10-1"), 10, 1},
                    {french, QStringLiteral("法语组"), QStringLiteral("French"), std::nullopt, 2}};
    data.students = {{liLei, QStringLiteral("李雷"), QStringLiteral("Li Lei"), {grade7}},
                     {hanMeimei, QStringLiteral("韩梅梅"), QStringLiteral("Han Meimei"), {grade8}},
                     {liHua, QStringLiteral("李华"), QStringLiteral("Li Hua"), {grade10, french}}};
    data.teachers = {{teacher, QStringLiteral("王老师"), QStringLiteral("Ms Wang")}};
    data.courses = {{maths, QStringLiteral("数学"), QStringLiteral("Maths")},
                    {music, QStringLiteral("音乐"), QStringLiteral("Music")},
                    {art, QStringLiteral("美术"), QStringLiteral("Art")},
                    {english, QStringLiteral("英语"), QStringLiteral("English")}};
    return data;
}

demo::SchoolTask task(qint64 id, QDate start, QDate end, std::optional<bool> isDefault,
                      const QList<qint64> &classIds)
{
    demo::SchoolTask task;
    task.id = id;
    task.name = QStringLiteral("课表%1").arg(id);
    task.englishName = QStringLiteral("Timetable %1").arg(id);
    task.startDate = start;
    task.endDate = end;
    task.isDefault = isDefault;
    task.semesterId = semesterId;
    task.dayOrders = {1, 2, 3, 4, 5};
    task.periods = SampleSchool::periods();
    task.cells = SampleSchool::cells(task.dayOrders, task.periods);
    for (const qint64 classId : classIds) {
        task.entries.append({SampleSchool::cellId(1, 1), lesson(maths, classId)});
        for (const auto &[day, row] : {std::pair{1, 2}, {3, 3}, {5, 2}}) {
            task.entries.append({SampleSchool::cellId(day, row), lesson(music, classId, 1)});
            task.entries.append({SampleSchool::cellId(day, row), lesson(art, classId, 2)});
        }
        task.entries.append({SampleSchool::cellId(4, 1), lesson(english, classId)});
    }
    return task;
}

demo::SchoolTask term(qint64 id, std::optional<bool> isDefault, const QList<qint64> &classIds)
{
    return task(id, QDate(2025, 2, 17), QDate(2025, 7, 6), isDefault, classIds);
}

demo::SchoolData schoolWith(const QList<TaskSpec> &specs)
{
    demo::SchoolData data = school();
    for (const TaskSpec &spec : specs) {
        demo::SchoolTask task = term(spec.id, spec.isDefault, spec.classes);
        task.inEffect = spec.inEffect;
        task.courseTaskType = spec.courseTaskType;
        data.tasks.append(task);
    }
    return data;
}

QDateTime at(QDate day, int hour, int minute)
{
    return shanghai::at(day, hour * 60 + minute);
}

} // namespace quorvale::testing::smallschool
