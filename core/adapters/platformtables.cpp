#include "core/adapters/platformtables.h"

#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

namespace quorvale::platform {

namespace {

// The members only some translators read: whether they decode is noted instead of thrown.
struct ReaderMembers
{
    bool classIds = true;
    bool classNames = true;
};

template <typename T, typename Decode>
std::vector<T> decodeEach(const QJsonArray &array, const QString &key, Decode decode)
{
    std::vector<T> values;
    values.reserve(array.size());
    for (const QJsonValue &value : array)
        values.push_back(decode(json::toObject(value, key)));
    return values;
}

Coordinate decodeCoordinate(const QJsonObject &object)
{
    return {json::integer(object, QStringLiteral("id")), json::integer(object, QStringLiteral("dayOrder")),
            json::integer(object, QStringLiteral("sectionOrder")),
            json::integer(object, QStringLiteral("timeType"))};
}

Template decodeTemplate(const QJsonObject &object)
{
    return {json::integer(object, QStringLiteral("sectionOrder")),
            json::integer(object, QStringLiteral("timeType")),
            json::optionalString(object, QStringLiteral("name")),
            json::optionalString(object, QStringLiteral("eName"))};
}

Course decodeCourse(const QJsonObject &object, ReaderMembers &members)
{
    Course course;
    course.coordId = json::optionalInteger(object, QStringLiteral("coordId"));
    course.objectType = json::optionalInteger(object, QStringLiteral("objectType"));
    course.name = json::optionalString(object, QStringLiteral("name"));
    course.eName = json::optionalString(object, QStringLiteral("eName"));
    try {
        course.classId = json::optionalInteger(object, QStringLiteral("classId"));
    } catch (const DecodingError &) {
        members.classIds = false;
    }
    try {
        course.className = json::optionalString(object, QStringLiteral("className"));
        course.classEName = json::optionalString(object, QStringLiteral("classEName"));
    } catch (const DecodingError &) {
        members.classNames = false;
    }
    course.playgroundName = json::optionalString(object, QStringLiteral("playgroundName"));
    course.playgroundEName = json::optionalString(object, QStringLiteral("playgroundEName"));
    course.singleDoubleSet = json::optionalInteger(object, QStringLiteral("singleDoubleSet"));
    const QString coursesKey = QStringLiteral("courses");
    if (const auto inner = json::optionalArray(object, coursesKey)) {
        course.courses = decodeEach<Course>(
            *inner, coursesKey, [&members](const QJsonObject &o) { return decodeCourse(o, members); });
    }
    return course;
}

ObjectTable decodeObjectTable(const QJsonObject &object, ReaderMembers &members)
{
    const QString coursesKey = QStringLiteral("classCourseTimeTable");
    return {json::integer(object, QStringLiteral("objectId")),
            decodeEach<Course>(json::array(object, coursesKey), coursesKey,
                               [&members](const QJsonObject &o) { return decodeCourse(o, members); })};
}

Detail decodeDetail(const QByteArray &bytes)
{
    const QJsonObject object = json::parseObject(bytes);
    return {json::optionalInteger(object, QStringLiteral("id")),
            json::integer(object, QStringLiteral("workRestTableType"))};
}

void decodeMaster(const QByteArray &bytes, Master &master, bool &dayOrdersDecode)
{
    const QJsonObject object = json::parseObject(bytes);
    try {
        const QString key = QStringLiteral("dayOrders");
        for (const QJsonValue &value : json::array(object, key))
            master.dayOrders.append(json::toInteger(value, key));
        dayOrdersDecode = true;
    } catch (const DecodingError &) {
        master.dayOrders.clear();
    }
    const QString listKey = QStringLiteral("list");
    for (const QJsonValue &value : json::array(object, listKey))
        master.list.append(decodeCoordinate(json::toObject(value, listKey)));
    const QString templateKey = QStringLiteral("template");
    for (const QJsonValue &value : json::array(object, templateKey))
        master.templates.append(decodeTemplate(json::toObject(value, templateKey)));
}

Tables decodeTables(const QByteArray &bytes, ReaderMembers &members)
{
    const QJsonObject object = json::parseObject(bytes);
    const QString listKey = QStringLiteral("list");
    return {json::integer(object, QStringLiteral("totalCount")),
            decodeEach<ObjectTable>(json::array(object, listKey), listKey, [&members](const QJsonObject &o) {
                return decodeObjectTable(o, members);
            })};
}

} // namespace

bool TaskBodies::decodesFor(Reader reader) const
{
    const bool shared = m_masterDecodes && m_tablesDecode;
    switch (reader) {
    case Reader::Student:
        return shared && m_dayOrdersDecode;
    case Reader::Teacher:
        return shared && m_dayOrdersDecode && m_classIdsDecode && m_classNamesDecode;
    case Reader::Week:
        return shared && m_classNamesDecode;
    }
    return false;
}

TaskBodies TaskBodies::decoded(const QByteArray &detailData, const QByteArray &masterData,
                               const QByteArray &tablesData)
{
    TaskBodies bodies;
    try {
        bodies.detail = decodeDetail(detailData);
    } catch (const DecodingError &) {
        bodies.detail.reset();
    }
    try {
        decodeMaster(masterData, bodies.master, bodies.m_dayOrdersDecode);
        bodies.coordinates = coordinatesById(bodies.master);
        bodies.m_masterDecodes = true;
    } catch (const DecodingError &) {
        bodies.m_masterDecodes = false;
    }
    try {
        ReaderMembers members;
        bodies.tables = decodeTables(tablesData, members);
        bodies.m_classIdsDecode = members.classIds;
        bodies.m_classNamesDecode = members.classNames;
        bodies.m_tablesDecode = true;
    } catch (const DecodingError &) {
        bodies.m_tablesDecode = false;
    }
    return bodies;
}

bool dayPlanIsComplete(const Master &master)
{
    if (master.dayOrders.isEmpty() || master.list.isEmpty() || master.templates.isEmpty())
        return false;
    const auto weekday = [](qint64 day) { return day >= 1 && day <= 7; };
    return std::all_of(master.dayOrders.cbegin(), master.dayOrders.cend(), weekday) &&
           std::all_of(master.list.cbegin(), master.list.cend(), [&](const Coordinate &coordinate) {
               return weekday(coordinate.dayOrder) && master.dayOrders.contains(coordinate.dayOrder);
           });
}

QHash<qint64, Coordinate> coordinatesById(const Master &master)
{
    QHash<qint64, Coordinate> byId;
    for (const Coordinate &coordinate : master.list)
        byId.insert(coordinate.id, coordinate);
    return byId;
}

std::optional<Template> uniqueTemplate(const Master &master, const Coordinate &coordinate)
{
    std::optional<Template> found;
    for (const Template &candidate : master.templates) {
        if (candidate.sectionOrder != coordinate.sectionOrder || candidate.timeType != coordinate.timeType)
            continue;
        if (found)
            return std::nullopt;
        found = candidate;
    }
    return found;
}

QList<const ObjectTable *> tablesOf(const Tables &tables, qint64 objectId)
{
    QList<const ObjectTable *> own;
    for (const ObjectTable &table : tables.list) {
        if (table.objectId == objectId)
            own.append(&table);
    }
    return own;
}

QString textKey(const QStringList &texts)
{
    return QString::fromLatin1(json::serialize(QJsonArray::fromStringList(texts)).toBase64());
}

void refuse(const QString &text)
{
    throw DemoError::message(text);
}

std::optional<QString> firstText(const std::optional<QString> &first, const std::optional<QString> &second)
{
    const QString picked = text::firstNonBlank({first.value_or(QString()), second.value_or(QString())});
    return picked.isEmpty() ? std::nullopt : std::optional(picked);
}

} // namespace quorvale::platform
