#pragma once

#include "core/model/calendar.h"
#include "core/model/schedule.h"
#include "core/model/student.h"
#include "core/model/timetable.h"

#include "core/base/shanghai.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTest>

namespace quorvale::fixtures {

inline QDate day(const QString &text)
{
    return Engine::day(text).value();
}

inline QDateTime at(const QString &dayText, const QString &clock)
{
    return shanghai::at(day(dayText), Engine::minutes(clock).value());
}

inline Student student(qint64 id, qint64 studySection)
{
    return Student{id,          QStringLiteral("李明"),    QStringLiteral("Ming Li"),
                   301,         QStringLiteral("高一1班"), 7,
                   studySection};
}

// Valid from Monday 17 February to Sunday 6 July 2025, week one starting on its first day.
inline Timetable validTable()
{
    Timetable table;
    table.source = QStringLiteral("测试课表");
    table.validFrom = QStringLiteral("2025-02-17");
    table.validThrough = QStringLiteral("2025-07-06");
    table.weekOneMonday = QStringLiteral("2025-02-17");
    table.completeStudentIds = {1024, -1};
    table.bells.insert(QStringLiteral("middle"), BellSchedule::periods(QStringLiteral("middle")));
    table.bells.insert(QStringLiteral("high"), BellSchedule::periods(QStringLiteral("high")));
    return table;
}

inline Lesson lesson(qint64 studentId, qint64 weekday, const QString &period, const QString &subject)
{
    return Lesson{studentId, weekday, period, subject, std::nullopt, std::nullopt};
}

inline QStringList subjects(const QList<DayLesson> &lessons)
{
    QStringList names;
    for (const DayLesson &lesson : lessons)
        names.append(lesson.lesson.subject);
    return names;
}

// Compares the message, availability, current subjects and next subject (empty for none).
inline void compareAnswer(const ScheduleResult &result, const QString &message, bool available,
                          const QStringList &current, const QString &next)
{
    QCOMPARE(result.message, message);
    QCOMPARE(result.available, available);
    QCOMPARE(subjects(result.current), current);
    QCOMPARE(result.next ? result.next->lesson.subject : QString(), next);
}

} // namespace quorvale::fixtures
