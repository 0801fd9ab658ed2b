#pragma once

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace quorvale {

// A timetable task: the platform's unit of one term timetable, with its first and last day kept as
// the platform wrote them.
struct CourseTaskOption
{
    qint64 id = 0;
    QString taskName;
    std::optional<QString> taskEName;
    QString startDate;
    QString endDate;
    // The platform's "default" mark; none when absent or unreadable.
    std::optional<bool> isDefault;

    // Whether the Shanghai day of the moment lies in the task, both end days included.
    bool contains(const QDateTime &moment) const;
    bool contains(QDate day) const;

    // A platform day text in any accepted form (strict day, ISO instant with zone, Shanghai local
    // date-time) as its Shanghai day; none when unreadable.
    static std::optional<QDate> schoolDay(const QString &text);

    static CourseTaskOption fromJson(const QJsonObject &object);

    bool operator==(const CourseTaskOption &) const = default;
};

} // namespace quorvale
