#include "core/base/text.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <limits>
#include <vector>

namespace quorvale::text {

namespace {

// The scalar that starts at `index`, and where the next one starts. A surrogate without its partner
// reads as U+FFFD, as QString::toUcs4 reads it.
char32_t scalarAt(QStringView text, qsizetype &index)
{
    const QChar unit = text[index++];
    if (unit.isHighSurrogate() && index < text.size() && text[index].isLowSurrogate())
        return QChar::surrogateToUcs4(unit, text[index++]);
    return unit.isSurrogate() ? char32_t(QChar::ReplacementCharacter) : char32_t(unit.unicode());
}

} // namespace

QString comparisonKey(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C);
}

int compareKeys(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t left = scalarAt(a, i);
        const char32_t right = scalarAt(b, j);
        if (left != right)
            return left < right ? -1 : 1;
    }
    if (i == a.size())
        return j == b.size() ? 0 : -1;
    return 1;
}

int compare(const QString &a, const QString &b)
{
    return compareKeys(comparisonKey(a), comparisonKey(b));
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
    struct Part
    {
        QString text;
        QString key;
    };
    std::vector<Part> parts;
    for (const QString &label : labels) {
        for (const QString &part : label.split(QStringLiteral(" / "))) {
            if (!part.isEmpty())
                parts.push_back({part, comparisonKey(part)});
        }
    }
    // One sort: equal keys stay in their given order, so the first spelling of a name is kept.
    const auto before = [](const Part &a, const Part &b) { return compareKeys(a.key, b.key) < 0; };
    std::stable_sort(parts.begin(), parts.end(), before);
    const auto same = [](const Part &a, const Part &b) { return compareKeys(a.key, b.key) == 0; };
    parts.erase(std::unique(parts.begin(), parts.end(), same), parts.end());
    QStringList kept;
    for (const Part &part : parts) {
        if (parts.size() == 1 || part.text != placeholder)
            kept.append(part.text);
    }
    return kept.join(QStringLiteral(" / "));
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

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace quorvale::text
