#include "app/screens/lessonclock.h"

#include "core/base/shanghai.h"

#include <algorithm>
#include <cmath>

namespace quorvale::lessonclock {

namespace {

// Seconds since midnight in Shanghai.
qint64 secondOfDay(const QDateTime &moment)
{
    const QTime time = shanghai::timeOf(moment);
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}

} // namespace

QString lessonKey(const DayLesson &lesson)
{
    return lesson.lesson.id() + QLatin1Char('|') + QString::number(lesson.start) + QLatin1Char('|') +
           QString::number(lesson.end);
}

QString countdown(const DayLesson &lesson, const QDateTime &moment)
{
    const qint64 now = secondOfDay(moment);
    const bool beforeStart = now < lesson.start * 60;
    const qint64 target = beforeStart ? lesson.start * 60 : lesson.end * 60;
    const qint64 minutes = std::max<qint64>(qint64(std::ceil(double(target - now) / 60.0)), 0);
    return QStringLiteral("距%1 %2 分钟")
        .arg(beforeStart ? QStringLiteral("上课") : QStringLiteral("下课"), QString::number(minutes));
}

double LessonRun::fraction() const
{
    return double(seconds) / double(length);
}

int LessonRun::percent() const
{
    // In whole numbers: a share such as 0.29 times 100 falls just below 29 in floating point.
    return int(seconds * 100 / length);
}

LessonRun progress(const DayLesson &lesson, const QDateTime &moment)
{
    const qint64 length = std::max<qint64>(lesson.end - lesson.start, 1) * 60;
    return {std::clamp<qint64>(secondOfDay(moment) - lesson.start * 60, 0, length), length};
}

QString roomText(const DayLesson &lesson)
{
    const QString room = lesson.lesson.room.value_or(QString());
    return room.isEmpty() ? QStringLiteral("教室待确认") : room;
}

QString periodLine(const DayLesson &lesson)
{
    return lesson.lesson.period + QStringLiteral("  ·  ") + lesson.time();
}

} // namespace quorvale::lessonclock
