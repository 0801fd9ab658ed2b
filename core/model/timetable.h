#pragma once

#include "core/model/period.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvale {

// One weekly lesson of one student.
struct Lesson
{
    qint64 studentId = 0;
    // 1 = Monday ... 7 = Sunday.
    qint64 weekday = 0;
    QString period;
    QString subject;
    std::optional<QString> room;
    // "odd" or "even" for a lesson held only in those teaching weeks; none for every week.
    std::optional<QString> weekParity;

    // "studentId-weekday-period-subject-room-parity", with an empty room and "all" for none.
    QString id() const;

    static Lesson fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Lesson &) const = default;
};

// A confirmed personal timetable of one or more students: where it is valid, whom it covers
// completely, the bell schedule per section and the weekly lessons. Checked by validate() before use.
struct Timetable
{
    QString source;
    bool isSample = false;
    QString validFrom;
    QString validThrough;
    QString weekOneMonday;
    QList<qint64> completeStudentIds;
    // Section key ("middle", "high", possibly others) to its periods.
    QMap<QString, QList<Period>> bells;
    QList<Lesson> lessons;
    std::optional<bool> unknownOutsideCoreHours;
    std::optional<QStringList> warnings;

    // Throws DemoError with the message of the first failing check.
    void validate() const;

    static Timetable fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Timetable &) const = default;
};

} // namespace quorvale
