#pragma once

#include "core/client/sessionuser.h"
#include "core/model/coursetask.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The platform requests of the student search and the student lookup, and the readings of their
// answers that both share.
namespace quorvale::studentrequests {

inline const QString get = QStringLiteral("GET");

QString taskList(qint64 schoolId);
QString taskDetail(qint64 taskId);
QString roster(qint64 taskId, const QString &key, qint64 pageIndex);
QString courseTable(qint64 taskId, qint64 classId, qint64 pageIndex, qint64 studentId);
QString master(qint64 taskId);
QString weekCode(QDate day, qint64 semesterId);

// Throws QuorvaleAPIError::unauthenticated unless the platform says someone is signed in.
void requireSignedIn(const SessionUser &user);

// The task list's "data": a list of objects, or QuorvaleAPIError::invalidResponse; each decoded as
// a task (DecodingError passes through).
QList<CourseTaskOption> readTaskList(const QJsonObject &envelope);

// The tasks whose days hold the moment's day, in the platform's order.
QList<CourseTaskOption> validOn(const QList<CourseTaskOption> &tasks, const QDateTime &moment);

// The id of the one task marked default; none when no task or several are.
std::optional<qint64> soleDefault(const QList<CourseTaskOption> &tasks);

// The tasks with the one of that id first and the others in their order.
QList<CourseTaskOption> firstOf(QList<CourseTaskOption> tasks, std::optional<qint64> id);

} // namespace quorvale::studentrequests
