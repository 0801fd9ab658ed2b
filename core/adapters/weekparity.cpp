#include "core/adapters/weekreader.h"
#include "core/adapters/weekschedulebuilder.h"

#include "core/base/errors.h"
#include "core/base/shanghai.h"

namespace quorvale::WeekScheduleBuilder {

namespace {

// Whether the course or any course inside it is bound to one week type. Every inner course is
// asked, so an unknown code deeper down is refused even after a positive answer.
bool tagged(const platform::Course &course, std::optional<qint64> inherited)
{
    const qint64 code = course.singleDoubleSet.value_or(inherited.value_or(0));
    if (code < 0 || code > 2)
        throw DemoError::message(QStringLiteral("课程单双周类型未知"));
    bool answer = code != 0;
    if (course.courses) {
        for (const platform::Course &inner : *course.courses)
            answer = tagged(inner, code) || answer;
    }
    return answer;
}

} // namespace

bool requiresParity(const QByteArray &masterData, const QByteArray &tablesData, const QDateTime &date,
                    qint64 objectId)
{
    return requiresParity(platform::TaskBodies::decoded({}, masterData, tablesData), date, objectId);
}

bool requiresParity(const platform::TaskBodies &week, const QDateTime &date, qint64 objectId)
{
    weekreader::check(week);
    const int dayOrder = shanghai::dateOf(date).dayOfWeek();
    // Only the person's own table counts: another person's week-bound or broken course in the same
    // body must neither force a week-code request nor fail this person's day.
    for (const platform::ObjectTable *table : platform::tablesOf(week.tables, objectId)) {
        for (const platform::Course &course : table->classCourseTimeTable) {
            const auto coordinate =
                course.coordId ? week.coordinates.constFind(*course.coordId) : week.coordinates.constEnd();
            if (coordinate == week.coordinates.constEnd())
                throw DemoError::message(QStringLiteral("周课表课程缺少可确认的星期坐标"));
            if (coordinate->dayOrder == dayOrder && tagged(course, std::nullopt))
                return true;
        }
    }
    return false;
}

} // namespace quorvale::WeekScheduleBuilder
