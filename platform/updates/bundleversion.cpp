#include "platform/updates/bundleversion.h"

#include <QList>
#include <QStringList>

namespace quorvale::updates {

namespace {

std::optional<QList<quint64>> parts(const QString &version)
{
    QList<quint64> numbers;
    for (const QString &part : version.split(u'.')) {
        if (part.isEmpty() || part.size() > 18)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
        }
        numbers.append(part.toULongLong());
    }
    return numbers;
}

} // namespace

std::optional<int> compareVersions(const QString &a, const QString &b)
{
    const auto left = parts(a);
    const auto right = parts(b);
    if (!left || !right)
        return std::nullopt;
    for (qsizetype i = 0; i < std::max(left->size(), right->size()); ++i) {
        const quint64 x = left->value(i, 0);
        const quint64 y = right->value(i, 0);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace quorvale::updates
