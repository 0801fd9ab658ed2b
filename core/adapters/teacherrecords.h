#pragma once

#include <QJsonObject>
#include <QList>
#include <optional>

// The teacher side's readings of a task detail and of the class-student roster, from which the
// client learns whether a task is usable and which sections each class holds. Decoding failures
// throw DecodingError.
namespace quorvale {

struct TeacherTaskDetail
{
    std::optional<qint64> id;
    std::optional<qint64> schoolId;
    bool isTakeEffect = false;
    qint64 workRestTableType = 0;
    qint64 courseTaskType = 0;
    // The term, needed to ask for a date's week code.
    std::optional<qint64> schoolSemesterId;

    static TeacherTaskDetail fromJson(const QJsonObject &object);

    bool operator==(const TeacherTaskDetail &) const = default;
};

// One class of a roster student; the class of type 1 decides the student's section by its grade.
struct TeacherRosterClass
{
    qint64 id = 0;
    std::optional<qint64> grade;
    std::optional<qint64> classType;

    static TeacherRosterClass fromJson(const QJsonObject &object);

    bool operator==(const TeacherRosterClass &) const = default;
};

struct TeacherRosterStudent
{
    qint64 studentId = 0;
    std::optional<QList<TeacherRosterClass>> classInfos;

    static TeacherRosterStudent fromJson(const QJsonObject &object);

    bool operator==(const TeacherRosterStudent &) const = default;
};

// One roster page as the client received it.
struct TeacherRosterPage
{
    qint64 page = 0;
    // The number of students in the whole roster.
    qint64 total = 0;
    QList<TeacherRosterStudent> students;

    bool operator==(const TeacherRosterPage &) const = default;
};

// The section code a class's grade gives: 2 for grades 6–8, 3 for 9–12, 0 for any other grade,
// -1 when the grade is unknown.
qint64 sectionOfGrade(std::optional<qint64> grade);

} // namespace quorvale
