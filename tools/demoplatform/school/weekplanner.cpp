#include "tools/demoplatform/school/weekplanner.h"

#include "tools/demoplatform/school/sampleschool.h"

#include <algorithm>

namespace quorvale::demo {

namespace {

constexpr qint64 schoolDays = 5;
constexpr qint64 teachingRows = 7;

// A slot is day * 10 + row; course days are keyed by course * 10 + day.
qint64 dayOf(qint64 slot)
{
    return slot / 10;
}

} // namespace

std::optional<qint64> WeekPlanner::take(const QList<qint64> &classIds, const QList<qint64> &teacherIds,
                                        qint64 courseId)
{
    QList<qint64> candidates;
    for (qint64 day = 1; day <= schoolDays; ++day) {
        for (qint64 row = 1; row <= teachingRows; ++row)
            candidates.append(day * 10 + row);
    }
    m_random.shuffle(candidates);
    // First look for a day the groups do not have the course yet, then accept any free cell.
    for (const bool spread : {true, false}) {
        for (const qint64 slot : std::as_const(candidates)) {
            if (!isFree(classIds, teacherIds, slot) ||
                (spread && repeatsCourse(classIds, courseId, dayOf(slot))))
                continue;
            for (const qint64 id : classIds) {
                m_classBusy.insert({id, slot});
                m_courseDays.insert({id, courseId * 10 + dayOf(slot)});
            }
            for (const qint64 id : teacherIds)
                m_teacherBusy.insert({id, slot});
            return SampleSchool::cellId(dayOf(slot), slot % 10);
        }
    }
    return std::nullopt;
}

bool WeekPlanner::isFree(const QList<qint64> &classIds, const QList<qint64> &teacherIds, qint64 slot) const
{
    return std::none_of(classIds.cbegin(), classIds.cend(),
                        [&](qint64 id) {
                            return m_classBusy.contains({id, slot});
                        }) &&
           std::none_of(teacherIds.cbegin(), teacherIds.cend(), [&](qint64 id) {
               return m_teacherBusy.contains({id, slot});
           });
}

bool WeekPlanner::repeatsCourse(const QList<qint64> &classIds, qint64 courseId, qint64 day) const
{
    return std::any_of(classIds.cbegin(), classIds.cend(), [&](qint64 id) {
        return m_courseDays.contains({id, courseId * 10 + day});
    });
}

} // namespace quorvale::demo
