#include "core/adapters/taskcheck.h"

#include "core/adapters/slotlabel.h"
#include "core/base/errors.h"

namespace quorvale::platform {

CheckedTask checkTask(Reader reader, const QByteArray &detailData, const QByteArray &masterData,
                      const QByteArray &tablesData, qint64 taskId, qint64 objectId,
                      std::optional<qint64> weekCode, const TaskCheckTexts &texts)
{
    Detail detail;
    CheckedTask checked;
    Tables tables;
    try {
        detail = decodeDetail(detailData);
        checked.master = decodeMaster(masterData, reader);
        tables = decodeTables(tablesData, reader);
    } catch (const DecodingError &) {
        refuse(texts.undecodable);
    }
    if (detail.id && *detail.id != taskId)
        refuse(texts.otherTask);
    if (detail.workRestTableType != 1)
        refuse(texts.cycleDays);
    if (!dayPlanIsComplete(checked.master))
        refuse(texts.incompleteDays);
    checked.coordinates = coordinatesById(checked.master);
    if (checked.coordinates.size() != checked.master.list.size())
        refuse(texts.repeatedCells);
    if (tables.totalCount < 0 || tables.totalCount != qint64(tables.list.size()))
        refuse(texts.pages);
    const auto own = tablesOf(tables, objectId);
    if (own.size() != 1)
        refuse(texts.ownTable);
    if (weekCode && *weekCode != 1 && *weekCode != 2)
        refuse(texts.weekCode);
    checked.courses = own.first()->classCourseTimeTable;
    return checked;
}

std::optional<Placement> place(const Course &course, const Master &master,
                               const QHash<qint64, Coordinate> &coordinates, qint64 dayOrder,
                               const PlacementTexts &texts)
{
    const auto coordinate = course.coordId ? coordinates.constFind(*course.coordId) : coordinates.constEnd();
    if (coordinate == coordinates.constEnd())
        refuse(texts.unplaced);
    if (coordinate->dayOrder != dayOrder)
        return std::nullopt;
    const auto slot = uniqueTemplate(master, *coordinate);
    if (!slot)
        refuse(texts.noTemplate);
    const slotlabel::Reading reading = slotlabel::read(slot->name, slot->eName);
    switch (reading.kind) {
    case slotlabel::Reading::Kind::Conflict:
        refuse(texts.conflict);
    case slotlabel::Reading::Kind::Unclear:
        refuse(texts.unclear);
    case slotlabel::Reading::Kind::Period:
        if (coordinate->timeType != 1)
            refuse(texts.publicSlot);
        return Placement{false, QStringLiteral("B") + QString::number(reading.number)};
    case slotlabel::Reading::Kind::BeyondB7:
    case slotlabel::Reading::Kind::Activity:
        break;
    }
    // The name the school gives an activity slot without a label.
    return Placement{true, firstText(slot->name, slot->eName).value_or(QStringLiteral("额外活动"))};
}

} // namespace quorvale::platform
