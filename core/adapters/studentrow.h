#pragma once

#include "core/model/student.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace quorvale {

// One student of a task's class-student list as the platform sends it. Decoding failures throw
// DecodingError.
struct ScheduleStudentRow
{
    struct SchoolClass
    {
        qint64 id = 0;
        std::optional<QString> name;
        std::optional<QString> eName;
        std::optional<qint64> grade;
        // Only classes of type 1 count for the student's section, class label and class id.
        std::optional<qint64> classType;

        static SchoolClass fromJson(const QJsonObject &object);

        bool operator==(const SchoolClass &) const = default;
    };

    qint64 studentId = 0;
    std::optional<QString> studentName;
    std::optional<QString> studentEName;
    std::optional<QList<SchoolClass>> classInfos;

    static ScheduleStudentRow fromJson(const QJsonObject &object);

    // The row as a student of the school, or none when all its classes lie outside middle and high
    // school. Throws DemoError when the row has no usable id or name.
    std::optional<Student> student(qint64 schoolId) const;

    bool operator==(const ScheduleStudentRow &) const = default;
};

} // namespace quorvale
