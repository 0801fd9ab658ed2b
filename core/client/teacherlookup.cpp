#include "core/adapters/teachertimetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/base/strictjson.h"
#include "core/client/cancellationerror.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/settled.h"
#include "core/client/studentrequests.h"
#include "core/client/teacherrequests.h"

#include <QJsonArray>
#include <algorithm>
#include <memory>
#include <vector>

namespace quorvale {

namespace {

constexpr double masterLimit = 30;
constexpr qint64 largestTotal = 20;
constexpr qint64 lastPage = 20;

// The three documents the teacher adapter reads, decoded once for the day, every day of the week and
// every week-code check.
struct TeacherDocuments
{
    std::shared_ptr<const platform::TaskBodies> bodies;
    // The detail as the week-code request reads it, or why it does not decode.
    std::optional<TeacherTaskDetail> detail;
    std::exception_ptr detailError;
};

TeacherDocuments decodedDocuments(const QByteArray &detail, const QByteArray &master,
                                  const QByteArray &tables)
{
    TeacherDocuments documents;
    documents.bodies =
        std::make_shared<const platform::TaskBodies>(platform::TaskBodies::decoded(detail, master, tables));
    try {
        documents.detail = TeacherTaskDetail::fromJson(json::parseObject(detail));
    } catch (...) {
        documents.detailError = std::current_exception();
    }
    return documents;
}

QByteArray tablesDocument(qint64 total, const QJsonArray &rows)
{
    QJsonObject document;
    document.insert(QStringLiteral("totalCount"), total);
    document.insert(QStringLiteral("list"), rows);
    return json::serialize(document);
}

// Failures that end the whole lookup rather than one part of it: the session is gone, or the work
// was called off.
bool endsTheLookup(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const QuorvaleAPIError &failure) {
        return failure.kind() == QuorvaleAPIError::Kind::Unauthenticated;
    } catch (const CancellationError &) {
        return true;
    } catch (...) {
        return false;
    }
}

// The week code of the moment's day: none when none of the teacher's lessons of that weekday
// alternates between the weeks; otherwise 1 or 2 as the platform gives it.
QCoro::Task<std::optional<qint64>> dayParity(QuorvaleAPI *api, TeacherDocuments documents, qint64 teacherId,
                                             QDateTime day)
{
    if (!WeekScheduleBuilder::requiresParity(*documents.bodies, day, teacherId))
        co_return std::nullopt;
    if (documents.detailError)
        std::rethrow_exception(documents.detailError);
    if (!documents.detail->schoolSemesterId)
        throw DemoError::message(QStringLiteral("老师单双周课程缺少学期信息"));
    const QString path =
        studentrequests::weekCode(shanghai::dateOf(day), *documents.detail->schoolSemesterId);
    const QJsonObject envelope = co_await api->request(path, studentrequests::get, std::nullopt);
    const std::optional<qint64> code = json::asInteger(envelope.value(QStringLiteral("data")));
    if (code != 1 && code != 2)
        throw DemoError::message(QStringLiteral("该日期老师课程单双周尚未确认"));
    co_return code;
}

// A day of the week that could not be confirmed becomes a note, unless the failure ends the lookup.
WeekDaySchedule weekDay(QDate day, const std::function<WeekDaySchedule()> &build)
{
    try {
        return build();
    } catch (const Error &) {
        if (endsTheLookup(std::current_exception()))
            throw;
    }
    return WeekDaySchedule{day, {}, QStringLiteral("该日课表待确认")};
}

} // namespace

QCoro::Task<QByteArray> QuorvaleAPI::teacherTablesPayload(qint64 teacherId, qint64 taskId)
{
    const QUuid epoch = m_teacherCacheEpoch;
    const QPointer<QuorvaleAPI> self(this);
    QJsonArray rows;
    std::optional<qint64> previousTotal;
    for (qint64 page = 1;; ++page) {
        const QString path = teacherrequests::teacherTables(taskId, teacherId, page);
        const QJsonObject envelope = co_await request(path, studentrequests::get, std::nullopt);
        if (!self)
            throw CancellationError();
        ensureTeacherEpoch(epoch);
        const std::optional<teacherrequests::ListPage> read =
            teacherrequests::readListPage(envelope, largestTotal);
        if (!read || (previousTotal && read->total != *previousTotal) ||
            (read->list.isEmpty() && rows.size() != read->total))
            throw DemoError::message(QStringLiteral("老师课表分页中断或结构发生变化"));
        const qint64 total = read->total;
        for (const QJsonValue &row : read->list)
            rows.append(row);
        if (rows.size() > total || page > lastPage)
            throw DemoError::message(QStringLiteral("老师课表分页异常"));
        if (rows.size() == total) {
            if (rows.size() != 1 ||
                json::asInteger(rows.first().toObject().value(QStringLiteral("objectId"))) != teacherId)
                throw DemoError::message(
                    QStringLiteral("返回数据未唯一对应所选老师，不能替代为其他老师课表"));
            co_return tablesDocument(total, rows);
        }
        previousTotal = total;
    }
}

