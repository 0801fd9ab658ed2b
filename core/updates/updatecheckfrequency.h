#pragma once

#include <QList>
#include <QString>
#include <optional>

// How often automatic update checks run: the intervals the settings window offers.
namespace quorvale {

enum class UpdateCheckFrequency
{
    fourHourly,
    sixHourly,
    daily,
    weekly
};

// Every case, in the order the settings window lists them.
QList<UpdateCheckFrequency> allUpdateCheckFrequencies();
// The case name: "fourHourly", "sixHourly", "daily", "weekly".
QString rawValue(UpdateCheckFrequency frequency);
// Accepts exactly the four case names.
std::optional<UpdateCheckFrequency> updateCheckFrequency(const QString &rawValue);
double seconds(UpdateCheckFrequency frequency);
// "每 4 小时", "每 6 小时", "每天", "每周".
QString title(UpdateCheckFrequency frequency);
// The case whose interval is nearest to `interval` seconds; a tie keeps the shorter interval.
UpdateCheckFrequency closestFrequency(double interval);

} // namespace quorvale
