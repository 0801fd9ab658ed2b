#include "core/adapters/taskcheck.h"

#include "core/adapters/slotlabel.h"
#include "core/base/errors.h"

namespace quorvale::platform {

CheckedTask checkTask(Reader reader, const TaskBodies &bodies, qint64 taskId, qint64 objectId,
                      std::optional<qint64> weekCode, const TaskCheckTexts &texts)
{
    if (!bodies.detail || !bodies.decodesFor(reader))
        refuse(texts.undecodable);
    if (bodies.detail->id && *bodies.detail->id != taskId)
        refuse(texts.otherTask);
    if (bodies.detail->workRestTableType != 1)
        refuse(texts.cycleDays);
    if (!dayPlanIsComplete(bodies.master))
        refuse(texts.incompleteDays);
    if (bodies.coordinates.size() != bodies.master.list.size())
        refuse(texts.repeatedCells);
    if (bodies.tables.totalCount < 0 || bodies.tables.totalCount != qint64(bodies.tables.list.size()))
        refuse(texts.pages);
    const auto own = tablesOf(bodies.tables, objectId);
    if (own.size() != 1)
        refuse(texts.ownTable);
    if (weekCode && *weekCode != 1 && *weekCode != 2)
        refuse(texts.weekCode);
    return {bodies.master, bodies.coordinates, own.first()->classCourseTimeTable};
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
