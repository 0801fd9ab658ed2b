#include "core/model/harroster.h"

#include "core/model/jsonscanner.h"

#include "core/base/text.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <string>

namespace quorvale {

namespace {

// The comparison key of a name as bytes: every scalar of its comparison form in UTF-8, whose byte
// order is the order of the scalars.
std::string sortKey(const QString &name)
{
    std::string bytes;
    for (const char32_t scalar : text::comparisonKey(name).toUcs4())
        appendUtf8(bytes, scalar);
    return bytes;
}

// A student to sort, with the key of their name worked out once. The first 16 bytes of the key,
// padded with zeros, are kept as two numbers that order as the bytes do, so most comparisons never
// look further; only when they are equal do the whole keys decide.
struct ByName
{
    quint64 head[2] = {0, 0};
    std::string key;
    qint64 id = 0;
    Student *student = nullptr;

    ByName(std::string bytes, Student &listed)
        : key(std::move(bytes))
        , id(listed.id)
        , student(&listed)
    {
        char padded[sizeof head] = {};
        std::memcpy(padded, key.data(), std::min(key.size(), sizeof padded));
        head[0] = qFromBigEndian<quint64>(padded);
        head[1] = qFromBigEndian<quint64>(padded + sizeof(quint64));
    }
};

bool nameThenId(const ByName &a, const ByName &b)
{
    if (a.head[0] != b.head[0])
        return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1])
        return a.head[1] < b.head[1];
    const int order = a.key.compare(b.key);
    return order != 0 ? order < 0 : a.id < b.id;
}

// Where each id was listed last, in the order of the ids.
std::vector<size_t> lastListings(const std::vector<Student> &listed)
{
    std::vector<std::pair<qint64, size_t>> byId;
    byId.reserve(listed.size());
    for (size_t i = 0; i < listed.size(); ++i)
        byId.emplace_back(listed[i].id, i);
    std::sort(byId.begin(), byId.end());
    std::vector<size_t> last;
    last.reserve(byId.size());
    for (size_t i = 0; i < byId.size(); ++i) {
        if (i + 1 == byId.size() || byId[i + 1].first != byId[i].first)
            last.push_back(byId[i].second);
    }
    return last;
}

} // namespace

QList<Student> schoolStudentsByName(std::vector<Student> listed)
{
    std::vector<ByName> sorted;
    for (const size_t index : lastListings(listed)) {
        Student &student = listed[index];
        if (student.studySection == 2 || student.studySection == 3)
            sorted.emplace_back(sortKey(student.name), student);
    }
    std::sort(sorted.begin(), sorted.end(), nameThenId);
    QList<Student> students;
    students.reserve(qsizetype(sorted.size()));
    for (const ByName &entry : sorted)
        students.append(std::move(*entry.student));
    return students;
}

} // namespace quorvale
