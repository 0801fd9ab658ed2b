#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/client/cancellationerror.h"
#include "core/client/quorvaleapi.h"
#include "core/client/settled.h"
#include "core/client/studentrequests.h"
#include "core/client/teacherrequests.h"

#include <QCoroFuture>
#include <QJsonArray>
#include <algorithm>
#include <vector>

namespace quorvale {

namespace {

constexpr qint64 largestTotal = 10000;
constexpr qsizetype pageSize = 50;
constexpr qint64 mostPages = 500;
constexpr qint64 pagesAtOnce = 6;
constexpr qint64 mapLimitMs = 300 * 1000;

using Flight = SharedFlight<ClassSections>;

[[noreturn]] void incompleteRoster()
{
    throw DemoError::message(QStringLiteral("班级学部名单尚未完整获取"));
}

// The roster pages after the first, read by a few readers at once: each reader takes the next page
// nobody has started yet, so a page that answers late never holds the others up. After the first
// failure no reader starts another page; the failure is reported once the readers have ended.
struct RosterReading
{
    QPointer<QuorvaleAPI> api;
    qint64 taskId = 0;
    QUuid epoch;
    qint64 next = 2;
    qint64 last = 1;
    QList<TeacherRosterPage> pages;
    std::exception_ptr failure;
};

QCoro::Task<> readPages(std::shared_ptr<RosterReading> reading)
{
    while (!reading->failure && reading->next <= reading->last) {
        // Voiding the caches calls the fetch off: no further page is asked for.
        if (!reading->api || reading->api->teacherCacheEpoch() != reading->epoch) {
            reading->failure = std::make_exception_ptr(CancellationError());
            break;
        }
        const qint64 page = reading->next++;
        try {
            reading->pages.append(co_await reading->api->teacherRosterPage(reading->taskId, page));
        } catch (...) {
            if (!reading->failure)
                reading->failure = std::current_exception();
        }
    }
}

QCoro::Task<ClassSections> landing(std::shared_ptr<Flight> flight)
{
    co_return co_await flight->future();
}

// Each student's section codes go to every class the student is listed in; only the homeroom
// classes (type 1) decide the codes, and a student without one counts as undetermined.
ClassSections sectionsOf(const QList<TeacherRosterPage> &pages)
{
    ClassSections sections;
    QSet<qint64> seen;
    for (const TeacherRosterPage &page : pages) {
        for (const TeacherRosterStudent &student : page.students) {
            const bool listed = student.classInfos && !student.classInfos->isEmpty() &&
                                std::all_of(student.classInfos->cbegin(), student.classInfos->cend(),
                                            [](const TeacherRosterClass &c) { return c.id >= 1; });
            if (student.studentId < 1 || seen.contains(student.studentId) || !listed)
                throw DemoError::message(QStringLiteral("班级学部名单存在缺失或重复学生，不能确认学部"));
            seen.insert(student.studentId);
            QSet<qint64> codes;
            for (const TeacherRosterClass &group : *student.classInfos) {
                if (group.classType == 1)
                    codes.insert(sectionOfGrade(group.grade));
            }
            if (codes.isEmpty())
                codes.insert(-1);
            for (const TeacherRosterClass &group : *student.classInfos)
                sections[group.id].unite(codes);
        }
    }
    return sections;
}

} // namespace

QCoro::Task<TeacherRosterPage> QuorvaleAPI::teacherRosterPage(qint64 taskId, qint64 page)
{
    const QString path = studentrequests::roster(taskId, QString(), page);
    const QJsonObject envelope = co_await request(path, studentrequests::get, std::nullopt);
    const std::optional<teacherrequests::ListPage> read =
        teacherrequests::readListPage(envelope, largestTotal);
    if (!read || read->list.size() > pageSize)
        throw DemoError::message(QStringLiteral("班级学部名单分页结构无法确认"));
    const std::optional<qint64> index = json::asInteger(read->data.value(QStringLiteral("currentIndex")));
    if (index && *index != page)
        throw DemoError::message(QStringLiteral("班级学部名单返回了错误页码"));
    QList<TeacherRosterStudent> students;
    students.reserve(read->list.size());
    for (const QJsonValue &row : read->list)
        students.append(TeacherRosterStudent::fromJson(row.toObject()));
    if (read->total != 0 && students.isEmpty())
        throw DemoError::message(QStringLiteral("班级学部名单分页中断"));
    co_return TeacherRosterPage{page, read->total, students};
}

QCoro::Task<ClassSections> QuorvaleAPI::loadTeacherClassSections(qint64 taskId)
{
    const auto cached = m_teacherClassMapCache.constFind(taskId);
    if (cached != m_teacherClassMapCache.cend()) {
        // A map stored in the future means the clock was set back: its age is unknown, so it is not
        // trusted, since a stale map gives wrong bell times.
        const qint64 age = cached->createdAt.msecsTo(m_clock());
        if (age >= 0 && age < mapLimitMs) {
            const ClassSections sections = cached->sections;
            co_return sections;
        }
    }
    const QUuid epoch = m_teacherCacheEpoch;
    const QPointer<QuorvaleAPI> self(this);
    std::shared_ptr<Flight> flight;
    QUuid started;
    const auto running = m_teacherClassMapFlights.constFind(taskId);
    if (running != m_teacherClassMapFlights.cend() && running->epoch == epoch && running->task) {
        flight = running->task;
    } else {
        // Registered before the fetch starts, so every later caller of this epoch joins it.
        started = QUuid::createUuid();
        flight = std::make_shared<Flight>();
        m_teacherClassMapFlights.insert(taskId, TeacherClassMapFlight{started, epoch, flight});
        flyClassSections(self, taskId, epoch, flight);
    }

    Settled<ClassSections> end = co_await settled(landing(flight));
    if (!self)
        throw CancellationError();
    if (!started.isNull()) {
        const auto entry = m_teacherClassMapFlights.constFind(taskId);
        if (entry != m_teacherClassMapFlights.cend() && entry->id == started)
            m_teacherClassMapFlights.erase(entry);
    }
    // A fetch that failed while the session changed failed because of the change.
    ensureTeacherEpoch(epoch);
    if (end.error)
        std::rethrow_exception(end.error);
    co_return std::move(*end.value);
}

QCoro::Task<> QuorvaleAPI::flyClassSections(QPointer<QuorvaleAPI> self, qint64 taskId, QUuid epoch,
                                            std::shared_ptr<SharedFlight<ClassSections>> flight)
{
    try {
        if (!self)
            throw CancellationError();
        ClassSections sections = co_await self->fetchTeacherClassSections(taskId, epoch);
        flight->finish(std::move(sections));
    } catch (...) {
        flight->fail(std::current_exception());
    }
}

QCoro::Task<ClassSections> QuorvaleAPI::fetchTeacherClassSections(qint64 taskId, QUuid cacheEpoch)
{
    const QPointer<QuorvaleAPI> self(this);
    const TeacherRosterPage first = co_await teacherRosterPage(taskId, 1);
    if (!self)
        throw CancellationError();
    // The page size is what the platform actually put on the first page.
    const qint64 perPage = std::max<qint64>(1, first.students.size());
    const qint64 pageCount = (first.total + perPage - 1) / perPage;
    if (pageCount > mostPages)
        throw DemoError::message(QStringLiteral("班级学部名单分页过多，需确认返回范围"));

    QList<TeacherRosterPage> pages{first};
    if (pageCount <= 1) {
        if (first.students.size() != first.total)
            incompleteRoster();
    } else {
        auto reading = std::make_shared<RosterReading>();
        reading->api = self;
        reading->taskId = taskId;
        reading->epoch = cacheEpoch;
        reading->last = pageCount;
        std::vector<QCoro::Task<>> readers;
        for (qint64 i = 0; i < std::min(pagesAtOnce, pageCount - 1); ++i)
            readers.push_back(readPages(reading));
        for (QCoro::Task<> &reader : readers)
            co_await std::move(reader);
        if (!self)
            throw CancellationError();
        if (reading->failure)
            std::rethrow_exception(reading->failure);
        qint64 students = 0;
        for (const TeacherRosterPage &page : std::as_const(reading->pages)) {
            if (page.total != first.total)
                incompleteRoster();
            students += page.students.size();
        }
        if (students + first.students.size() != first.total)
            incompleteRoster();
        pages.append(reading->pages);
        std::sort(pages.begin(), pages.end(),
                  [](const TeacherRosterPage &a, const TeacherRosterPage &b) { return a.page < b.page; });
    }

    const ClassSections sections = sectionsOf(pages);
    ensureTeacherEpoch(cacheEpoch);
    m_teacherClassMapCache.insert(taskId, TeacherClassMapCache{m_clock(), sections});
    co_return sections;
}

} // namespace quorvale
