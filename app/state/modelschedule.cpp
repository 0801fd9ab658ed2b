#include "app/state/model.h"
#include "core/base/shanghai.h"
#include "core/client/settled.h"

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
    const qint64 taskId = task.id;
    if (m_queryKind == QueryKind::Teacher) {
        post([taskId](Model *model) { return model->searchTeachers(std::nullopt, taskId, false, true); });
        return;
    }
    setChosenTaskID(task.id);
    post([taskId](Model *model) { return model->loadSchedule(taskId); });
}

void Model::dateChanged()
{
    m_searchRevision = QUuid::createUuid();
    setBusy(false);
    if (m_queryKind == QueryKind::Teacher) {
        if (m_selectedTeacher)
            post([](Model *model) { return model->loadTeacherSchedule(); });
        else if (m_didSearch)
            post([](Model *model) { return model->searchTeachers(std::nullopt, std::nullopt, false, true); });
        return;
    }
    if (m_selected)
        post([](Model *model) { return model->loadSchedule(std::nullopt); });
    else if (m_didSearch)
        post([](Model *model) { return model->searchLive(false, true); });
}

QCoro::Task<> Model::loadSchedule(std::optional<qint64> taskId)
{
    if (m_queryKind == QueryKind::Teacher) {
        co_await loadTeacherSchedule();
        co_return;
    }
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
    }
    endLoad(token, loaded.error);
}

} // namespace quorvale
