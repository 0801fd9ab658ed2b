#pragma once

#include <QList>
#include <QtGlobal>

namespace quorvale::demo {

// A small fixed-seed generator (SplitMix64) for the sample school. Its sequence is part of the data
// set: the same seed gives the same school on every machine and every Qt version.
class SampleRandom
{
public:
    explicit SampleRandom(quint64 seed)
        : m_state(seed)
    {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number from 0 to bound - 1; bound must be positive.
    qsizetype below(qsizetype bound) { return qsizetype(next() % quint64(bound)); }

    template <typename T> const T &pick(const QList<T> &items) { return items.at(below(items.size())); }

    template <typename T> void shuffle(QList<T> &items)
    {
        for (qsizetype i = items.size() - 1; i > 0; --i)
            items.swapItemsAt(i, below(i + 1));
    }

private:
    quint64 m_state;
};

} // namespace quorvale::demo
