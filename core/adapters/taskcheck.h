#pragma once

#include "core/adapters/platformtables.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

// The checks a normaliser runs on a task's bodies before it walks one person's courses, and the
// placement of each course on a day. The order is fixed and shared; each translator words its own
// refusals.
namespace quorvale::platform {

struct TaskCheckTexts
{
    QString undecodable;
    QString otherTask;
    QString cycleDays;
    QString incompleteDays;
    QString repeatedCells;
    QString pages;
    QString ownTable;
    QString weekCode;
};

// What the checks confirmed, read from the decoded bodies (which must outlive it).
struct CheckedTask
{
    const Master &master;
    const QHash<qint64, Coordinate> &coordinates;
    // The courses of the person's one table.
    const std::vector<Course> &courses;
};

CheckedTask checkTask(Reader reader, const TaskBodies &bodies, qint64 taskId, qint64 objectId,
                      std::optional<qint64> weekCode, const TaskCheckTexts &texts);

struct PlacementTexts
{
    QString unplaced;
    QString noTemplate;
    QString conflict;
    QString unclear;
    QString publicSlot;
};

struct Placement
{
    // False for a lesson in B1–B7 of a teaching slot; true for activities and slots past B7.
    bool additional = false;
    // "B1".."B7" for a lesson, otherwise the slot's label.
    QString period;
};

// Where a course sits on the day of `dayOrder`; none when its cell lies on another day. Every course
// must have a known cell, whatever its day.
std::optional<Placement> place(const Course &course, const Master &master,
                               const QHash<qint64, Coordinate> &coordinates, qint64 dayOrder,
                               const PlacementTexts &texts);

} // namespace quorvale::platform