QCoro::Task<TeacherTaskDocuments> QuorvaleAPI::teacherTaskDocuments(qint64 teacherId, qint64 schoolId,
                                                                    QDateTime date, qint64 taskId)
{
    const std::optional<qint64> picked = taskId;
    const TeacherTaskChoice choice = co_await teacherTaskChoices(schoolId, date, picked);
    if (!choice.chosen || !choice.detail)
        throw DemoError::message(QStringLiteral("请确认老师使用的有效课表"));
    const CourseTaskOption task = *choice.chosen;
    QCoro::Task<Settled<QByteArray>> tablesRequest = settled(teacherTablesPayload(teacherId, task.id));
    QCoro::Task<Settled<QByteArray>> masterRequest =
        settled(teacherPayload(studentrequests::master(task.id), masterLimit));
    Settled<QByteArray> tables = co_await std::move(tablesRequest);
    Settled<QByteArray> master = co_await std::move(masterRequest);
    co_return TeacherTaskDocuments{task, *choice.detail, tables.take(), master.take()};
}

QCoro::Task<TeacherSchedule> QuorvaleAPI::lookupTeacherTimetable(Teacher teacher, qint64 schoolId,
                                                                 QDateTime date, qint64 taskId)
{
    const QUuid epoch = m_teacherCacheEpoch;
    QCoro::Task<Settled<SessionUser>> user = settled(currentUser());
    if (teacher.id < 1) {
        studentrequests::requireSignedIn((co_await std::move(user)).take());
        ensureTeacherEpoch(epoch);
        throw DemoError::message(QStringLiteral("请选择具体老师"));
    }
    // The task, the teacher's tables and the master need nothing of the current user's answer, so
    // they are asked beside it; the user's answer is still judged first.
    QCoro::Task<Settled<TeacherTaskDocuments>> reading =
        settled(teacherTaskDocuments(teacher.id, schoolId, date, taskId));
    Settled<SessionUser> signedIn = co_await std::move(user);
    Settled<TeacherTaskDocuments> read = co_await std::move(reading);
    studentrequests::requireSignedIn(signedIn.take());
    ensureTeacherEpoch(epoch);
    const TeacherTaskDocuments received = read.take();
    const CourseTaskOption &task = received.task;
    const QByteArray &master = received.master;
    const QByteArray &tables = received.tables;
    const TeacherDocuments documents = decodedDocuments(received.detail, master, tables);

    // The class-section map and the week codes of every day inside the task need only the three
    // documents, so they are all asked for at once; their outcomes are read in the lookup's order.
    std::optional<QCoro::Task<Settled<ClassSections>>> sectionsRequest;
    if (teacherNeedsClassSections(master, tables))
        sectionsRequest = settled(loadTeacherClassSections(task.id));
    const QList<QDate> days = WeekScheduleBuilder::dates(date);
    const QDate queried = shanghai::dateOf(date);
    std::vector<QCoro::Task<Settled<std::optional<qint64>>>> codeRequests;
    QList<qsizetype> asked;
    for (qsizetype i = 0; i < days.size(); ++i) {
        const QDate day = days.at(i);
        if (day != queried && !task.contains(day))
            continue;
        const QDateTime moment = day == queried ? date : shanghai::startOf(day);
        codeRequests.push_back(settled(dayParity(this, documents, teacher.id, moment)));
        asked.append(i);
    }
    std::vector<Settled<std::optional<qint64>>> codes = co_await land(std::move(codeRequests));
    ClassSections sections;
    if (sectionsRequest) {
        Settled<ClassSections> loaded = co_await std::move(*sectionsRequest);
        // Without the map the lessons whose times depend on the section stay untimed, with a warning.
        if (!loaded.failed())
            sections = loaded.take();
        else if (endsTheLookup(loaded.error))
            std::rethrow_exception(loaded.error);
    }

    const std::optional<qint64> dateCode = codes[std::size_t(asked.indexOf(days.indexOf(queried)))].take();
    TeacherSchedule schedule =
        TeacherTimetableAdapter::normalize(teacher, task, *documents.bodies, date, sections, dateCode);
    const QString outsideTask = QStringLiteral("不在课表有效期内");
    QList<WeekDaySchedule> week;
    for (qsizetype i = 0; i < days.size(); ++i) {
        const QDate day = days.at(i);
        if (!task.contains(day)) {
            week.append(WeekDaySchedule{day, {}, outsideTask});
            continue;
        }
        // The queried day's translation does not depend on the time of day, so it serves its column.
        if (day == queried) {
            week.append(WeekScheduleBuilder::teacherDay(schedule));
            continue;
        }
        Settled<std::optional<qint64>> &code = codes[std::size_t(asked.indexOf(i))];
        week.append(weekDay(day, [&]() {
            return WeekScheduleBuilder::teacherDay(TeacherTimetableAdapter::normalize(
                teacher, task, *documents.bodies, shanghai::startOf(day), sections, code.take()));
        }));
    }
    ensureTeacherEpoch(epoch);
    schedule.week = WeekScheduleBuilder::assemble(date, week);
    co_return schedule;
}

} // namespace quorvale
