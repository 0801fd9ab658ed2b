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
// order is the order of the scalars. A surrogate without its partner reads as U+FFFD, as in
// text::compareKeys.
std::string sortKey(const QString &name)
{
    const QString key = text::comparisonKey(name);
    std::string bytes;
    for (qsizetype i = 0; i < key.size();) {
        const QChar unit = key[i++];
        if (unit.isHighSurrogate() && i < key.size() && key[i].isLowSurrogate())
            appendUtf8(bytes, QChar::surrogateToUcs4(unit, key[i++]));
        else
            appendUtf8(bytes, unit.isSurrogate() ? char32_t(QChar::ReplacementCharacter) : unit.unicode());
    }
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
    ListedStudent *listed = nullptr;

    ByName(std::string bytes, ListedStudent &student)
        : key(std::move(bytes))
        , id(student.id)
        , listed(&student)
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

// The last listing of each id, in the order of the ids.
std::vector<ListedStudent *> lastListings(std::vector<std::vector<ListedStudent>> &listings)
{
    size_t count = 0;
    for (const std::vector<ListedStudent> &students : listings)
        count += students.size();
    std::vector<std::pair<qint64, size_t>> byId;
    std::vector<ListedStudent *> listed;
    byId.reserve(count);
    listed.reserve(count);
    for (std::vector<ListedStudent> &students : listings) {
        for (ListedStudent &student : students) {
            byId.emplace_back(student.id, listed.size());
            listed.push_back(&student);
        }
    }
    std::sort(byId.begin(), byId.end());
    std::vector<ListedStudent *> last;
    for (size_t i = 0; i < byId.size(); ++i) {
        if (i + 1 == byId.size() || byId[i + 1].first != byId[i].first)
            last.push_back(listed[byId[i].second]);
    }
    return last;
}

QString fromUtf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Asks the processor to load a listing into the cache.
void prefetch(const ListedStudent *listed)
{
    const char *bytes = reinterpret_cast<const char *>(listed);
    for (size_t line = 0; line < sizeof(ListedStudent); line += 64)
        __builtin_prefetch(bytes + line);
}

} // namespace

ListedStudent ListedStudent::of(Student student)
{
    ListedStudent listed{student.id, student.classId, student.schoolId, student.studySection, {}, nullptr};
    listed.read = std::make_unique<Student>(std::move(student));
    return listed;
}

QString ListedStudent::name() const
{
    return read ? read->name : fromUtf8(utf8.name);
}

Student ListedStudent::take(std::unordered_map<std::string, QString> &classNames)
{
    if (read)
        return std::move(*read);
    const auto [known, added] = classNames.try_emplace(utf8.className);
    if (added)
        known->second = fromUtf8(utf8.className);
    return {id, fromUtf8(utf8.name), fromUtf8(utf8.englishName), classId, known->second, schoolId, studySection};
}

QList<Student> schoolStudentsByName(std::vector<std::vector<ListedStudent>> listings)
{
    const std::vector<ListedStudent *> last = lastListings(listings);
    std::vector<ByName> sorted;
    sorted.reserve(last.size());
    for (ListedStudent *listed : last) {
        if (listed->studySection == 2 || listed->studySection == 3)
            sorted.emplace_back(sortKey(listed->name()), *listed);
    }
    std::sort(sorted.begin(), sorted.end(), nameThenId);
    QList<Student> students;
    students.reserve(qsizetype(sorted.size()));
    std::unordered_map<std::string, QString> classNames;
    // The listings are visited in name order, all over the memory: each is asked for some way ahead.
    constexpr size_t ahead = 8;
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (i + ahead < sorted.size())
            prefetch(sorted[i + ahead].listed);
        students.append(sorted[i].listed->take(classNames));
    }
    return students;
}

} // namespace quorvale
