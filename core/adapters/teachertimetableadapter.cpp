#include "core/adapters/teachertimetableadapter.h"

#include "core/adapters/slotlabel.h"
#include "core/adapters/taskcheck.h"
#include "core/base/shanghai.h"
#include "core/base/text.h"

#include <algorithm>

namespace quorvale::TeacherTimetableAdapter {

namespace {

using platform::Course;
using platform::refuse;

struct Parents
{
    std::optional<qint64> classId;
    std::optional<QString> className;
    std::optional<qint64> parity;
};

struct Walk
{
    std::optional<qint64> weekCode;
    const ClassSections &classSections;
    QList<TeacherEntry> entries;
    QStringList warnings;
    // Entry ids by their five texts: one lesson taught to many classes is encoded once.
    QHash<QStringList, QString> ids;

    void warn(const QString &warning)
    {
        if (!warnings.contains(warning))
            warnings.append(warning);
    }
};

bool only(const QSet<qint64> &sections, qint64 code)
{
    return sections.size() == 1 && sections.contains(code);
}

QString sectionLabel(const QSet<qint64> &sections)
{
    if (only(sections, 2))
        return QStringLiteral("初中");
    if (only(sections, 3))
        return QStringLiteral("高中");
    if (sections.size() == 2 && sections.contains(2) && sections.contains(3))
        return QStringLiteral("跨初高中");
    return QStringLiteral("学部待确认");
}

// B1, B3, B5, B6 and B7 ring at the same times in both sections; B2 and B4 do not.
std::optional<slotlabel::Minutes> lessonTimes(const QSet<qint64> &sections, const QString &period)
{
    if (only(sections, 2))
        return slotlabel::bellMinutes(QStringLiteral("middle"), period);
    if (only(sections, 3))
        return slotlabel::bellMinutes(QStringLiteral("high"), period);
    const auto middle = slotlabel::bellMinutes(QStringLiteral("middle"), period);
    const auto high = slotlabel::bellMinutes(QStringLiteral("high"), period);
    if (middle && high && middle->start == high->start && middle->end == high->end)
        return high;
    return std::nullopt;
}

// Equal period, subject, room and times give equal ids, so one lesson taught to several classes
// becomes one entry.
QString entryId(Walk &walk, const QString &period, const QString &subject, const std::optional<QString> &room,
                const std::optional<slotlabel::Minutes> &times)
{
    const QString unknown = QStringLiteral("?");
    const QStringList texts{period, subject, room.value_or(QString()),
                            times ? QString::number(times->start) : unknown,
                            times ? QString::number(times->end) : unknown};
    auto known = walk.ids.constFind(texts);
    if (known == walk.ids.constEnd())
        known = walk.ids.insert(texts, platform::textKey(texts));
    return *known;
}

void append(Walk &walk, const Course &course, const QString &period, bool additional, const Parents &parents)
{
    const qint64 parity = course.singleDoubleSet.value_or(parents.parity.value_or(0));
    if (parity < 0 || parity > 2)
        refuse(QStringLiteral("老师课程的单双周类型未知"));
    if (parity != 0 && !walk.weekCode)
        refuse(QStringLiteral("老师存在单双周课程，请先确认目标日期的周型"));
    if (parity != 0 && parity != *walk.weekCode)
        return;
    const std::optional<qint64> classId = course.classId ? course.classId : parents.classId;
    std::optional<QString> className = platform::firstText(course.className, course.classEName);
    if (!className)
        className = parents.className;
    const qint64 kind = course.objectType.value_or(1);
    if (kind != 1 && kind != 2)
        refuse(QStringLiteral("老师课表课程对象类型未知"));
    if (kind == 2) {
        if (!course.courses || course.courses->empty())
            refuse(QStringLiteral("老师课程包缺少具体课程"));
        for (const Course &child : *course.courses)
            append(walk, child, period, additional, {classId, className, parity});
        return;
    }
    const auto subject = platform::firstText(course.name, course.eName);
    if (!subject)
        refuse(QStringLiteral("老师课表课程名称缺失"));
    const auto room = platform::firstText(course.playgroundName, course.playgroundEName);

    const QSet<qint64> sections =
        classId && !walk.classSections.isEmpty() ? walk.classSections.value(*classId) : QSet<qint64>();
    std::optional<slotlabel::Minutes> times;
    if (additional && period.toUpper() == QLatin1String("ASA")) {
        times = slotlabel::Minutes{960, 1050};
    } else if (additional) {
        walk.warn(period + QStringLiteral(" 尚无经确认的活动作息，不采用澜序钟点推测"));
    } else {
        times = lessonTimes(sections, period);
        if (!times)
            walk.warn(period + QStringLiteral(" 课程的班级学部尚未唯一确认，上下课时间待确认"));
    }
    walk.entries.append({entryId(walk, period, *subject, room, times), period, *subject, room, className,
                         times ? std::optional(times->start) : std::nullopt,
                         times ? std::optional(times->end) : std::nullopt, sectionLabel(sections)});
}

// One entry per id, at the place the id first came; class names united, differing sections marked.
// The names of an entry are gathered first and united once, so many classes cost one sort.
QList<TeacherEntry> merged(const QList<TeacherEntry> &entries)
{
    QList<TeacherEntry> result;
    QList<QStringList> names;
    QList<bool> united;
    QHash<QString, qsizetype> positions;
    for (const TeacherEntry &entry : entries) {
        const auto known = positions.constFind(entry.id);
        if (known == positions.constEnd()) {
            positions.insert(entry.id, result.size());
            result.append(entry);
            names.append(entry.className ? QStringList{*entry.className} : QStringList());
            united.append(false);
            continue;
        }
        TeacherEntry &earlier = result[*known];
        if (entry.className)
            names[*known].append(*entry.className);
        united[*known] = true;
        if (earlier.section != entry.section)
            earlier.section = QStringLiteral("跨学部");
    }
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (united.at(i))
            result[i].className = names.at(i).isEmpty()
                                      ? std::nullopt
                                      : std::optional(text::mergeLabels(names.at(i), QString()));
    }
    return result;
}

void sortEntries(QList<TeacherEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const TeacherEntry &a, const TeacherEntry &b) {
        if (a.start.has_value() != b.start.has_value())
            return a.start.has_value();
        if (a.start) {
            if (*a.start != *b.start)
                return *a.start < *b.start;
            return text::less(a.period, b.period);
        }
        const int byId = text::compare(a.id, b.id);
        return byId != 0 ? byId < 0 : text::less(a.period, b.period);
    });
}

} // namespace

