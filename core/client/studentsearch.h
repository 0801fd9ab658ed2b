#pragma once

#include "core/model/coursetask.h"
#include "core/model/student.h"

#include <QCoroTask>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace quorvale {

class QuorvaleAPI;

// The steps of the student search: which tasks are in effect, the class-student pages of one task,
// and the students of several tasks merged into one list.
namespace studentsearch {

// The valid tasks that are in effect, in the order given. Once the preferred task (first in the
// list) is found in effect, no other task is asked. Throws QuorvaleAPIError::invalidResponse for a
// task check answer that cannot be confirmed.
QCoro::Task<QList<CourseTaskOption>> tasksInEffect(QuorvaleAPI *api, QList<CourseTaskOption> tasks,
                                                   bool firstIsPreferred, qint64 schoolId);

// Every student of one task's class-student list that the key matches, in list order. The first
// page tells how many rows there are; the pages still missing are then asked for a few dozen at a
// time, each read as soon as it and those before it have landed.
QCoro::Task<QList<Student>> roster(QuorvaleAPI *api, qint64 taskId, QString key, qint64 schoolId);

// The pages of one task's list as they are read, checked strictly in page order.
class RosterPages
{
public:
    static constexpr qint64 pageSize = 50;
    static constexpr qint64 lastPage = 501;

    explicit RosterPages(qint64 schoolId)
        : m_schoolId(schoolId)
    {}

    // Reads the answer for a page; throws the search's paging and row errors.
    void read(qint64 page, const QJsonObject &envelope);
    bool isComplete() const { return m_total && m_received == *m_total; }
    // How many more full pages the rows still missing fill.
    qint64 pagesMissing() const;
    QList<Student> students() const { return m_students; }

private:
    qint64 m_schoolId;
    std::optional<qint64> m_total;
    qint64 m_received = 0;
    QSet<qint64> m_ids;
    // Thousands of students share a few dozen classes: each class's text is held once.
    QSet<QString> m_classNames;
    QList<Student> m_students;
};

// Students of several tasks, each once: a student met again keeps the id and name first seen and
// takes what the tasks agree on.
class StudentMerge
{
public:
    explicit StudentMerge(qint64 schoolId)
        : m_schoolId(schoolId)
    {}

    void add(const Student &student);
    // Sorted by name in scalar order, equal names by id.
    QList<Student> sorted() const;

private:
    qint64 m_schoolId;
    QHash<qint64, Student> m_students;
};

// The students of several tasks' lists, each once as StudentMerge keeps them, sorted as it sorts them.
QList<Student> merged(QList<QList<Student>> lists, qint64 schoolId);

} // namespace studentsearch
} // namespace quorvale
