#include "core/client/studentsearch.h"

#include "core/adapters/studentrow.h"
#include "core/base/errors.h"
#include "core/base/namesort.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/settled.h"
#include "core/client/studentrequests.h"

#include <QCoroTimer>
#include <QJsonArray>
#include <algorithm>
#include <deque>

namespace quorvale::studentsearch {

namespace {

constexpr qint64 largestTotal = 10000;
constexpr qsizetype pagesOnTheirWay = 24;

QString unconfirmedClass()
{
    return QStringLiteral("班级待确认");
}

[[noreturn]] void incompletePages()
{
    throw DemoError::message(QStringLiteral("课表学生名单分页不完整，请重新查询"));
}

// Whether a task check answer says the task is in effect; its "id" and "schoolId", when given as
// integers, must name the task and school asked about.
bool readInEffect(const QJsonObject &envelope, qint64 taskId, qint64 schoolId)
{
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    const QJsonObject detail = data.toObject();
    const QJsonValue inEffect = detail.value(QStringLiteral("isTakeEffect"));
    const std::optional<qint64> id = json::asInteger(detail.value(QStringLiteral("id")));
    const std::optional<qint64> school = json::asInteger(detail.value(QStringLiteral("schoolId")));
    if (!data.isObject() || !inEffect.isBool() || (id && *id != taskId) || (school && *school != schoolId))
        throw QuorvaleAPIError::invalidResponse();
    return inEffect.toBool();
}

QList<Student> byNameThenId(QList<Student> students)
{
    std::sort(students.begin(), students.end(),
              [](const Student &a, const Student &b) { return a.id < b.id; });
    return sortedByName(std::move(students));
}

QCoro::Task<bool> checkInEffect(QuorvaleAPI *api, qint64 taskId, qint64 schoolId)
{
    const QJsonObject envelope =
        co_await api->request(studentrequests::taskDetail(taskId), studentrequests::get, std::nullopt);
    co_return readInEffect(envelope, taskId, schoolId);
}

} // namespace

QCoro::Task<QList<CourseTaskOption>> tasksInEffect(QuorvaleAPI *api, QList<CourseTaskOption> tasks,
                                                   bool firstIsPreferred, qint64 schoolId)
{
    if (firstIsPreferred && !tasks.isEmpty()) {
        // Only the preferred task can end the checks, so the others wait for its answer and are
        // then asked all at once.
        if (co_await checkInEffect(api, tasks.first().id, schoolId))
            co_return QList<CourseTaskOption>{tasks.first()};
        tasks.removeFirst();
    }
    std::vector<QCoro::Task<Settled<bool>>> checks;
    for (const CourseTaskOption &task : std::as_const(tasks))
        checks.push_back(settled(checkInEffect(api, task.id, schoolId)));
    std::vector<Settled<bool>> answers = co_await land(std::move(checks));
    QList<CourseTaskOption> inEffect;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        if (answers[std::size_t(i)].take())
            inEffect.append(tasks.at(i));
    }
    co_return inEffect;
}

QCoro::Task<QList<Student>> roster(QuorvaleAPI *api, qint64 taskId, QString key, qint64 schoolId)
{
    RosterPages pages(schoolId);
    pages.read(1, co_await api->request(studentrequests::roster(taskId, key, 1), studentrequests::get,
                                        std::nullopt));
    qint64 next = 2;
    while (!pages.isComplete()) {
        // Pages of a full 50 rows are the usual case; a shorter page leaves rows missing and the
        // loop asks again for what is still missing.
        const qint64 last = std::min(next + pages.pagesMissing() - 1, RosterPages::lastPage);
        // A window of pages is on its way at a time, enough to keep every connection busy: a long
        // list never has all its requests and answers in memory at once. Each page is read as soon
        // as it and every page before it have landed, with a turn of the event loop between pages,
        // so that reading never holds the window. After a failure nothing more is asked, and every
        // request still on its way lands before the failure is thrown.
        std::deque<QCoro::Task<Settled<QJsonObject>>> requests;
        qint64 asked = next;
        const auto askMore = [&] {
            for (; asked <= last && qsizetype(requests.size()) < pagesOnTheirWay; ++asked) {
                requests.push_back(settled(api->request(studentrequests::roster(taskId, key, asked),
                                                        studentrequests::get, std::nullopt)));
            }
        };
        askMore();
        std::exception_ptr failure;
        while (!requests.empty()) {
            Settled<QJsonObject> answer = co_await std::move(requests.front());
            requests.pop_front();
            if (failure || pages.isComplete())
                continue;
            try {
                pages.read(next++, answer.take());
                if (!pages.isComplete())
                    askMore();
            } catch (...) {
                failure = std::current_exception();
            }
            // Pages that landed together are still read one to a turn.
            if (!requests.empty())
                co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        }
        if (failure)
            std::rethrow_exception(failure);
    }
    co_return pages.students();
}

