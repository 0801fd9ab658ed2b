#include "tests/screens/lessonprobe.h"

#include "core/base/shanghai.h"
#include "core/model/calendar.h"
#include "tools/demoplatform/school/sampleschool.h"

namespace quorvale::testing {

namespace {

bool isMiddleSchool(const demo::SchoolData &school, const demo::SchoolStudent &student)
{
    for (const demo::SchoolClass &group : school.classes) {
        if (student.classIds.contains(group.id) && group.classType == 1 && group.grade)
            return *group.grade >= 6 && *group.grade <= 8;
    }
    return false;
}

bool nameIsUnique(const demo::SchoolData &school, const QString &name)
{
    return std::count_if(school.students.cbegin(), school.students.cend(),
                         [&name](const demo::SchoolStudent &other) { return other.name == name; }) == 1;
}

} // namespace

std::optional<Student> studentWithActivity(const demo::SchoolData &school, QDate day)
{
    const demo::SchoolTask *term = school.task(demo::SampleSchool::currentTaskId);
    if (!term)
        return std::nullopt;
    QList<qint64> activityCells;
    for (const demo::SchoolPeriod &period : term->periods) {
        if (period.timeType != demo::SampleSchool::teachingTimeType)
            activityCells.append(
                demo::SampleSchool::cellId(day.dayOfWeek(), period.sectionOrder, period.timeType));
    }
    for (const demo::SchoolStudent &student : school.students) {
        if (!nameIsUnique(school, student.name))
            continue;
        for (const demo::SchoolEntry &entry : term->entries) {
            if (!activityCells.contains(entry.cellId))
                continue;
            for (const demo::SchoolLesson &lesson : entry.lessons()) {
                if (student.classIds.contains(lesson.classId)) {
                    Student found;
                    found.id = student.id;
                    found.name = student.name;
                    return found;
                }
            }
        }
    }
    return std::nullopt;
}

std::optional<ExpectedLesson> plainLessonAt(const demo::SchoolData &school, QDate day, int row)
{
    const demo::SchoolTask *term = school.task(demo::SampleSchool::currentTaskId);
    const QList<Period> bells = BellSchedule::periods(QStringLiteral("middle"));
    if (!term || row < 1 || row > bells.size())
        return std::nullopt;
    const qint64 cell = demo::SampleSchool::cellId(day.dayOfWeek(), row);
    const std::optional<qint64> start = Engine::minutes(bells.at(row - 1).start);
    if (!start)
        return std::nullopt;
    for (const demo::SchoolStudent &student : school.students) {
        if (!isMiddleSchool(school, student) || !nameIsUnique(school, student.name))
            continue;
        QList<demo::SchoolLesson> found;
        bool packaged = false;
        for (const demo::SchoolEntry &entry : term->entries) {
            if (entry.cellId != cell)
                continue;
            for (const demo::SchoolLesson &lesson : entry.lessons()) {
                if (!student.classIds.contains(lesson.classId))
                    continue;
                found.append(lesson);
                packaged = packaged || std::holds_alternative<demo::SchoolPackage>(entry.content);
            }
        }
        if (found.size() != 1 || packaged || found.first().weekCode.value_or(0) != 0)
            continue;
        const auto course =
            std::find_if(school.courses.cbegin(), school.courses.cend(),
                         [&found](const demo::SchoolCourse &c) { return c.id == found.first().courseId; });
        if (course == school.courses.cend())
            continue;
        return ExpectedLesson{student.id,
                              student.name,
                              course->name,
                              found.first().room,
                              shanghai::at(day, *start + 10),
                              shanghai::at(day, *start - 10)};
    }
    return std::nullopt;
}

} // namespace quorvale::testing
