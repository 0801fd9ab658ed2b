#include "core/model/harimport.h"

#include "core/model/harentries.h"
#include "core/model/harentryreader.h"
#include "core/model/harroster.h"

#include "core/base/base64.h"
#include "core/base/errors.h"
#include "core/base/platformconfig.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <algorithm>
#include <vector>

namespace quorvale {

namespace {

using L1 = QLatin1String;

bool allObjects(const QJsonArray &array)
{
    return std::all_of(array.begin(), array.end(), [](const QJsonValue &value) { return value.isObject(); });
}

// An array of objects; anything else, including an array with another kind of member, is empty.
QJsonArray objectsOrEmpty(const QJsonValue &value)
{
    const QJsonArray array = value.toArray();
    return allObjects(array) ? array : QJsonArray();
}

qint64 integerOrZero(const QJsonObject &object, L1 key)
{
    return json::asInteger(object.value(key)).value_or(0);
}

// The first value of a field of a student item: the first field with that key name, the first
// object of its values. Every miss on the way gives the empty object.
QJsonObject firstValue(const QJsonArray &fields, L1 keyName)
{
    for (const QJsonValue &value : fields) {
        const QJsonObject object = value.toObject();
        const QJsonValue key = object.value(L1("keyName"));
        if (!key.isString() || key.toString() != keyName)
            continue;
        const QJsonArray values = objectsOrEmpty(object.value(L1("values")));
        return values.isEmpty() ? QJsonObject() : values.first().toObject();
    }
    return {};
}

QString textOf(const QJsonObject &value, L1 member)
{
    const QJsonValue text = value.value(member);
    return text.isString() ? text.toString() : QString();
}

// The entries of the capture; a file without them is not a capture.
QJsonArray entriesOf(const QJsonValue &root)
{
    const QJsonValue log = root.toObject().value(L1("log"));
    const QJsonValue entries = log.toObject().value(L1("entries"));
    if (!entries.isArray() || !allObjects(entries.toArray()))
        throw DemoError::message(QStringLiteral("不是有效 HAR"));
    return entries.toArray();
}

// Whether the entry asked the platform's host for the student-list page.
bool asksForStudentList(const QJsonObject &entry, const QString &host)
{
    const QJsonValue url = entry.value(L1("request")).toObject().value(L1("url"));
    return url.isString() && isStudentListUrl(url.toString(), host);
}

// The response body's bytes: Base64 when the capture says so, otherwise the text as UTF-8. Only the
// bodies of matching entries are ever copied out of the document.
std::optional<QByteArray> bodyOf(const QJsonObject &entry)
{
    const QJsonObject content = entry.value(L1("response")).toObject().value(L1("content")).toObject();
    const QJsonValue text = content.value(L1("text"));
    if (!text.isString())
        return std::nullopt;
    if (content.value(L1("encoding")) == QJsonValue(L1("base64")))
        return base64::decodeStrictly(text.toString());
    return text.toString().toUtf8();
}

// The "data" of a successful envelope with a "list" of objects. A body that is not JSON ends the
// import: the capture is damaged, not merely about something else.
std::optional<QJsonObject> listDataOf(const QByteArray &body)
{
    const QJsonObject envelope = json::parse(body).toObject();
    if (json::asInteger(envelope.value(L1("state"))) != qint64(0))
        return std::nullopt;
    const QJsonValue data = envelope.value(L1("data"));
    const QJsonValue list = data.toObject().value(L1("list"));
    if (!data.isObject() || !list.isArray() || !allObjects(list.toArray()))
        return std::nullopt;
    return data.toObject();
}

// What the entries read so far gave.
struct Reading
{
    // The students of every response read, in the order of the capture.
    std::vector<std::vector<ListedStudent>> listings;
    qint64 reportedTotal = 0;
    QString capturedAt = QStringLiteral("未知");
};

std::optional<StudentListResponse> listResponseOf(const QJsonObject &entry, const QString &host)
{
    if (!asksForStudentList(entry, host))
        return std::nullopt;
    const std::optional<QByteArray> body = bodyOf(entry);
    if (!body)
        return std::nullopt;
    const std::optional<QJsonObject> listData = listDataOf(*body);
    if (!listData)
        return std::nullopt;
    StudentListResponse response{{}, integerOrZero(*listData, L1("totalCount")), std::nullopt};
    for (Student &student : HARImport::parseStudents(listData->value(L1("list")).toArray()))
        response.students.push_back(ListedStudent::of(std::move(student)));
    const QJsonValue started = entry.value(L1("startedDateTime"));
    if (started.isString())
        response.startedAt = started.toString();
    return response;
}

void add(Reading &reading, StudentListResponse &&response)
{
    if (!response.students.empty())
        reading.listings.push_back(std::move(response.students));
    reading.reportedTotal = std::max(reading.reportedTotal, response.totalCount);
    if (response.startedAt)
        reading.capturedAt = *response.startedAt;
}

// Reads one entry with QJsonDocument; false when it is not an object in JSON.
bool readWithDocument(QByteArrayView span, const QString &host, Reading &reading)
{
    QJsonParseError error{};
    const QJsonDocument entry = QJsonDocument::fromJson(QByteArray::fromRawData(span.data(), span.size()), &error);
    if (error.error != QJsonParseError::NoError || !entry.isObject())
        return false;
    if (std::optional<StudentListResponse> response = listResponseOf(entry.object(), host))
        add(reading, std::move(*response));
    return true;
}

// Reads an entry with the quick reader; false when it gave up on it.
bool readQuickly(QByteArrayView span, QuickEntryReader &quickly, Reading &reading)
{
    QuickEntry quick = quickly.read(span);
    if (quick.outcome == QuickEntry::Outcome::Used)
        add(reading, std::move(quick.response));
    return quick.outcome != QuickEntry::Outcome::GaveUp;
}

// The entries one at a time, each read from its own bytes, quickly where the quick reader can; false
// when one of them is not an object in JSON, which reading the whole file then reports.
bool readEntriesApart(const QList<QByteArrayView> &spans, QuickEntryReader &quickly, const QString &host,
                      Reading &reading)
{
    return std::all_of(spans.begin(), spans.end(), [&](QByteArrayView span) {
        return readQuickly(span, quickly, reading) || readWithDocument(span, host, reading);
    });
}

Reading readWholeCapture(const QByteArray &data, const QString &host)
{
    Reading reading;
    for (const QJsonValue &entry : entriesOf(json::parse(data))) {
        if (std::optional<StudentListResponse> response = listResponseOf(entry.toObject(), host))
            add(reading, std::move(*response));
    }
    return reading;
}

} // namespace

HARImport HARImport::parse(const QByteArray &data)
{
    const QString host = platform::origin().host();
    // Read apart, a large capture never lies in memory as one document of all its responses. Each
    // entry is read as the walk passes it, until the quick reader gives up on one: that one and all
    // after it wait until the walk has found the file sound, since reading them may end the import.
    Reading reading;
    QuickEntryReader quickly(host);
    QList<QByteArrayView> waiting;
    const bool walked = forEachHarEntry(data, [&](QByteArrayView span) {
        if (!waiting.isEmpty() || !readQuickly(span, quickly, reading))
            waiting.append(span);
    });
    if (!walked || !readEntriesApart(waiting, quickly, host, reading))
        reading = readWholeCapture(data, host);
    if (reading.listings.empty())
        throw DemoError::message(QStringLiteral("HAR 中没有可解析的学生名单响应"));
    return {schoolStudentsByName(std::move(reading.listings)), reading.reportedTotal, reading.capturedAt};
}

QList<Student> HARImport::parseStudents(const QJsonArray &list)
{
    QList<Student> students;
    for (const QJsonValue &value : list) {
        const QJsonObject item = value.toObject();
        const std::optional<qint64> id = json::asInteger(item.value(L1("id")));
        if (!id)
            continue;
        const QJsonArray fields = objectsOrEmpty(item.value(L1("fieldList")));
        const QJsonObject nameValue = firstValue(fields, L1("name"));
        QString name = textOf(nameValue, L1("cName"));
        if (name.isEmpty())
            name = textOf(nameValue, L1("value"));
        if (name.isEmpty())
            continue;
        students.append(Student{*id, name, textOf(nameValue, L1("eName")), integerOrZero(item, L1("classId")),
                                textOf(firstValue(fields, L1("class")), L1("cName")),
                                integerOrZero(item, L1("schoolId")),
                                integerOrZero(item, L1("studySection"))});
    }
    return students;
}

} // namespace quorvale
