#include "app/week/deferredevents.h"

#include "app/week/weekmodel.h"

#include "core/base/shanghai.h"
#include "core/base/text.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

namespace quorvale {

namespace {

// A JSON string as a JSON encoder with default settings writes it: slashes are escaped too.
QString jsonString(const QString &value)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '/':
            out += QStringLiteral("\\/");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\b':
            out += QStringLiteral("\\b");
            break;
        case '\f':
            out += QStringLiteral("\\f");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

// The class parts of both events, without blanks and without the subject, once each, in order.
std::optional<QString> mergedClasses(const WeekEvent *old, const WeekEvent &added)
{
    const QString subject = normalized(added.subject);
    QStringList parts;
    for (const WeekEvent *event : {old, &added}) {
        if (!event || !event->className)
            continue;
        for (const QString &part : event->className->split(QStringLiteral(" / "))) {
            const QString trimmed = part.trimmed();
            if (!trimmed.isEmpty() && normalized(trimmed) != subject && !parts.contains(trimmed))
                parts.append(trimmed);
        }
    }
    if (parts.isEmpty())
        return std::nullopt;
    std::stable_sort(parts.begin(), parts.end(), text::less);
    return parts.join(QStringLiteral(" / "));
}

std::optional<qint64> agreed(const std::optional<qint64> &old, const std::optional<qint64> &added)
{
    return old && added && *old == *added ? added : std::nullopt;
}

} // namespace

QString deferredKey(const WeekEvent &event)
{
    // The day as seconds since 1970, written as the shortest form of a double: whole seconds keep ".0".
    const QString day =
        QString::number(shanghai::startOf(event.date).toSecsSinceEpoch()) + QStringLiteral(".0");
    const QStringList fields{day, event.period, event.subject, event.room.value_or(QString())};
    QStringList encoded;
    for (const QString &field : fields)
        encoded.append(jsonString(field));
    const QString json = QLatin1Char('[') + encoded.join(QLatin1Char(',')) + QLatin1Char(']');
    return QString::fromLatin1(json.toUtf8().toBase64());
}

QList<WeekEvent> mergeDeferred(const QList<WeekEvent> &events)
{
    QList<WeekEvent> merged;
    QHash<QString, qsizetype> positions;
    for (const WeekEvent &event : events) {
        const QString key = deferredKey(event);
        const auto known = positions.constFind(key);
        const WeekEvent *old = known == positions.cend() ? nullptr : &merged[*known];
        WeekEvent entry = event;
        entry.id = key;
        entry.className = mergedClasses(old, event);
        if (old) {
            entry.start = agreed(old->start, event.start);
            entry.end = agreed(old->end, event.end);
            merged[*known] = entry;
        } else {
            positions.insert(key, merged.size());
            merged.append(entry);
        }
    }
    return merged;
}

QString deferredExplanation(const QList<WeekEvent> &deferred)
{
    QList<WeekEvent> untimed;
    std::copy_if(deferred.cbegin(), deferred.cend(), std::back_inserter(untimed),
                 [](const WeekEvent &event) { return !event.isTimed(); });
    if (untimed.isEmpty())
        return QStringLiteral("显示时段外的安排");
    const bool otherPeriod = std::any_of(untimed.cbegin(), untimed.cend(), [](const WeekEvent &event) {
        return !event.period.startsWith(QStringLiteral("晚课")) && event.period != QStringLiteral("晚自习");
    });
    return otherPeriod ? QStringLiteral("部分课程作息待确认") : QStringLiteral("晚课时间未提供");
}

} // namespace quorvale
