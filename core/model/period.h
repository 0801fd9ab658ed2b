#pragma once

#include <QJsonObject>
#include <QString>

namespace quorvale {

// One period of a section's bell schedule, with its clock times as "HH:MM" texts.
struct Period
{
    QString id;
    QString start;
    QString end;

    static Period fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Period &) const = default;
};

} // namespace quorvale
