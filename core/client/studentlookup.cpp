#include "core/client/studentlookup.h"

#include "core/adapters/timetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/base/strictjson.h"
#include "core/client/cancellationerror.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/studentrequests.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace quorvale::studentlookup {

namespace {

constexpr qint64 largestTotal = 20;
constexpr qint64 lastPage = 21;

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

// Every row of the task's course-table pages for the student, the pages checked as they come.
QCoro::Task<QJsonArray> readCourseTable(QuorvaleAPI *api, qint64 taskId, qint64 studentId)
{
    QJsonArray gathered;
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
        if (rows.isEmpty() && gathered.size() != *total)
            throw DemoError::message(QStringLiteral("个人课表分页中断，请重新读取"));
        for (const QJsonValue &row : rows)
            gathered.append(row);
        if (gathered.size() > *total || page == lastPage)
            throw DemoError::message(QStringLiteral("个人课表分页异常"));
        if (gathered.size() == *total)
            co_return gathered;
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

// The three documents the adapters read, decoded once for the day, every day of the week and every
// week-code check.
struct Documents
{
    std::shared_ptr<const platform::TaskBodies> bodies;
    // The detail's "schoolSemesterId" when it is an integer.
    std::optional<qint64> semesterId;
};

// The week code of the moment's day: none when the student's courses of that day are held every
// week; otherwise 1 or 2 as the platform gives it.
QCoro::Task<std::optional<qint64>> dayParity(QuorvaleAPI *api, Documents documents, qint64 studentId,
                                             QDateTime day)
{
    if (!WeekScheduleBuilder::requiresParity(*documents.bodies, day, studentId))
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

// A day of the week that could not be confirmed becomes a note, unless the session is gone or the
// work was called off: those end the whole lookup.
WeekDaySchedule weekDay(QDate day, const std::function<WeekDaySchedule()> &build)
{
    try {
        return build();
    } catch (const QuorvaleAPIError &error) {
        if (error.kind() == QuorvaleAPIError::Kind::Unauthenticated)
            throw;
    } catch (const CancellationError &) {
        throw;
    } catch (const Error &) {
    }
    return noteDay(day, QStringLiteral("该日课表待确认"));
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
    std::optional<QCoro::Task<Settled<QJsonObject>>> master;
    if (decisive) {
        master = settled(api->request(studentrequests::master(task.id), studentrequests::get, std::nullopt));
    }
    Settled<QJsonArray> pages = co_await settled(readCourseTable(api, task.id, student.id));
    if (master)
        trial.master = co_await std::move(*master);
    const QJsonArray own = ownRows(pages.take(), student.id);
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

QCoro::Task<Reading> readChosen(QuorvaleAPI *api, Student student, QDateTime date, Candidate candidate,
                                std::optional<Settled<QJsonObject>> masterAnswer)
{
    const CourseTaskOption &task = candidate.task;
    // A task chosen as soon as its table turned up had its master asked beside the pages.
    if (!masterAnswer)
        masterAnswer = co_await settled(
            api->request(studentrequests::master(task.id), studentrequests::get, std::nullopt));
    const QJsonValue masterData = masterAnswer->take().value(QStringLiteral("data"));
    if (!masterData.isObject())
        throw QuorvaleAPIError::invalidResponse();
    const Documents documents{std::make_shared<const platform::TaskBodies>(platform::TaskBodies::decoded(
                                  json::serialize(candidate.detail), json::serialize(masterData),
                                  json::serialize(candidate.tables))),
                              json::asInteger(candidate.detail.value(QStringLiteral("schoolSemesterId")))};

    // The week codes of all days of the week inside the task are asked at once; the queried day's
    // comes first when they are read, and its failure alone ends the lookup.
    const QList<QDate> days = WeekScheduleBuilder::dates(date);
    const QDate queried = shanghai::dateOf(date);
    std::vector<QCoro::Task<Settled<std::optional<qint64>>>> codeRequests;
    QList<qsizetype> asked;
    for (qsizetype i = 0; i < days.size(); ++i) {
        if (!task.contains(days.at(i)))
            continue;
        const QDateTime moment = days.at(i) == queried ? date : shanghai::startOf(days.at(i));
        codeRequests.push_back(settled(dayParity(api, documents, student.id, moment)));
        asked.append(i);
    }
    std::vector<Settled<std::optional<qint64>>> codes = co_await land(std::move(codeRequests));
    const qsizetype queriedAt = asked.indexOf(days.indexOf(queried));
    const std::optional<qint64> dateCode = codes[std::size_t(queriedAt)].take();

    const Timetable timetable = TimetableAdapter::normalize(student, task, *documents.bodies, date, dateCode);
    QList<WeekDaySchedule> week;
    for (qsizetype i = 0; i < days.size(); ++i) {
        const QDate day = days.at(i);
        const qsizetype at = asked.indexOf(i);
        if (at < 0) {
            week.append(noteDay(day, QStringLiteral("不在课表有效期内")));
            continue;
        }
        Settled<std::optional<qint64>> &code = codes[std::size_t(at)];
        week.append(weekDay(day, [&]() {
            return WeekScheduleBuilder::studentDay(student, task, *documents.bodies, shanghai::startOf(day),
                                                   day == queried ? dateCode : code.take());
        }));
    }
    co_return Reading{timetable, WeekScheduleBuilder::assemble(date, week)};
}

WeekDaySchedule noteDay(QDate day, const QString &note)
{
    return WeekDaySchedule{day, {}, note};
}

} // namespace quorvale::studentlookup