TeacherSchedule normalize(const Teacher &teacher, const CourseTaskOption &task, const QByteArray &detailData,
                          const QByteArray &masterData, const QByteArray &teacherTablesData,
                          const QDateTime &date, const ClassSections &classSections,
                          std::optional<qint64> singleDoubleSet)
{
    return normalize(teacher, task, platform::TaskBodies::decoded(detailData, masterData, teacherTablesData),
                     date, classSections, singleDoubleSet);
}

TeacherSchedule normalize(const Teacher &teacher, const CourseTaskOption &task,
                          const platform::TaskBodies &bodies, const QDateTime &date,
                          const ClassSections &classSections, std::optional<qint64> singleDoubleSet)
{
    if (!task.contains(date))
        refuse(QStringLiteral("查询日期不在该排课任务有效期内"));
    const QString incomplete = QStringLiteral("老师课表星期或课程坐标不完整");
    const platform::CheckedTask checked = platform::checkTask(
        platform::Reader::Teacher, bodies, task.id, teacher.id, singleDoubleSet,
        {QStringLiteral("老师课表结构与已确认格式不符，无法可靠解析"),
         QStringLiteral("老师课表任务与所选任务不一致"),
         QStringLiteral("循环日老师课表尚缺日期锚点，暂不能判断当前课程"), incomplete, incomplete,
         QStringLiteral("老师课表分页尚未完整获取"), QStringLiteral("未取得该老师唯一对应的独立课表"),
         QStringLiteral("查询日期的单双周类型无效")});
    const platform::PlacementTexts placementTexts{
        QStringLiteral("老师课程的节次坐标缺失"), QStringLiteral("老师课程未匹配唯一节次模板"),
        QStringLiteral("老师课程的节次中英文名称冲突"),
        QStringLiteral("老师课程节次不明确，不能按澜序钟点推测"),
        QStringLiteral("老师公共时段关联真实课程，需先确认明确节次")};

    const QDate day = shanghai::dateOf(date);
    Walk walk{singleDoubleSet, classSections, {}, {}, {}};
    for (const Course &course : checked.courses) {
        const auto placement =
            platform::place(course, checked.master, checked.coordinates, day.dayOfWeek(), placementTexts);
        if (placement)
            append(walk, course, placement->period, placement->additional, {});
    }

    QList<TeacherEntry> entries = merged(walk.entries);
    sortEntries(entries);
    return {teacher, task, day, entries, walk.warnings, std::nullopt};
}

} // namespace quorvale::TeacherTimetableAdapter
