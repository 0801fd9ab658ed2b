#include "core/client/studentlookup.h"

#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/base/strictjson.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/studentrequests.h"

#include <algorithm>

namespace quorvale::studentlookup {

namespace {

constexpr qint64 largestTotal = 20;
constexpr qint64 lastPage = 21;

struct CourseTable
{
    qint64 total = 0;
    QJsonArray rows;
};

[[noreturn]] void pagingChanged()
{
    throw DemoError::message(QStringLiteral("个人课表筛选或分页结构发生变化，无法确认完整性"));
}

// The task detail's "data": a non-empty object with a Boolean "isTakeEffect".
QJsonObject readDetail(const QJsonObject &envelope)
{
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    const QJsonObject detail = data.toObject();
    if (!data.isObject() || detail.isEmpty() || !detail.value(QStringLiteral("isTakeEffect")).isBool())
        throw QuorvaleAPIError::invalidResponse();
    return detail;
}

// Only the ordinary weekly timetable is read; cycle days and the exam-reform templates are not.
bool hasReadableLayout(const QJsonObject &detail)
{
    return json::asInteger(detail.value(QStringLiteral("courseTaskType"))) == 1 &&
           json::asInteger(detail.value(QStringLiteral("workRestTableType"))) == 1;
}

QCoro::Task<CourseTable> readCourseTable(QuorvaleAPI *api, qint64 taskId, qint64 studentId)
{
    CourseTable table;
    std::optional<qint64> firstTotal;
    for (qint64 page = 1;; ++page) {
        const QJsonObject envelope = co_await api->request(
            studentrequests::courseTable(taskId, 0, page, studentId), studentrequests::get, std::nullopt);
        const QJsonValue data = envelope.value(QStringLiteral("data"));
        const QJsonObject object = data.toObject();
        const QJsonValue list = object.value(QStringLiteral("list"));
        const QJsonArray rows = list.toArray();
        const std::optional<qint64> total = json::asInteger(object.value(QStringLiteral("totalCount")));
        if (!data.isObject() || !list.isArray() ||
            !std::all_of(rows.begin(), rows.end(), [](const QJsonValue &row) { return row.isObject(); }) ||
            !total || *total < 0 || *total > largestTotal || (firstTotal && *total != *firstTotal))
            pagingChanged();
        if (rows.isEmpty() && table.rows.size() != *total)
            throw DemoError::message(QStringLiteral("个人课表分页中断，请重新读取"));
        for (const QJsonValue &row : rows)
            table.rows.append(row);
        if (table.rows.size() > *total || page == lastPage)
            throw DemoError::message(QStringLiteral("个人课表分页异常"));
        table.total = *total;
        if (table.rows.size() == *total)
            co_return table;
        firstTotal = total;
    }
}

// The rows that are this student's own table: objects whose "objectId" is the student's id as an
// integer (an id given as text does not count).
QJsonArray ownRows(const QJsonArray &rows, qint64 studentId)
{
    QJsonArray own;
    for (const QJsonValue &row : rows) {
        if (json::asInteger(row.toObject().value(QStringLiteral("objectId"))) == studentId)
            own.append(row);
    }
    return own;
}

} // namespace

QCoro::Task<Trial> tryTask(QuorvaleAPI *api, Student student, CourseTaskOption task, bool decisive)
{
    const QJsonObject detail = readDetail(
        co_await api->request(studentrequests::taskDetail(task.id), studentrequests::get, std::nullopt));
    Trial trial;
    if (!detail.value(QStringLiteral("isTakeEffect")).toBool())
        co_return trial;
    if (!hasReadableLayout(detail)) {
        trial.kind = Trial::Kind::UnsupportedLayout;
        co_return trial;
    }
    std::optional<QCoro::Task<flights::Landed<QJsonObject>>> master;
    if (decisive) {
        master = flights::settle(
            api->request(studentrequests::master(task.id), studentrequests::get, std::nullopt));
    }
    flights::Landed<CourseTable> pages = co_await flights::settle(readCourseTable(api, task.id, student.id));
    if (master)
        trial.master = co_await std::move(*master);
    const CourseTable table = pages.take();
    const QJsonArray own = ownRows(table.rows, student.id);
    if (own.isEmpty()) {
        trial.kind = Trial::Kind::NoOwnTable;
        trial.master.reset();
        co_return trial;
    }
    trial.kind = Trial::Kind::Found;
    trial.candidate = Candidate{
        task, detail, QJsonObject{{QStringLiteral("totalCount"), own.size()}, {QStringLiteral("list"), own}}};
    co_return trial;
}

QCoro::Task<std::optional<qint64>> dayParity(QuorvaleAPI *api, Documents documents, qint64 studentId,
                                             QDateTime day)
{
    if (!WeekScheduleBuilder::requiresParity(documents.master, documents.tables, day, studentId))
        co_return std::nullopt;
    if (!documents.semesterId)
        throw DemoError::message(QStringLiteral("单双周课程缺少学期关联，无法确认"));
    const QJsonObject envelope =
        co_await api->request(studentrequests::weekCode(shanghai::dateOf(day), *documents.semesterId),
                              studentrequests::get, std::nullopt);
    const std::optional<qint64> code = json::asInteger(envelope.value(QStringLiteral("data")));
    if (code != 1 && code != 2)
        throw DemoError::message(QStringLiteral("该日期单双周尚未确认"));
    co_return code;
}

WeekDaySchedule noteDay(QDate day, const QString &note)
{
    return WeekDaySchedule{day, {}, note};
}

} // namespace quorvale::studentlookup
