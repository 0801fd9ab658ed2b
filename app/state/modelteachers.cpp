#include "app/state/model.h"
#include "core/base/namesort.h"
#include "core/base/shanghai.h"
#include "core/client/settled.h"

#include <QPointer>

namespace quorvale {

QCoro::Task<> Model::searchTeachers(std::optional<qint64> courseId, std::optional<qint64> taskId,
                                    bool autoSelect, bool preserveSelection)
{
    const QString trimmed = m_query.trimmed();
    if (m_queryKind != QueryKind::Teacher || !m_client->authenticated() || trimmed.isEmpty())
        co_return;
    const std::optional<qint64> schoolId = searchSchool();
    if (!schoolId)
        co_return;

    const TeacherSearchKind kind = m_teacherSearchKind;
    const QDateTime start = m_date;
    const QUuid token = beginSearch();
    setTeachers({});
    setDidSearch(true);
    if (!preserveSelection) {
        m_scheduleRevision = QUuid::createUuid();
        setSelectedTeacher(std::nullopt);
        setSelectedTeacherTask(std::nullopt);
        setTeacherSchedule(std::nullopt);
        setWeek(std::nullopt);
        setLoadingSchedule(false);
        setScheduleStatus(QString());
    }
    // With a course given, its list and the chosen course stay on screen while the search runs.
    if (!courseId) {
        setCourses({});
        setSelectedCourseID(std::nullopt);
    }

    const QPointer<Model> self(this);
    const bool byCourse = kind == TeacherSearchKind::Course;
    Settled<TeacherDirectory> found =
        co_await settled(m_client->searchTeachers(trimmed, *schoolId, start, byCourse, courseId, taskId));
    if (!self)
        co_return;
    if (found.value) {
        const bool current = m_searchRevision == token && m_client->authenticated() &&
                             m_queryKind == QueryKind::Teacher && m_teacherSearchKind == kind &&
                             shanghai::dateOf(m_date) == shanghai::dateOf(start) &&
                             m_query.trimmed() == trimmed;
        if (current) {
            const TeacherDirectory &directory = *found.value;
            setTeacherDirectory(directory);
            if (!directory.task) {
                setTaskChoices(directory.tasks);
                setSuggestionStage(SuggestionStage::Tasks);
            } else if (byCourse && !directory.selectedCourseId && !courseId && !directory.courses.isEmpty()) {
                setCourses(directory.courses);
                setSuggestionStage(SuggestionStage::Courses);
            } else {
                if (!courseId || m_courses.isEmpty())
                    setCourses(directory.courses);
                setSelectedCourseID(directory.selectedCourseId ? directory.selectedCourseId : courseId);
                setTeachers(sortedByName(directory.teachers));
                setSuggestionStage(SuggestionStage::People);
            }
            raiseSuggestionPulse();
            if (autoSelect && m_teachers.size() == 1 && directory.task) {
                const Teacher only = m_teachers.first();
                selectTeacher(only);
            }
        }
    }
    endSearch(token, found.error);
}

void Model::chooseCourse(const CourseOption &course)
{
    setSelectedCourseID(course.id);
    const qint64 courseId = course.id;
    // The directory's task is read when the search starts, not when the course was picked.
    post([courseId](Model *model) {
        const std::optional<TeacherDirectory> &directory = model->m_teacherDirectory;
        const std::optional<qint64> taskId =
            directory && directory->task ? std::optional<qint64>(directory->task->id) : std::nullopt;
        return model->searchTeachers(courseId, taskId, false, true);
    });
}

void Model::selectTeacher(const Teacher &teacher)
{
    if (!m_teacherDirectory || !m_teacherDirectory->task)
        return;
    const Teacher chosen = teacher;
    const CourseTaskOption task = *m_teacherDirectory->task;
    m_searchRevision = QUuid::createUuid();
    setBusy(false);
    m_scheduleRevision = QUuid::createUuid();
    setSelectedTeacher(chosen);
    setSelectedTeacherTask(task);
    setChosenTaskID(task.id);
    m_loadedTaskID = task.id;
    setTeacherSchedule(std::nullopt);
    setWeek(std::nullopt);
    setError(QString());
    setSuggestionError(QString());
    setScheduleStatus(readingStatus);
    raiseSelectionPulse();
    post([](Model *model) { return model->loadTeacherSchedule(); });
}

QCoro::Task<> Model::loadTeacherSchedule()
{
    if (m_queryKind != QueryKind::Teacher || !m_selectedTeacher || !m_selectedTeacherTask)
        co_return;
    const std::optional<SessionUser> user = m_client->user();
    if (!user || !user->schoolIds || user->schoolIds->isEmpty() || !m_client->authenticated())
        co_return;
    // The task the teacher was chosen in no longer applies: the search starts over from the task choice.
    if (!m_selectedTeacherTask->contains(m_date)) {
        const std::optional<qint64> none;
        co_await searchTeachers(none, none, false, false);
        co_return;
    }

    const QUuid token = QUuid::createUuid();
    m_scheduleRevision = token;
    const Teacher teacher = *m_selectedTeacher;
    const qint64 taskId = m_selectedTeacherTask->id;
    const qint64 schoolId = user->schoolIds->first();
    const QDateTime start = m_date;
    setLoadingSchedule(true);
    setTeacherSchedule(std::nullopt);
    setWeek(std::nullopt);
    setError(QString());
    setScheduleStatus(readingStatus);

    const QPointer<Model> self(this);
    Settled<TeacherSchedule> loaded =
        co_await settled(m_client->lookupTeacherTimetable(teacher, schoolId, start, taskId));
    if (!self)
        co_return;
    if (loaded.value) {
        const bool current =
            m_scheduleRevision == token && m_selectedTeacher && m_selectedTeacher->id == teacher.id &&
            m_selectedTeacherTask && m_selectedTeacherTask->id == taskId && m_client->authenticated() &&
            m_queryKind == QueryKind::Teacher && shanghai::dateOf(m_date) == shanghai::dateOf(start);
        if (current) {
            setTeacherSchedule(*loaded.value);
            setWeek(loaded.value->week);
            setScheduleStatus(QString());
        }
    }
    endLoad(token, loaded.error);
}

} // namespace quorvale
