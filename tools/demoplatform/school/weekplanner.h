#pragma once

#include "tools/demoplatform/school/samplerandom.h"

#include <QSet>
#include <optional>
#include <utility>

namespace quorvale::demo {

// Places lessons on the teaching cells of a Monday-to-Friday week (B1–B7) so that no class group and
// no teacher is in two places at once, spreading a class's lessons of one course over the week.
class WeekPlanner
{
public:
    explicit WeekPlanner(SampleRandom &random)
        : m_random(random)
    {}

    // A teaching cell free for all the groups and teachers, now taken for them; none when no cell is.
    std::optional<qint64> take(const QList<qint64> &classIds, const QList<qint64> &teacherIds,
                               qint64 courseId);

private:
    bool isFree(const QList<qint64> &classIds, const QList<qint64> &teacherIds, qint64 slot) const;
    bool repeatsCourse(const QList<qint64> &classIds, qint64 courseId, qint64 day) const;

    SampleRandom &m_random;
    QSet<std::pair<qint64, qint64>> m_classBusy;
    QSet<std::pair<qint64, qint64>> m_teacherBusy;
    QSet<std::pair<qint64, qint64>> m_courseDays;
};

} // namespace quorvale::demo
