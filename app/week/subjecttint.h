#pragma once

#include "core/model/week.h"

#include <QColor>
#include <QStringList>

// One colour per subject of a week: the subjects in code-point order take the palette's entries in
// turn, and the subjects beyond the palette hues a golden-ratio step apart.
namespace quorvale {

// Every subject of the schedule once, in code-point order.
QStringList orderedSubjects(const WeeklySchedule &schedule);

// A subject's colour, chosen by its position among the week's subjects and resolved when drawn.
struct SubjectTint
{
    int index = 0;

    QColor resolve(bool dark) const;

    bool operator==(const SubjectTint &) const = default;
};

// The tint of a subject; a subject the week does not have takes the first palette entry.
SubjectTint subjectTint(const QStringList &ordered, const QString &subject);

} // namespace quorvale
