#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace quorvale::text {

// Order by Unicode scalar values after NFC normalisation; canonically equivalent texts compare
// equal. QString's own operator< compares UTF-16 units and misorders supplementary-plane names.
int compare(const QString &a, const QString &b);
// The form a text is compared in (NFC); computed once, it lets a sort compare without allocating.
QString comparisonKey(const QString &text);
// The order of `compare` on two comparison keys.
int compareKeys(QStringView a, QStringView b);
inline bool less(const QString &a, const QString &b)
{
    return compare(a, b) < 0;
}

// Case-insensitive containment with canonically equivalent forms counted as equal.
bool containsIgnoringCase(const QString &haystack, const QString &needle);

// The first of the texts that is not blank after trimming, trimmed; empty when all are blank.
QString firstNonBlank(std::initializer_list<QString> candidates);

// Splits class labels at " / ", unites them with the others, drops the placeholder when a real name
// exists, sorts in scalar order and joins them again with " / ".
QString mergeLabels(const QStringList &labels, const QString &placeholder);

// The first `count` characters as a reader counts them (grapheme clusters), so a surrogate pair or
// a combining accent is never cut in two; the whole text when it is shorter.
QString leadingCharacters(const QString &text, int count);

// Strict decimal integer: an optional sign, then ASCII digits only; overflow is failure.
std::optional<qint64> parseInteger(QStringView text);

// The value of one ASCII hexadecimal digit, either case; -1 for any other byte.
int hexDigit(char c);

} // namespace quorvale::text
