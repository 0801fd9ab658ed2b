#pragma once

#include "core/model/week.h"

#include <QColor>
#include <QHash>
#include <QStringList>

// One colour per subject of a week: the subjects in code-point order take the palette's entries in
// turn, and the subjects beyond the palette hues a golden-ratio step apart.
namespace quorvale {

// A subject's colour, chosen by its position among the week's subjects and resolved when drawn.
struct SubjectTint
{
    int index = 0;

    QColor resolve(bool dark) const;

    bool operator==(const SubjectTint &) const = default;
};

// The colours of one week's subjects, worked out once when the week arrives: each subject is put in
// comparison form once, the forms are sorted once, and a colour is then a table look-up.
class SubjectTints
{
public:
    SubjectTints() = default;
    explicit SubjectTints(const WeeklySchedule &schedule);

    // Every subject of the schedule once (canonically equivalent spellings count as one), in code-point
    // order.
    const QStringList &ordered() const { return m_ordered; }
    // The tint of a subject; a subject the week does not have takes the first palette entry.
    SubjectTint tint(const QString &subject) const;

private:
    QStringList m_ordered;
    // Position in `m_ordered`, by the subject's NFC form.
    QHash<QString, int> m_positions;
};

} // namespace quorvale
