#include "core/adapters/weekreader.h"

#include "core/base/errors.h"
#include "core/base/shanghai.h"

namespace quorvale::weekreader {

WeekTables read(const QByteArray &masterData, const QByteArray &tablesData)
{
    WeekTables week;
    try {
        week.master = platform::decodeMaster(masterData, platform::Reader::Week);
        week.tables = platform::decodeTables(tablesData, platform::Reader::Week);
    } catch (const DecodingError &) {
        throw DemoError::message(QStringLiteral("周课表的课程或坐标结构不完整"));
    }
    week.coordinates = platform::coordinatesById(week.master);
    const bool daysInRange =
        std::all_of(week.master.list.cbegin(), week.master.list.cend(),
                    [](const platform::Coordinate &c) { return c.dayOrder >= 1 && c.dayOrder <= 7; });
    if (week.coordinates.size() != week.master.list.size() || !daysInRange ||
        week.tables.totalCount != qint64(week.tables.list.size()))
        throw DemoError::message(QStringLiteral("周课表的坐标、星期或分页不完整"));
    return week;
}

QString dayKey(QDate day)
{
    return QString::number(shanghai::startOf(day).toSecsSinceEpoch()) + QStringLiteral(".0");
}

} // namespace quorvale::weekreader
