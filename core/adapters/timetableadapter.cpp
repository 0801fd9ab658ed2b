#include "core/adapters/timetableadapter.h"

#include "core/adapters/taskcheck.h"
#include "core/base/shanghai.h"
#include "core/model/calendar.h"

namespace quorvale::TimetableAdapter {

namespace {

using platform::Course;
using platform::refuse;

struct Walk
{
    qint64 studentId = 0;
    qint64 dayOrder = 0;
    std::optional<qint64> weekCode;
    QList<Lesson> lessons;
};

void append(Walk &walk, const Course &course, const QString &period, std::optional<qint64> inheritedParity)
{
    const qint64 parity = course.singleDoubleSet.value_or(inheritedParity.value_or(0));
    if (parity < 0 || parity > 2)
        refuse(QStringLiteral("课程的单双周类型未知，需确认后才能判断"));
    if (parity != 0 && !walk.weekCode)
        refuse(QStringLiteral("该学生课程存在单双周安排，需要先确认查询日期的单双周"));
    if (parity != 0 && parity != *walk.weekCode)
        return;
    const qint64 kind = course.objectType.value_or(1);
    if (kind == 1) {
        const auto subject = platform::firstText(course.name, course.eName);
        if (!subject)
            refuse(QStringLiteral("个人课表中的课程名称缺失"));
        walk.lessons.append({walk.studentId, walk.dayOrder, period, *subject,
                             platform::firstText(course.playgroundName, course.playgroundEName),
                             std::nullopt});
        return;
    }
    if (kind != 2)
        refuse(QStringLiteral("课程对象类型未知，无法确定学生实际选课"));
    if (!course.courses || course.courses->empty())
        refuse(QStringLiteral("课程包缺少具体选课内容"));
    // Entries sit in their package's slot; their own coordId is not read.
    for (const Course &entry : *course.courses)
        append(walk, entry, period, parity);
}

} // namespace

Timetable normalize(const Student &student, const CourseTaskOption &task, const QByteArray &detailData,
                    const QByteArray &masterData, const QByteArray &studentTablesData, const QDateTime &date,
                    std::optional<qint64> singleDoubleSet)
{
    return normalize(student, task, platform::TaskBodies::decoded(detailData, masterData, studentTablesData),
                     date, singleDoubleSet);
}

Timetable normalize(const Student &student, const CourseTaskOption &task, const platform::TaskBodies &bodies,
                    const QDateTime &date, std::optional<qint64> singleDoubleSet)
{
    if (student.studySection != 2 && student.studySection != 3)
        refuse(QStringLiteral("只支持初中 G6–G8 和高中 G9–G12"));
    if (!task.contains(date))
        refuse(QStringLiteral("查询日期不在该排课任务的有效期内"));

    const platform::CheckedTask checked = platform::checkTask(
        platform::Reader::Student, bodies, task.id, student.id, singleDoubleSet,
        {QStringLiteral("澜序课表结构与已确认的坐标/课程结构不符，无法安全判断课程"),
         QStringLiteral("排课任务详情与所选任务不一致"),
         QStringLiteral("该任务采用循环日课表，尚不能确定日期与第几天的对应关系"),
         QStringLiteral("课表坐标不完整，或星期编号不在周一至周日范围内"),
         QStringLiteral("课表坐标 ID 重复，无法可靠关联课程"), QStringLiteral("学生课表分页尚未完整获取"),
         QStringLiteral("未取得该学生唯一对应的个人课表，不能使用其他学生或班级的课表"),
         QStringLiteral("服务端返回的单双周类型无效")});
    const platform::PlacementTexts placementTexts{
        QStringLiteral("个人课程未匹配到有效坐标，节次待确认"),
        QStringLiteral("课程坐标未匹配到唯一节次模板"), QStringLiteral("节次中英文名称互相冲突"),
        QStringLiteral("个人课程节次名称不明确，不能按澜序钟点推测 B1–B7"),
        QStringLiteral("公共时段关联了个人课程，需要确认其明确节次后再判断")};

    const QDate day = shanghai::dateOf(date);
    Walk walk{student.id, day.dayOfWeek(), singleDoubleSet, {}};
    QStringList warnings;
    bool unknownOutsideCoreHours = false;
    for (const Course &course : checked.courses) {
        const auto placement =
            platform::place(course, checked.master, checked.coordinates, walk.dayOrder, placementTexts);
        if (!placement)
            continue;
        if (!placement->additional) {
            append(walk, course, placement->period, std::nullopt);
            continue;
        }
        // Activities have no confirmed times yet: the day is answered for B1–B7 only.
        const QString warning =
            placement->period + QStringLiteral(" 未配置经确认的活动作息；当前仅判断 B1–B7");
        if (!warnings.contains(warning))
            warnings.append(warning);
        unknownOutsideCoreHours = true;
    }

    Timetable timetable;
    timetable.source =
        QStringLiteral("澜序个人课表 · ") + task.taskName + QStringLiteral(" · 仅 B1–B7，钟点按学校图片作息");
    timetable.isSample = false;
    timetable.validFrom = shanghai::dayText(day);
    timetable.validThrough = timetable.validFrom;
    timetable.weekOneMonday = shanghai::dayText(day.addDays(1 - walk.dayOrder));
    timetable.completeStudentIds = {student.id};
    for (const QString &section : {QStringLiteral("middle"), QStringLiteral("high")})
        timetable.bells.insert(section, BellSchedule::periods(section));
    timetable.lessons = walk.lessons;
    timetable.unknownOutsideCoreHours = unknownOutsideCoreHours;
    timetable.warnings = warnings;
    timetable.validate();
    return timetable;
}

} // namespace quorvale::TimetableAdapter
