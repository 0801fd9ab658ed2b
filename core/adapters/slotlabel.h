#pragma once

#include <QString>
#include <optional>

// How a slot template's two labels ("name", "eName") read: a bell period, a slot past B7, a known
// activity, labels that disagree, or labels that say nothing usable. Every timetable translator
// places courses by this one reading and words its own refusals.
namespace quorvale::slotlabel {

struct Reading
{
    enum class Kind
    {
        Period,
        BeyondB7,
        Activity,
        Conflict,
        Unclear
    };
    Kind kind = Kind::Unclear;
    // The period number of Period and BeyondB7.
    qint64 number = 0;
};

Reading read(const std::optional<QString> &name, const std::optional<QString> &eName);

struct Minutes
{
    qint64 start = 0;
    qint64 end = 0;
};

// The built-in bell times of a period in a section ("middle" or "high"); none for any other period.
std::optional<Minutes> bellMinutes(const QString &section, const QString &period);

} // namespace quorvale::slotlabel
