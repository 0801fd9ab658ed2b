#include "core/model/timetable.h"

#include "core/base/strictjson.h"

#include <QJsonArray>

namespace quorvale {

namespace {

template <typename T> QList<T> decodeObjects(const QJsonArray &array, const QString &key)
{
    QList<T> values;
    values.reserve(array.size());
    for (const QJsonValue &value : array)
        values.append(T::fromJson(json::toObject(value, key)));
    return values;
}

template <typename T> QJsonArray encodeObjects(const QList<T> &values)
{
    QJsonArray array;
    for (const T &value : values)
        array.append(value.toJson());
    return array;
}

void insertIfPresent(QJsonObject &object, const QString &key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

} // namespace

QString Lesson::id() const
{
    return QStringLiteral("%1-%2-%3-%4-%5-%6")
        .arg(QString::number(studentId), QString::number(weekday), period, subject, room.value_or(QString()),
             weekParity.value_or(QStringLiteral("all")));
}

Lesson Lesson::fromJson(const QJsonObject &object)
{
    return Lesson{json::integer(object, QStringLiteral("studentId")),
                  json::integer(object, QStringLiteral("weekday")),
                  json::string(object, QStringLiteral("period")),
                  json::string(object, QStringLiteral("subject")),
                  json::optionalString(object, QStringLiteral("room")),
                  json::optionalString(object, QStringLiteral("weekParity"))};
}

QJsonObject Lesson::toJson() const
{
    QJsonObject object{{QStringLiteral("studentId"), studentId},
                       {QStringLiteral("weekday"), weekday},
                       {QStringLiteral("period"), period},
                       {QStringLiteral("subject"), subject}};
    insertIfPresent(object, QStringLiteral("room"), room);
    insertIfPresent(object, QStringLiteral("weekParity"), weekParity);
    return object;
}

Timetable Timetable::fromJson(const QJsonObject &object)
{
    Timetable table;
    table.source = json::string(object, QStringLiteral("source"));
    table.isSample = json::boolean(object, QStringLiteral("isSample"));
    table.validFrom = json::string(object, QStringLiteral("validFrom"));
    table.validThrough = json::string(object, QStringLiteral("validThrough"));
    table.weekOneMonday = json::string(object, QStringLiteral("weekOneMonday"));
    const QString idsKey = QStringLiteral("completeStudentIds");
    for (const QJsonValue &value : json::array(object, idsKey))
        table.completeStudentIds.append(json::toInteger(value, idsKey));
    const QJsonObject bells = json::object(object, QStringLiteral("bells"));
    for (auto it = bells.constBegin(); it != bells.constEnd(); ++it) {
        const QString key = QStringLiteral("bells.") + it.key();
        table.bells.insert(it.key(), decodeObjects<Period>(json::toArray(it.value(), key), key));
    }
    table.lessons =
        decodeObjects<Lesson>(json::array(object, QStringLiteral("lessons")), QStringLiteral("lessons"));
    table.unknownOutsideCoreHours = json::optionalBoolean(object, QStringLiteral("unknownOutsideCoreHours"));
    if (const auto warnings = json::optionalArray(object, QStringLiteral("warnings"))) {
        QStringList texts;
        for (const QJsonValue &value : *warnings)
            texts.append(json::toString(value, QStringLiteral("warnings")));
        table.warnings = texts;
    }
    return table;
}

QJsonObject Timetable::toJson() const
{
    QJsonArray ids;
    for (const qint64 id : completeStudentIds)
        ids.append(id);
    QJsonObject bellObject;
    for (auto it = bells.constBegin(); it != bells.constEnd(); ++it)
        bellObject.insert(it.key(), encodeObjects(it.value()));
    QJsonObject object{{QStringLiteral("source"), source},
                       {QStringLiteral("isSample"), isSample},
                       {QStringLiteral("validFrom"), validFrom},
                       {QStringLiteral("validThrough"), validThrough},
                       {QStringLiteral("weekOneMonday"), weekOneMonday},
                       {QStringLiteral("completeStudentIds"), ids},
                       {QStringLiteral("bells"), bellObject},
                       {QStringLiteral("lessons"), encodeObjects(lessons)}};
    if (unknownOutsideCoreHours)
        object.insert(QStringLiteral("unknownOutsideCoreHours"), *unknownOutsideCoreHours);
    if (warnings)
        object.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(*warnings));
    return object;
}

} // namespace quorvale
