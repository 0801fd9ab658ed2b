#pragma once

#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/teacher.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <optional>

// Platform bodies shaped like real answers, and a small edit language to break them one member at
// a time. Monday 2025-03-03 holds B1 数学, a B3 package (物理, and 化学 on week code 2), B5 英语,
// an ASA club and evening study; Tuesday holds B2 语文 and a week-code-1 B4 历史. A second student
// shares the tables body.
namespace quorvale::fixtures {

inline constexpr qint64 kStudentId = 1001;
inline constexpr qint64 kTeacherId = 501;

// A Shanghai wall-clock moment ("2025-03-03", "10:00").
QDateTime at(const QString &day, const QString &clock = QStringLiteral("10:00"));
CourseTaskOption task();
Student student(qint64 studySection = 3);
Teacher teacher();

struct Bodies
{
    QJsonValue detail;
    QJsonValue master;
    QJsonValue tables;

    // Edits separated by ";": "tables:list/0/objectId=7" sets a member or array element (an index
    // equal to the length appends), "!detail:id" removes one.
    Bodies &apply(const QString &edits);
    QByteArray detailData() const;
    QByteArray masterData() const;
    QByteArray tablesData() const;
};

Bodies studentBodies();
Bodies teacherBodies();

// Week code: -1 stands for none in data tables.
std::optional<qint64> weekCode(int code);

} // namespace quorvale::fixtures
