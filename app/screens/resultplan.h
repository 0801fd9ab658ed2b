#pragma once

#include "app/look/coursestate.h"
#include "core/model/schedule.h"

#include <QList>
#include <QString>
#include <optional>

// What the result area shows for the selected person, decided from the model's state; no widgets.
namespace quorvale {

class Model;

// The part of the model's state the decision reads.
struct ResultInput
{
    bool loadingSchedule = false;
    bool hasSchedule = false;
    std::optional<ScheduleResult> result;
    // The suggestions offer timetable tasks.
    bool taskStage = false;
    qsizetype taskChoices = 0;
    // A teacher's loaded day has entries without times.
    bool untimedTeacherEntries = false;
    QString scheduleStatus;

    static ResultInput from(const Model &model);
};

// The lesson area: one of its kinds, with what that kind shows.
struct LessonPlan
{
    enum class Kind
    {
        nothing,
        loading,
        cards,
        emptyState,
        taskButton,
        errorCard,
    };

    Kind kind = Kind::nothing;
    // Cards: the lessons in order, all in one state.
    QList<DayLesson> lessons;
    CourseState state = CourseState::current;
    // Empty state and error card: the badge's title and the message.
    QString title;
    std::optional<QString> message;

    bool operator==(const LessonPlan &) const = default;
};

LessonPlan planLessons(const ResultInput &input);

} // namespace quorvale
