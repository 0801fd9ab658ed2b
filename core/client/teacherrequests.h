#pragma once

#include "core/base/strictjson.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The requests only the teacher side sends, and the reading of the list answers it decodes. The
// requests both sides share (task list, task detail, master, roster, week code) are those of
// studentrequests.h.
namespace quorvale::teacherrequests {

QString courseList(qint64 taskId);
// The teachers of one course of a task; course 0 lists the teachers of all courses.
QString teacherList(qint64 courseId, qint64 taskId);
QString teacherTables(qint64 taskId, qint64 teacherId, qint64 pageIndex);

// One page of a paged platform list, read from its envelope.
struct ListPage
{
    // The "data" object, for the members only some lists have.
    QJsonObject data;
    qint64 total = 0;
    QJsonArray list;
};

// The page when "data" is an object whose "totalCount" is an integer from 0 to `largestTotal` and
// whose "list" is an array of objects; none otherwise.
std::optional<ListPage> readListPage(const QJsonObject &envelope, qint64 largestTotal);

// A cached "data" that must be a JSON array of objects, each decoded with T::fromJson; any other
// form throws DecodingError.
template <typename T> QList<T> decodeList(const QByteArray &data)
{
    const QJsonArray array = json::toArray(json::parse(data));
    QList<T> items;
    items.reserve(array.size());
    for (const QJsonValue &item : array)
        items.append(T::fromJson(json::toObject(item)));
    return items;
}

} // namespace quorvale::teacherrequests
