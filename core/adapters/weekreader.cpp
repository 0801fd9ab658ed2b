#include "core/adapters/weekreader.h"

#include "core/base/errors.h"
#include "core/base/shanghai.h"

#include <algorithm>

namespace quorvale::weekreader {

void check(const platform::TaskBodies &bodies)
{
    if (!bodies.decodesFor(platform::Reader::Week))
        throw DemoError::message(QStringLiteral("周课表的课程或坐标结构不完整"));
    const bool daysInRange =
        std::all_of(bodies.master.list.cbegin(), bodies.master.list.cend(),
                    [](const platform::Coordinate &c) { return c.dayOrder >= 1 && c.dayOrder <= 7; });
    if (bodies.coordinates.size() != bodies.master.list.size() || !daysInRange ||
        bodies.tables.totalCount != qint64(bodies.tables.list.size()))
        throw DemoError::message(QStringLiteral("周课表的坐标、星期或分页不完整"));
}

QString dayKey(QDate day)
{
    return QString::number(shanghai::startOf(day).toSecsSinceEpoch()) + QStringLiteral(".0");
}

} // namespace quorvale::weekreader
