#pragma once

#include "tools/demoplatform/school/schooldata.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <functional>

namespace quorvale::demo {

// The platform's JSON forms of a data set's records: tasks, the timetable master, course objects
// and roster rows. Texts that are empty go out as null, as the platform sends absent names.
class PlatformForms
{
public:
    // The data set must outlive the forms.
    explicit PlatformForms(const SchoolData &data);

    QJsonObject taskSummary(const SchoolTask &task) const;
    QJsonObject taskDetail(const SchoolTask &task) const;
    QJsonObject master(const SchoolTask &task, bool withTimes) const;
    // The task's courses that hold a lesson `attends` accepts; a package keeps only those lessons.
    QJsonArray courses(const SchoolTask &task,
                       const std::function<bool(const SchoolLesson &)> &attends) const;
    QJsonObject rosterRow(const SchoolStudent &student) const;
    QJsonObject option(qint64 id, const QString &name, const QString &englishName) const;

private:
    QJsonObject lesson(const SchoolLesson &lesson, qint64 cellId, bool topLevel) const;
    const SchoolClass *schoolClass(qint64 id) const;

    const SchoolData &m_data;
    QHash<qint64, qsizetype> m_classes;
    QHash<qint64, qsizetype> m_teachers;
    QHash<qint64, qsizetype> m_courses;
};

} // namespace quorvale::demo
