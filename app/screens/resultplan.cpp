#include "app/screens/resultplan.h"

#include "app/state/model.h"

namespace quorvale {

ResultInput ResultInput::from(const Model &model)
{
    const std::optional<TeacherSchedule> &teacher = model.teacherSchedule();
    return {model.loadingSchedule(),
            model.hasSchedule(),
            model.result(),
            model.suggestionStage() == SuggestionStage::Tasks,
            model.taskChoices().size(),
            model.queryKind() == QueryKind::Teacher && teacher && !teacher->untimedEntries().isEmpty(),
            model.scheduleStatus()};
}

namespace {

using Kind = LessonPlan::Kind;

LessonPlan only(Kind kind)
{
    LessonPlan plan;
    plan.kind = kind;
    return plan;
}

LessonPlan cards(const QList<DayLesson> &lessons, CourseState state)
{
    LessonPlan plan = only(Kind::cards);
    plan.lessons = lessons;
    plan.state = state;
    return plan;
}

LessonPlan badged(Kind kind, CourseState state, const QString &title, const std::optional<QString> &message)
{
    LessonPlan plan = only(kind);
    plan.state = state;
    plan.title = title;
    plan.message = message;
    return plan;
}

} // namespace

LessonPlan planLessons(const ResultInput &input)
{
    if (input.loadingSchedule)
        return only(Kind::loading);
    if (input.hasSchedule) {
        if (!input.result)
            return only(Kind::nothing);
        const ScheduleResult &result = *input.result;
        // Overlapping lessons are each a conflict; a running lesson hides the next one.
        if (!result.current.isEmpty()) {
            return cards(result.current,
                         result.current.size() > 1 ? CourseState::failure : CourseState::current);
        }
        if (result.available) {
            if (result.next)
                return cards({*result.next}, CourseState::upcoming);
            return badged(Kind::emptyState, CourseState::free, QStringLiteral("当前无课"), std::nullopt);
        }
        return {Kind::emptyState,
                {},
                CourseState::unknown,
                input.untimedTeacherEntries ? QStringLiteral("授课时间待确认")
                                            : QStringLiteral("当前时段未确认"),
                result.message};
    }
    if (input.taskStage && input.taskChoices >= 2)
        return only(Kind::taskButton);
    return badged(Kind::errorCard, CourseState::failure, QStringLiteral("课表读取失败"),
                  input.scheduleStatus);
}

} // namespace quorvale
