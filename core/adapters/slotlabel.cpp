#include "core/adapters/slotlabel.h"

#include "core/base/text.h"
#include "core/model/calendar.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

namespace quorvale::slotlabel {

namespace {

// "B" and the plain decimal form of a number of at least 1: "B03", "B+3" and "B 3" are not periods.
std::optional<qint64> periodNumber(const QString &label)
{
    if (!label.startsWith(u'B'))
        return std::nullopt;
    const auto number = text::parseInteger(QStringView(label).mid(1));
    if (!number || *number < 1 || label != QStringLiteral("B") + QString::number(*number))
        return std::nullopt;
    return number;
}

bool isActivity(const QString &label)
{
    static const QStringList fixed = {QStringLiteral("ASA"), QStringLiteral("SFL"), QStringLiteral("晚自习"),
                                      QStringLiteral("晨会")};
    if (fixed.contains(label))
        return true;
    // The numbered evening classes: 晚课1, 晚课2, ...
    const QString evening = QStringLiteral("晚课");
    if (!label.startsWith(evening))
        return false;
    const auto number = text::parseInteger(QStringView(label).mid(evening.size()));
    return number && *number >= 1;
}

} // namespace

Reading read(const std::optional<QString> &name, const std::optional<QString> &eName)
{
    QStringList labels;
    for (const auto &label : {name, eName}) {
        if (label)
            labels.append(label->trimmed().toUpper());
    }
    std::optional<qint64> number;
    for (const QString &label : labels) {
        const auto found = periodNumber(label);
        if (found && number && *found != *number)
            return {Reading::Kind::Conflict, 0};
        if (found)
            number = found;
    }
    if (number)
        return {*number <= 7 ? Reading::Kind::Period : Reading::Kind::BeyondB7, *number};
    for (const QString &label : labels) {
        if (isActivity(label))
            return {Reading::Kind::Activity, 0};
    }
    return {Reading::Kind::Unclear, 0};
}

std::optional<Minutes> bellMinutes(const QString &section, const QString &period)
{
    // The bell schedules never change, so their minutes are worked out once.
    static const QHash<QString, QHash<QString, std::optional<Minutes>>> schedules = [] {
        QHash<QString, QHash<QString, std::optional<Minutes>>> bySection;
        for (const QString &name : {QStringLiteral("middle"), QStringLiteral("high")}) {
            QHash<QString, std::optional<Minutes>> &byPeriod = bySection[name];
            for (const Period &bell : BellSchedule::periods(name)) {
                const auto start = Engine::minutes(bell.start);
                const auto end = Engine::minutes(bell.end);
                if (!byPeriod.contains(bell.id))
                    byPeriod.insert(bell.id,
                                    start && end ? std::optional(Minutes{*start, *end}) : std::nullopt);
            }
        }
        return bySection;
    }();
    const auto bells = schedules.constFind(section);
    if (bells == schedules.constEnd())
        return std::nullopt;
    const auto bell = bells->constFind(period);
    if (bell == bells->constEnd())
        return std::nullopt;
    return *bell;
}

} // namespace quorvale::slotlabel
