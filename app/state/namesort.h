#pragma once

#include "core/base/text.h"

#include <QList>
#include <algorithm>

namespace quorvale {

// Sorted by name in Unicode scalar order after canonical normalisation, without locale or collation;
// equal names keep the order they came in.
template <typename T> QList<T> sortedByName(QList<T> items)
{
    std::stable_sort(items.begin(), items.end(),
                     [](const T &a, const T &b) { return text::less(a.name, b.name); });
    return items;
}

} // namespace quorvale
