#pragma once

#include "core/model/coursetask.h"
#include "fuzz/fuzzinput.h"

#include <QDateTime>
#include <QTimeZone>
#include <optional>

// One fuzz input as the three bodies of a timetable task (detail, master, tables) and the week code
// of the day, for the normalisers and the week builder.
namespace quorvale::fuzz {

struct TimetableInput
{
    QByteArray detail;
    QByteArray master;
    QByteArray tables;
    std::optional<qint64> weekCode;

    explicit TimetableInput(const QByteArray &input)
    {
        const QList<QByteArray> pieces = piecesOf(input);
        detail = pieces.value(0);
        master = pieces.value(1);
        tables = pieces.value(2);
        // A fourth piece names the week code: none when it is absent or empty.
        const QByteArray code = pieces.value(3);
        if (!code.isEmpty())
            weekCode = qint64(code.front() % 4);
    }

    // A Wednesday morning in Shanghai inside the task below.
    static QDateTime date() { return QDateTime(QDate(2025, 3, 5), QTime(2, 0), QTimeZone::utc()); }
    static CourseTaskOption task()
    {
        return {21,
                QStringLiteral("春季学期"),
                std::nullopt,
                QStringLiteral("2025-02-17"),
                QStringLiteral("2025-07-06"),
                true};
    }
};

} // namespace quorvale::fuzz
