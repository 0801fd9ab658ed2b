#pragma once

#include "core/model/coursetask.h"

#include <QHashFunctions>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace quorvale {

// A teacher as the platform lists one ("id", "name", "eName"). The id may come as an integer or as
// a strictly written decimal text.
struct Teacher
{
    qint64 id = 0;
    QString name;
    QString englishName;

    static Teacher fromJson(const QJsonObject &object);

    bool operator==(const Teacher &) const = default;
};

// A course of a timetable task, used to find its teachers; same form and rules as Teacher.
struct CourseOption
{
    qint64 id = 0;
    QString name;
    QString englishName;

    static CourseOption fromJson(const QJsonObject &object);

    bool operator==(const CourseOption &) const = default;
};

size_t qHash(const Teacher &teacher, size_t seed = 0);
size_t qHash(const CourseOption &course, size_t seed = 0);

// The outcome of one teacher search.
struct TeacherDirectory
{
    QList<CourseTaskOption> tasks;
    std::optional<CourseTaskOption> task;
    QList<CourseOption> courses;
    std::optional<qint64> selectedCourseId;
    QList<Teacher> teachers;

    bool operator==(const TeacherDirectory &) const = default;
};

} // namespace quorvale
