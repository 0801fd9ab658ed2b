#include "core/model/schedule.h"

#include "core/model/calendar.h"

namespace quorvale {

QString DayLesson::time() const
{
    return Engine::time(start) + QStringLiteral("–") + Engine::time(end);
}

} // namespace quorvale
