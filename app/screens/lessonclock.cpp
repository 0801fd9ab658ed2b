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

double progress(const DayLesson &lesson, const QDateTime &moment)
{
    const double now = double(secondOfDay(moment)) / 60.0;
    const double span = double(std::max<qint64>(lesson.end - lesson.start, 1));
    return std::clamp((now - double(lesson.start)) / span, 0.0, 1.0);
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