void RosterPages::read(qint64 page, const QJsonObject &envelope)
{
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    if (!data.isObject())
        incompletePages();
    const QJsonObject object = data.toObject();
    const std::optional<qint64> total = json::asInteger(object.value(QStringLiteral("totalCount")));
    const QJsonValue listValue = object.value(QStringLiteral("list"));
    const QJsonArray list = listValue.toArray();
    const std::optional<qint64> index = json::asInteger(object.value(QStringLiteral("currentIndex")));
    const bool rowsAreObjects =
        std::all_of(list.begin(), list.end(), [](const QJsonValue &row) { return row.isObject(); });
    if (!total || *total < 0 || *total > largestTotal || !listValue.isArray() || !rowsAreObjects ||
        list.size() > pageSize || (m_total && *total != *m_total) || (index && *index != page) ||
        (list.isEmpty() && m_received != *total))
        incompletePages();
    m_total = total;

    QList<ScheduleStudentRow> rows;
    rows.reserve(list.size());
    for (const QJsonValue &row : list)
        rows.append(ScheduleStudentRow::fromJson(row.toObject()));

    m_received += rows.size();
    if (m_received > *m_total || page == lastPage)
        throw DemoError::message(QStringLiteral("课表学生名单分页异常"));

    for (const ScheduleStudentRow &row : std::as_const(rows)) {
        if (m_ids.contains(row.studentId))
            throw DemoError::message(QStringLiteral("课表学生名单出现重复分页，请重新查询"));
        m_ids.insert(row.studentId);
        if (std::optional<Student> student = row.student(m_schoolId)) {
            const auto known = m_classNames.constFind(student->className);
            if (known == m_classNames.cend())
                m_classNames.insert(student->className);
            else
                student->className = *known;
            m_students.append(std::move(*student));
        }
    }
}

qint64 RosterPages::pagesMissing() const
{
    const qint64 missing = m_total ? *m_total - m_received : 0;
    return std::max<qint64>(1, (missing + pageSize - 1) / pageSize);
}

void StudentMerge::add(const Student &student)
{
    const auto known = m_students.find(student.id);
    if (known == m_students.end()) {
        m_students.insert(student.id, student);
        return;
    }
    Student &merged = *known;
    if (merged.englishName.isEmpty())
        merged.englishName = student.englishName;
    if (merged.classId != student.classId)
        merged.classId = 0;
    if (merged.studySection != student.studySection)
        merged.studySection = 0;
    // Labels already joined from earlier tasks are split again, so a class never appears twice and
    // the placeholder gives way to a real class name.
    merged.className = text::mergeLabels({merged.className, student.className}, unconfirmedClass());
    merged.schoolId = m_schoolId;
}

QList<Student> StudentMerge::sorted() const
{
    return byNameThenId(m_students.values());
}

QList<Student> merged(QList<QList<Student>> lists, qint64 schoolId)
{
    // One task's list holds each student once, already of this school, so it needs no merging.
    if (lists.size() == 1)
        return byNameThenId(std::move(lists.first()));
    StudentMerge merge(schoolId);
    for (const QList<Student> &students : lists) {
        for (const Student &student : students)
            merge.add(student);
    }
    return merge.sorted();
}

} // namespace quorvale::studentsearch
