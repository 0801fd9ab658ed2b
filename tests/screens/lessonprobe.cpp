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

// The student's lessons in the cells, and whether any of them is part of a package.
QList<demo::SchoolLesson> lessonsIn(const demo::SchoolTask &term, const demo::SchoolStudent &student,
                                    const QList<qint64> &cells, bool *packaged = nullptr)
{
    QList<demo::SchoolLesson> found;
    for (const demo::SchoolEntry &entry : term.entries) {
        if (!cells.contains(entry.cellId))
            continue;
        for (const demo::SchoolLesson &lesson : entry.lessons()) {
            if (!student.classIds.contains(lesson.classId))
                continue;
            found.append(lesson);
            if (packaged && std::holds_alternative<demo::SchoolPackage>(entry.content))
                *packaged = true;
        }
    }
    return found;
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
        if (nameIsUnique(school, student.name) && !lessonsIn(*term, student, activityCells).isEmpty()) {
            Student found;
            found.id = student.id;
            found.name = student.name;
            return found;
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
    const std::optional<qint64> start = Engine::minutes(bells.at(row - 1).start);
    const std::optional<qint64> end = Engine::minutes(bells.at(row - 1).end);
    if (!start || !end)
        return std::nullopt;
    for (const demo::SchoolStudent &student : school.students) {
        if (!isMiddleSchool(school, student) || !nameIsUnique(school, student.name))
            continue;
        bool packaged = false;
        const QList<demo::SchoolLesson> found =
            lessonsIn(*term, student, {demo::SampleSchool::cellId(day.dayOfWeek(), row)}, &packaged);
        if (found.size() != 1 || packaged || found.first().weekCode.value_or(0) != 0)
            continue;
        for (const demo::SchoolCourse &course : school.courses) {
            if (course.id == found.first().courseId)
                return ExpectedLesson{student.id,
                                      student.name,
                                      course.name,
                                      found.first().room,
                                      bells.at(row - 1).id,
                                      bells.at(row - 1).start + QStringLiteral("–") + bells.at(row - 1).end,
                                      *end - *start,
                                      shanghai::at(day, *start + 10),
                                      shanghai::at(day, *start - 10)};
        }
    }
    return std::nullopt;
}

} // namespace quorvale::testing
