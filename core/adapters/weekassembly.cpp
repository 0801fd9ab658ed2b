#include "core/adapters/weekreader.h"
#include "core/adapters/weekschedulebuilder.h"

#include "core/base/shanghai.h"

namespace quorvale::WeekScheduleBuilder {

QList<QDate> dates(const QDateTime &containing)
{
    const QDate day = shanghai::dateOf(containing);
    const QDate monday = day.addDays(1 - day.dayOfWeek());
    QList<QDate> week;
    for (int offset = 0; offset < 7; ++offset)
        week.append(monday.addDays(offset));
    return week;
}

WeeklySchedule assemble(const QDateTime &containing, const QList<WeekDaySchedule> &days)
{
    const QList<QDate> columns = dates(containing);
    WeeklySchedule week{columns.first(), {}};
    for (const QDate column : columns) {
        QList<const WeekDaySchedule *> matching;
        for (const WeekDaySchedule &day : days) {
            if (day.date == column)
                matching.append(&day);
        }
        if (matching.isEmpty()) {
            week.days.append({column, {}, QStringLiteral("尚未读取该日课表")});
            continue;
        }
        if (matching.size() > 1) {
            week.days.append({column, {}, QStringLiteral("该日期收到多份课表，请重新读取")});
            continue;
        }
        const WeekDaySchedule &day = *matching.first();
        QList<WeekEvent> kept;
        for (const WeekEvent &event : day.events) {
            if (event.date == column)
                kept.append(event);
        }
        QStringList notes;
        if (day.note)
            notes.append(*day.note);
        if (kept.size() != day.events.size())
            notes.append(QStringLiteral("部分课程日期与该列不一致，已保留为待核对"));
        week.days.append({column, kept, notes.isEmpty() ? std::nullopt : std::optional(notes.join(u'\n'))});
    }
    return week;
}

WeekDaySchedule teacherDay(const TeacherSchedule &schedule)
{
    const QString prefix = weekreader::dayKey(schedule.date) + QStringLiteral("|teacher|");
    WeekDaySchedule day{schedule.date, {}, std::nullopt};
    for (const TeacherEntry &entry : schedule.entries) {
        day.events.append({prefix + entry.id, schedule.date, entry.period, entry.subject, entry.room,
                           entry.className, entry.start, entry.end});
    }
    return day;
}

} // namespace quorvale::WeekScheduleBuilder
