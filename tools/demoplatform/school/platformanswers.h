#pragma once

#include "tools/demoplatform/school/platformforms.h"
#include "tools/demoplatform/school/schooldata.h"

#include <QByteArray>
#include <QJsonValue>
#include <QMap>
#include <QStringList>
#include <optional>

namespace quorvale::demo {

// What the platform answers to one request: the "data" of a successful envelope (state 0), or a
// refusal with its state and Chinese text.
struct PlatformAnswer
{
    static constexpr qint64 refusedState = 1;

    qint64 state = 0;
    QJsonValue data;
    QString message;

    bool succeeded() const { return state == 0; }
    static PlatformAnswer success(const QJsonValue &data) { return {0, data, {}}; }
    static PlatformAnswer refusal(const QString &message) { return {refusedState, QJsonValue(), message}; }
    bool operator==(const PlatformAnswer &) const = default;
};

// The platform's timetable endpoints over a data set: for a GET path and its decoded query items,
// the answer the platform gives. Each endpoint takes exactly its own query keys and refuses others,
// so a client that sends a wrong key learns it at once. Pure and synchronous.
class PlatformAnswers
{
public:
    explicit PlatformAnswers(SchoolData data);
    PlatformAnswers(const PlatformAnswers &) = delete;
    PlatformAnswers &operator=(const PlatformAnswers &) = delete;

    const SchoolData &data() const { return m_data; }

    // None when the path is not one of paths().
    std::optional<PlatformAnswer> answer(const QString &path, const QMap<QString, QString> &query) const;

    // The timetable endpoints, as absolute paths.
    static const QStringList &paths();

    // Query items as the platform reads them: "+" is a space, then percent-decoding as UTF-8; of a
    // repeated key the first counts.
    static QMap<QString, QString> parseQuery(const QByteArray &encodedQuery);

private:
    PlatformAnswer taskList(const QMap<QString, QString> &query) const;
    PlatformAnswer taskDetail(const QMap<QString, QString> &query) const;
    PlatformAnswer master(const QMap<QString, QString> &query) const;
    PlatformAnswer studentTables(const QMap<QString, QString> &query) const;
    PlatformAnswer weekCode(const QMap<QString, QString> &query) const;
    PlatformAnswer roster(const QMap<QString, QString> &query) const;
    PlatformAnswer courseList(const QMap<QString, QString> &query) const;
    PlatformAnswer teacherList(const QMap<QString, QString> &query) const;
    PlatformAnswer teacherTables(const QMap<QString, QString> &query) const;

    // The students who take part in a task: those in a group that one of its lessons is for.
    QList<const SchoolStudent *> taskStudents(const SchoolTask &task) const;
    // The teachers of a task's lessons, of one course or (course 0) of all, in the staff list's order.
    QList<const SchoolTeacher *> taskTeachers(const SchoolTask &task, qint64 courseId) const;

    SchoolData m_data;
    PlatformForms m_forms;
};

} // namespace quorvale::demo
