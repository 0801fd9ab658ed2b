#include "app/screens/querydate.h"

#include "core/base/shanghai.h"

#include <QLocale>
#include <QTimeZone>

namespace quorvale::querydate {

QString text(const QDateTime &moment)
{
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    return chinese.toString(moment.toTimeZone(shanghai::zone()), QStringLiteral("M月d日 ddd AP h:mm"));
}

QDateTime toWallClock(const QDateTime &moment)
{
    const QDateTime local = moment.toTimeZone(shanghai::zone());
    return QDateTime(local.date(), local.time(), QTimeZone::utc());
}

QDateTime fromWallClock(const QDateTime &wallClock)
{
    return QDateTime(wallClock.date(), wallClock.time(), shanghai::zone()).toUTC();
}

} // namespace quorvale::querydate
