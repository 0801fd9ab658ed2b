#pragma once

#include "core/client/quorvaleapi.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QJsonObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace quorvale::testing {

namespace paths {
inline const QString currentUser = QStringLiteral("/api/MemberShip/GetCurrentUser");
inline const QString taskList = QStringLiteral("/api/CourseTask/GetCourseTasksBySchoolIdForSelect");
inline const QString taskDetail = QStringLiteral("/api/CourseTask/QueryCourseTask");
inline const QString roster = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
inline const QString courseTable = QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable");
inline const QString master = QStringLiteral("/api/CourseTask/CourseTaskMaster");
inline const QString weekCode = QStringLiteral("/api/CourseTask/GetCurrentSingleDoubleSet");
} // namespace paths

// The simulated platform serving a data set on loopback, and a client signed in to it.
class LookupFixture
{
public:
    using Override = std::function<std::optional<demo::HttpResponse>(const demo::HttpRequest &)>;

    LookupFixture();

    // Serves the data set, signs in with its account and empties the request log.
    void open(demo::SchoolData data);

    // The values of a query key in the requests to a path, in the order they arrived.
    QStringList asked(const QString &path, const QString &key) const;
    qsizetype count(const QString &path) const { return platform.requestsTo(path).size(); }

    // Answers the requests to a timetable path that `override` takes on; the rest as the data set says.
    void replace(const QString &path, Override override);
    // Runs `action` as a request to the path whose key holds the value arrives, before it is answered.
    void onArrival(const QString &path, const QString &key, const QString &value,
                   std::function<void()> action);

    demo::DemoPlatform platform;
    std::shared_ptr<const demo::PlatformAnswers> answers;
    std::unique_ptr<QuorvaleAPI> api;
};

// The requests of the log by the levels of their chain, each level's paths without their folders,
// sorted: a request's level is one past the highest among the requests answered before it arrived.
// With every answer delayed alike, answers leave in the order the requests came, so those are the
// first ones of the log.
QList<QStringList> levelsOf(const QList<demo::HttpRequest> &log);

demo::HttpResponse page(qint64 total, const QJsonArray &rows, std::optional<qint64> currentIndex);

// What a task ended with: its value, or the description of its error.
template <typename T> struct Reported
{
    std::optional<T> value;
    QString failure;
};

template <typename T, typename F> QStringList mapped(const QList<T> &items, F text)
{
    QStringList list;
    for (const T &item : items)
        list.append(std::invoke(text, item));
    return list;
}

template <typename T> QStringList idsOf(const QList<T> &items)
{
    return mapped(items, [](const T &item) { return QString::number(item.id); });
}

inline QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// The notes of the week's days, Monday first; days without a note give an empty text.
inline QStringList notesOf(const WeeklySchedule &week)
{
    return mapped(week.days, [](const WeekDaySchedule &day) { return day.note.value_or(QString()); });
}

template <typename T> Reported<T> outcomeOf(QCoro::Task<T> task)
{
    try {
        return {awaitTask(std::move(task)), {}};
    } catch (const Error &error) {
        return {std::nullopt, error.description()};
    }
}

} // namespace quorvale::testing
