#pragma once

#include "core/model/week.h"

#include <QList>
#include <QString>

// The events of the week that the grid cannot draw, as the list under the grid shows them.
namespace quorvale {

// The merge key of an event: its day, period, subject and room, Base64 of their JSON array.
QString deferredKey(const WeekEvent &event);

// Merges the events of one key into one, in order of each key's first appearance. The merged event
// takes the key as its id, the latest event's day, period, subject and room, the union of the class
// names (without the subject itself), and a time only where every event of the key agrees on it.
QList<WeekEvent> mergeDeferred(const QList<WeekEvent> &events);

// The line under the list's title: why these events are not in the grid.
QString deferredExplanation(const QList<WeekEvent> &deferred);

} // namespace quorvale
