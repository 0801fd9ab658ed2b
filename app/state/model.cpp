#include "app/state/model.h"

#include "app/state/failuretext.h"
#include "app/state/publish.h"
#include "core/client/cancellationerror.h"
#include "core/model/engine.h"

#include <QTimer>
#include <chrono>

namespace quorvale {

namespace {

using namespace std::chrono_literals;

constexpr auto tickInterval = 15s;

} // namespace

Model::Model(QuorvaleClient *client, Clock clock, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_clock(std::move(clock))
    , m_timer(new QTimer(this))
{
    m_date = m_clock();
    m_client->setParent(this);
    m_timer->setObjectName(QStringLiteral("followNow"));
    m_timer->setInterval(tickInterval);
    connect(m_timer, &QTimer::timeout, this, [this] { QTimer::singleShot(0, this, &Model::followClock); });
    m_timer->start();
}

void Model::followClock()
{
    if (m_followNow)
        setDate(m_clock());
}

void Model::post(std::function<QCoro::Task<>(Model *)> flow)
{
    // The flows report through the published fields and never throw, so nobody awaits them.
    QTimer::singleShot(0, this, [this, flow = std::move(flow)] { flow(this); });
}

std::optional<qint64> Model::school() const
{
    const std::optional<SessionUser> user = m_client->user();
    if (!user || !user->schoolIds || user->schoolIds->isEmpty() || user->schoolIds->first() < 1)
        return std::nullopt;
    return user->schoolIds->first();
}

std::optional<qint64> Model::searchSchool()
{
    const std::optional<qint64> schoolId = school();
    if (!schoolId) {
        setSuggestionError(noSchoolMessage);
        raiseSuggestionPulse();
    }
    return schoolId;
}

QUuid Model::beginSearch()
{
    const QUuid token = QUuid::createUuid();
    m_searchRevision = token;
    setBusy(true);
    setError(QString());
    setSuggestionError(QString());
    return token;
}

void Model::endSearch(const QUuid &token, const std::exception_ptr &error)
{
    if (error && m_searchRevision == token && m_client->authenticated() && !isCancellation(error)) {
        setSuggestionError(describe(error));
        raiseSuggestionPulse();
    }
    if (m_searchRevision == token)
        setBusy(false);
}

void Model::endLoad(const QUuid &token, const std::exception_ptr &error)
{
    if (error && m_scheduleRevision == token && m_client->authenticated() && !isCancellation(error))
        setScheduleStatus(describe(error));
    if (m_scheduleRevision == token)
        setLoadingSchedule(false);
}

void Model::resetSearch()
{
    m_searchRevision = QUuid::createUuid();
    m_scheduleRevision = QUuid::createUuid();
    setQuery(QString());
    setStudents({});
    setSelected(std::nullopt);
    setTable(std::nullopt);
    setWeek(std::nullopt);
    setError(QString());
    setSuggestionError(QString());
    setTeachers({});
    setSelectedTeacher(std::nullopt);
    setSelectedTeacherTask(std::nullopt);
    setCourses({});
    setSelectedCourseID(std::nullopt);
    setTeacherDirectory(std::nullopt);
    setTeacherSchedule(std::nullopt);
    setBusy(false);
    setDidSearch(false);
    setLoadingSchedule(false);
    setTaskChoices({});
    setChosenTaskID(std::nullopt);
    m_loadedTaskID.reset();
    setScheduleStatus(QString());
    setSuggestionStage(SuggestionStage::People);
}

void Model::queryEdited()
{
    m_searchRevision = QUuid::createUuid();
    setBusy(false);
    setSuggestionError(QString());
    setError(QString());
    setStudents({});
    setTeachers({});
    setCourses({});
    setSelectedCourseID(std::nullopt);
    setTeacherDirectory(std::nullopt);
    setSuggestionStage(SuggestionStage::People);
}

std::optional<ScheduleResult> Model::result() const
{
    if (m_queryKind == QueryKind::Teacher) {
        if (!m_teacherSchedule)
            return std::nullopt;
        return m_teacherSchedule->result(m_date);
    }
    if (!m_selected)
        return std::nullopt;
    const ScheduleResult answer = Engine::result(*m_selected, m_table, m_date);
    if (!m_week)
        return answer;
    return m_week->refining(answer, m_date, m_selected->id);
}

bool Model::hasSchedule() const
{
    return m_queryKind == QueryKind::Teacher ? m_teacherSchedule.has_value() : m_table.has_value();
}

bool Model::hasSelection() const
{
    return m_queryKind == QueryKind::Teacher ? m_selectedTeacher.has_value() : m_selected.has_value();
}

QString Model::selectionName() const
{
    if (m_queryKind == QueryKind::Teacher)
        return m_selectedTeacher ? m_selectedTeacher->name : QString();
    return m_selected ? m_selected->name : QString();
}

QString Model::selectionSubtitle() const
{
    if (m_queryKind == QueryKind::Teacher)
        return QStringLiteral("任课教师");
    return m_selected ? m_selected->className : QString();
}

QString Model::placeholder() const
{
    if (m_queryKind == QueryKind::Student)
        return QStringLiteral("输入学生姓名");
    return m_teacherSearchKind == TeacherSearchKind::Course ? QStringLiteral("输入课程名称")
                                                            : QStringLiteral("输入老师姓名");
}

void Model::setQueryKind(QueryKind kind)
{
    publish(this, m_queryKind, kind, &Model::queryKindChanged);
}

void Model::setTeacherSearchKind(TeacherSearchKind kind)
{
    publish(this, m_teacherSearchKind, kind, &Model::teacherSearchKindChanged);
}

void Model::setQuery(const QString &query)
{
    publish(this, m_query, query, &Model::queryChanged);
}

void Model::setDate(const QDateTime &date)
{
    publish(this, m_date, date, &Model::dateValueChanged);
}

void Model::setFollowNow(bool follow)
{
    publish(this, m_followNow, follow, &Model::followNowChanged);
}

void Model::setStudents(const QList<Student> &students)
{
    publish(this, m_students, students, &Model::studentsChanged);
}

void Model::setSelected(const std::optional<Student> &student)
{
    publish(this, m_selected, student, &Model::selectedChanged);
}

void Model::setTeachers(const QList<Teacher> &teachers)
{
    publish(this, m_teachers, teachers, &Model::teachersChanged);
}

void Model::setSelectedTeacher(const std::optional<Teacher> &teacher)
{
    publish(this, m_selectedTeacher, teacher, &Model::selectedTeacherChanged);
}

void Model::setSelectedTeacherTask(const std::optional<CourseTaskOption> &task)
{
    publish(this, m_selectedTeacherTask, task, &Model::selectedTeacherTaskChanged);
}

void Model::setCourses(const QList<CourseOption> &courses)
{
    publish(this, m_courses, courses, &Model::coursesChanged);
}

void Model::setSelectedCourseID(const std::optional<qint64> &id)
{
    publish(this, m_selectedCourseID, id, &Model::selectedCourseIDChanged);
}

void Model::setTeacherDirectory(const std::optional<TeacherDirectory> &directory)
{
    publish(this, m_teacherDirectory, directory, &Model::teacherDirectoryChanged);
}

void Model::setTeacherSchedule(const std::optional<TeacherSchedule> &schedule)
{
    publish(this, m_teacherSchedule, schedule, &Model::teacherScheduleChanged);
}

void Model::setTable(const std::optional<Timetable> &table)
{
    publish(this, m_table, table, &Model::tableChanged);
}

void Model::setWeek(const std::optional<WeeklySchedule> &week)
{
    publish(this, m_week, week, &Model::weekChanged);
}

void Model::setError(const QString &error)
{
    publish(this, m_error, error, &Model::errorChanged);
}

void Model::setSuggestionError(const QString &message)
{
    publish(this, m_suggestionError, message, &Model::suggestionErrorChanged);
}

void Model::setSuggestionStage(SuggestionStage stage)
{
    publish(this, m_suggestionStage, stage, &Model::suggestionStageChanged);
}

void Model::raiseSuggestionPulse()
{
    ++m_suggestionPulse;
    emit suggestionPulseChanged();
}

void Model::raiseSelectionPulse()
{
    ++m_selectionPulse;
    emit selectionPulseChanged();
}

void Model::setBusy(bool busy)
{
    publish(this, m_busy, busy, &Model::busyChanged);
}

void Model::setDidSearch(bool didSearch)
{
    publish(this, m_didSearch, didSearch, &Model::didSearchChanged);
}

void Model::setTaskChoices(const QList<CourseTaskOption> &tasks)
{
    publish(this, m_taskChoices, tasks, &Model::taskChoicesChanged);
}

void Model::setChosenTaskID(const std::optional<qint64> &id)
{
    publish(this, m_chosenTaskID, id, &Model::chosenTaskIDChanged);
}

void Model::setLoadingSchedule(bool loading)
{
    publish(this, m_loadingSchedule, loading, &Model::loadingScheduleChanged);
}

void Model::setScheduleStatus(const QString &status)
{
    publish(this, m_scheduleStatus, status, &Model::scheduleStatusChanged);
}

} // namespace quorvale
