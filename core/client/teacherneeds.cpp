#include "core/base/strictjson.h"
#include "core/base/text.h"
#include "core/client/quorvaleapi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QStringList>
#include <algorithm>

namespace quorvale {

namespace {

// Periods whose bell times are the same in both sections.
const QStringList sharedPeriods = {QStringLiteral("B1"), QStringLiteral("B3"), QStringLiteral("B5"),
                                   QStringLiteral("B6"), QStringLiteral("B7")};
const QStringList activities = {QStringLiteral("ASA"), QStringLiteral("SFL"), QStringLiteral("晚自习"),
                                QStringLiteral("晨会")};
const QString eveningLessonPrefix = QStringLiteral("晚课");
// From this period number on, the times do not depend on the section.
constexpr qint64 firstLatePeriod = 8;

std::optional<QJsonObject> objectOf(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

// A member that is an array of objects only.
std::optional<QJsonArray> objectsAt(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    const QJsonArray array = value.toArray();
    if (!value.isArray() ||
        !std::all_of(array.begin(), array.end(), [](const QJsonValue &item) { return item.isObject(); }))
        return std::nullopt;
    return array;
}

// The one object of the array that the test accepts; none when there is none or more than one.
template <typename Test> std::optional<QJsonObject> sole(const QJsonArray &objects, Test test)
{
    std::optional<QJsonObject> found;
    for (const QJsonValue &value : objects) {
        const QJsonObject object = value.toObject();
        if (!test(object))
            continue;
        if (found)
            return std::nullopt;
        found = object;
    }
    return found;
}

std::optional<qint64> integerAt(const QJsonObject &object, const QString &key)
{
    return json::asInteger(object.value(key));
}

// Whether one lesson may need its class's section to be timed.
bool lessonNeedsSections(const QJsonObject &lesson, const QJsonArray &coordinates, const QJsonArray &periods)
{
    const std::optional<qint64> coordId = integerAt(lesson, QStringLiteral("coordId"));
    if (!coordId)
        return true;
    const std::optional<QJsonObject> coordinate = sole(coordinates, [&coordId](const QJsonObject &c) {
        return integerAt(c, QStringLiteral("id")) == *coordId;
    });
    if (!coordinate)
        return true;
    const std::optional<qint64> order = integerAt(*coordinate, QStringLiteral("sectionOrder"));
    const std::optional<qint64> timeType = integerAt(*coordinate, QStringLiteral("timeType"));
    if (!order || !timeType)
        return true;
    const std::optional<QJsonObject> period = sole(periods, [&order, &timeType](const QJsonObject &p) {
        return integerAt(p, QStringLiteral("sectionOrder")) == *order &&
               integerAt(p, QStringLiteral("timeType")) == *timeType;
    });
    if (!period)
        return true;

    QStringList names;
    for (const QString &key : {QStringLiteral("name"), QStringLiteral("eName")}) {
        const QJsonValue value = period->value(key);
        const QString name = value.isString() ? value.toString().trimmed().toUpper() : QString();
        if (!name.isEmpty())
            names.append(name);
    }
    QMap<QString, qint64> codes;
    for (const QString &name : std::as_const(names)) {
        if (!name.startsWith(u'B'))
            continue;
        if (const std::optional<qint64> number = text::parseInteger(QStringView(name).mid(1)))
            codes.insert(name, *number);
    }
    if (codes.isEmpty()) {
        return std::none_of(names.cbegin(), names.cend(), [](const QString &name) {
            return activities.contains(name) || name.startsWith(eveningLessonPrefix);
        });
    }
    if (codes.size() > 1)
        return true;
    return codes.first() < firstLatePeriod && !sharedPeriods.contains(codes.firstKey());
}

} // namespace

bool QuorvaleAPI::teacherNeedsClassSections(const QByteArray &masterData, const QByteArray &tablesData)
{
    const std::optional<QJsonObject> master = objectOf(masterData);
    if (!master)
        return true;
    const std::optional<QJsonArray> coordinates = objectsAt(*master, QStringLiteral("list"));
    const std::optional<QJsonArray> periods = objectsAt(*master, QStringLiteral("template"));
    if (!coordinates || !periods)
        return true;
    const std::optional<QJsonObject> tables = objectOf(tablesData);
    const std::optional<QJsonArray> list = tables ? objectsAt(*tables, QStringLiteral("list")) : std::nullopt;
    if (!list)
        return true;
    for (const QJsonValue &table : *list) {
        const std::optional<QJsonArray> lessons =
            objectsAt(table.toObject(), QStringLiteral("classCourseTimeTable"));
        if (!lessons)
            return true;
        for (const QJsonValue &lesson : *lessons) {
            if (lessonNeedsSections(lesson.toObject(), *coordinates, *periods))
                return true;
        }
    }
    return false;
}

} // namespace quorvale
