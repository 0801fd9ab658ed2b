#include "app/week/subjecttint.h"

#include "app/look/appearance.h"

#include "core/base/text.h"

#include <algorithm>
#include <cmath>

namespace quorvale {

namespace {

// 2 − φ: successive extra subjects land far apart on the colour wheel.
constexpr double hueStep = 0.3819660112501051;
constexpr double firstExtraHue = 0.17;

bool sameText(const QString &a, const QString &b)
{
    return text::compare(a, b) == 0;
}

} // namespace

QStringList orderedSubjects(const WeeklySchedule &schedule)
{
    QStringList subjects;
    for (const WeekEvent &event : schedule.events()) {
        if (std::none_of(subjects.cbegin(), subjects.cend(),
                         [&](const QString &known) { return sameText(known, event.subject); }))
            subjects.append(event.subject);
    }
    std::sort(subjects.begin(), subjects.end(), text::less);
    return subjects;
}

QColor SubjectTint::resolve(bool dark) const
{
    const auto palette = Appearance::subjectPalette;
    if (index >= 0 && index < int(palette.size()))
        return palette[std::size_t(index)].resolve(dark);
    double whole = 0.0;
    const double hue = std::modf((index - int(palette.size())) * hueStep + firstExtraHue, &whole);
    return dark ? QColor::fromHsvF(float(hue), 0.48f, 0.91f) : QColor::fromHsvF(float(hue), 0.67f, 0.73f);
}

SubjectTint subjectTint(const QStringList &ordered, const QString &subject)
{
    const auto found = std::find_if(ordered.cbegin(), ordered.cend(),
                                    [&](const QString &known) { return sameText(known, subject); });
    return SubjectTint{found == ordered.cend() ? 0 : int(found - ordered.cbegin())};
}

} // namespace quorvale
