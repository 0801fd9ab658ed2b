#include "core/base/text.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <limits>

namespace quorvale::text {

int compare(const QString &a, const QString &b)
{
    const QList<uint> left = a.normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> right = b.normalized(QString::NormalizationForm_C).toUcs4();
    const auto [l, r] = std::mismatch(left.begin(), left.end(), right.begin(), right.end());
    if (l == left.end())
        return r == right.end() ? 0 : -1;
    if (r == right.end())
        return 1;
    return *l < *r ? -1 : 1;
}

bool containsIgnoringCase(const QString &haystack, const QString &needle)
{
    const QString folded = haystack.normalized(QString::NormalizationForm_C).toCaseFolded();
    return folded.contains(needle.normalized(QString::NormalizationForm_C).toCaseFolded());
}

QString leadingCharacters(const QString &text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int taken = 0; taken < count; ++taken) {
        if (finder.toNextBoundary() < 0)
            return text;
    }
    return text.left(finder.position());
}

QString firstNonBlank(std::initializer_list<QString> candidates)
{
    for (const QString &candidate : candidates) {
        const QString trimmed = candidate.trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    return {};
}

QString mergeLabels(const QStringList &labels, const QString &placeholder)
{
    QStringList parts;
    for (const QString &label : labels) {
        for (const QString &part : label.split(QStringLiteral(" / "))) {
            const bool known = std::any_of(parts.cbegin(), parts.cend(),
                                           [&](const QString &p) { return compare(p, part) == 0; });
            if (!part.isEmpty() && !known)
                parts.append(part);
        }
    }
    if (parts.size() > 1)
        parts.removeAll(placeholder);
    std::sort(parts.begin(), parts.end(), less);
    return parts.join(QStringLiteral(" / "));
}

std::optional<qint64> parseInteger(QStringView text)
{
    qsizetype index = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        index = 1;
    }
    if (index == text.size())
        return std::nullopt;
    // Accumulate toward the negative side so that the minimum value still fits.
    qint64 value = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (; index < text.size(); ++index) {
        const char16_t c = text[index].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

} // namespace quorvale::text
