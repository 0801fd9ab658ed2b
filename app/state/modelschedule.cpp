#include "app/state/failuretext.h"
#include "app/state/model.h"
#include "core/base/shanghai.h"
#include "core/client/sessionsettled.h"

#include <QPointer>

namespace quorvale {

void Model::select(const Student &student)
{
    m_searchRevision = QUuid::createUuid();
    setBusy(false);
    m_scheduleRevision = QUuid::createUuid();
    setSelected(student);
    setTable(std::nullopt);
    setWeek(std::nullopt);
    setTaskChoices({});
    setChosenTaskID(std::nullopt);
    m_loadedTaskID.reset();
    setError(QString());
    setSuggestionError(QString());
    setSuggestionStage(SuggestionStage::People);
    setScheduleStatus(readingStatus);
    raiseSelectionPulse();
    post([](Model *model) { return model->loadSchedule(std::nullopt); });
}

void Model::chooseTask(const CourseTaskOption &task)
{
    // The teacher side chooses its task through a teacher search.
    if (m_queryKind != QueryKind::Student)
        return;
    setChosenTaskID(task.id);
    const qint64 taskId = task.id;
    post([taskId](Model *model) { return model->loadSchedule(taskId); });
}

void Model::dateChanged()
{
    m_searchRevision = QUuid::createUuid();
    setBusy(false);
    // The teacher side reloads through its own flows.
    if (m_queryKind != QueryKind::Student)
        return;
    if (m_selected)
        post([](Model *model) { return model->loadSchedule(std::nullopt); });
    else if (m_didSearch)
        post([](Model *model) { return model->searchLive(false, true); });
}

QCoro::Task<> Model::loadSchedule(std::optional<qint64> taskId)
{
    // The teacher side loads through its own flow.
    if (m_queryKind != QueryKind::Student)
        co_return;
    if (!m_selected || !m_client->authenticated())
        co_return;

    const QUuid token = QUuid::createUuid();
    m_scheduleRevision = token;
    const Student student = *m_selected;
    const QDateTime start = m_date;
    setLoadingSchedule(true);
    setTable(std::nullopt);
    setWeek(std::nullopt);
    setError(QString());
    setScheduleStatus(readingStatus);

    const QPointer<Model> self(this);
    Settled<LiveTimetableResult> loaded = co_await settled(m_client->lookupTimetable(student, start, taskId));
    if (!self)
        co_return;
    if (loaded.value) {
        const bool current = m_scheduleRevision == token && m_selected && m_selected->id == student.id &&
                             m_client->authenticated() && m_queryKind == QueryKind::Student &&
                             shanghai::dateOf(m_date) == shanghai::dateOf(start);
        if (current) {
            const LiveTimetableResult &found = *loaded.value;
            setTaskChoices(found.tasks);
            m_loadedTaskID =
                found.selectedTask ? std::optional<qint64>(found.selectedTask->id) : std::nullopt;
            setChosenTaskID(m_loadedTaskID);
            setTable(found.timetable);
            setWeek(found.week);
            if (found.timetable) {
                setScheduleStatus(QString());
            } else {
                setScheduleStatus(chooseTaskStatus);
                if (found.tasks.size() >= 2) {
                    setSuggestionStage(SuggestionStage::Tasks);
                    raiseSuggestionPulse();
                }
            }
        }
    } else if (m_scheduleRevision == token && m_client->authenticated() && !isCancellation(loaded.error)) {
        setScheduleStatus(describe(loaded.error));
    }
    if (m_scheduleRevision == token)
        setLoadingSchedule(false);
}

} // namespace quorvale
