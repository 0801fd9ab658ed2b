#include "app/week/subjecttint.h"

#include "app/look/appearance.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace quorvale {

namespace {

// 2 − φ: successive extra subjects land far apart on the colour wheel.
constexpr double hueStep = 0.3819660112501051;
constexpr double firstExtraHue = 0.17;

QString canonical(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C);
}

// One distinct subject: its first spelling, its NFC form, and that form's scalar values, the sort key.
struct Distinct
{
    QString spelling;
    QString form;
    std::u32string scalars;
};

} // namespace

QColor SubjectTint::resolve(bool dark) const
{
    const auto palette = Appearance::subjectPalette;
    if (index >= 0 && index < int(palette.size()))
        return palette[std::size_t(index)].resolve(dark);
    double whole = 0.0;
    const double hue = std::modf((index - int(palette.size())) * hueStep + firstExtraHue, &whole);
    return dark ? QColor::fromHsvF(float(hue), 0.48f, 0.91f) : QColor::fromHsvF(float(hue), 0.67f, 0.73f);
}

SubjectTints::SubjectTints(const WeeklySchedule &schedule)
{
    qsizetype events = 0;
    for (const WeekDaySchedule &day : schedule.days)
        events += day.events.size();
    QSet<QString> seen;
    seen.reserve(events);
    std::vector<Distinct> distinct;
    for (const WeekDaySchedule &day : schedule.days) {
        for (const WeekEvent &event : day.events) {
            QString form = canonical(event.subject);
            if (seen.contains(form))
                continue;
            seen.insert(form);
            const QList<uint> scalars = form.toUcs4();
            distinct.push_back({event.subject, std::move(form), std::u32string(scalars.cbegin(), scalars.cend())});
        }
    }
    std::sort(distinct.begin(), distinct.end(),
              [](const Distinct &a, const Distinct &b) { return a.scalars < b.scalars; });
    m_ordered.reserve(qsizetype(distinct.size()));
    m_positions.reserve(qsizetype(distinct.size()));
    for (const Distinct &subject : distinct) {
        m_positions.insert(subject.form, int(m_ordered.size()));
        m_ordered.append(subject.spelling);
    }
}

SubjectTint SubjectTints::tint(const QString &subject) const
{
    const auto found = m_positions.constFind(subject);
    if (found != m_positions.cend())
        return SubjectTint{*found};
    return SubjectTint{m_positions.value(canonical(subject), 0)};
}

} // namespace quorvale
