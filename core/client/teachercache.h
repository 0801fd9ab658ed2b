#pragma once

#include "core/adapters/teachertimetableadapter.h"
#include "core/client/sharedflight.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QUuid>
#include <memory>

namespace quorvale {

// A class-section map kept for one timetable task.
struct TeacherClassMapCache
{
    QDateTime createdAt;
    ClassSections sections;
};

// The "data" of one teacher-side answer, kept under its request path with the query.
struct TeacherResponseCache
{
    QDateTime createdAt;
    QUuid epoch;
    QByteArray data;
};

// A class-section map being built for one task; later callers await the same flight.
struct TeacherClassMapFlight
{
    QUuid id;
    QUuid epoch;
    std::shared_ptr<SharedFlight<ClassSections>> task;
};

} // namespace quorvale
