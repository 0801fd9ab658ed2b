#pragma once

#include "app/state/querykind.h"
#include "app/state/quorvaleclient.h"
#include "core/model/coursetask.h"
#include "core/model/schedule.h"
#include "core/model/student.h"
#include "core/model/teacher.h"
#include "core/model/teacherschedule.h"
#include "core/model/timetable.h"
#include "core/model/week.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <exception>
#include <functional>
#include <optional>

class QTimer;

namespace quorvale {

// The state of the query screen and its flows: who is searched for, the suggestions of the last
// search, the chosen person, the loaded timetable and week, the moment the answer is computed for,
// and the status texts. Every platform call goes through the session client it owns. Flows never
// throw: their outcomes land in the published fields, and an outcome that a newer operation made
// stale is dropped without a trace.
class Model : public QObject
{
    Q_OBJECT
    Q_PROPERTY(quorvale::QueryKind queryKind READ queryKind WRITE setQueryKind NOTIFY queryKindChanged)
    Q_PROPERTY(quorvale::TeacherSearchKind teacherSearchKind READ teacherSearchKind WRITE setTeacherSearchKind
                   NOTIFY teacherSearchKindChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QList<quorvale::Student> students READ students NOTIFY studentsChanged)
    Q_PROPERTY(std::optional<quorvale::Student> selected READ selected NOTIFY selectedChanged)
    Q_PROPERTY(QList<quorvale::Teacher> teachers READ teachers NOTIFY teachersChanged)
    Q_PROPERTY(
        std::optional<quorvale::Teacher> selectedTeacher READ selectedTeacher NOTIFY selectedTeacherChanged)
    Q_PROPERTY(std::optional<quorvale::CourseTaskOption> selectedTeacherTask READ selectedTeacherTask NOTIFY
                   selectedTeacherTaskChanged)
    Q_PROPERTY(QList<quorvale::CourseOption> courses READ courses NOTIFY coursesChanged)
    Q_PROPERTY(std::optional<qint64> selectedCourseID READ selectedCourseID NOTIFY selectedCourseIDChanged)
    Q_PROPERTY(std::optional<quorvale::TeacherDirectory> teacherDirectory READ teacherDirectory NOTIFY
                   teacherDirectoryChanged)
    Q_PROPERTY(std::optional<quorvale::TeacherSchedule> teacherSchedule READ teacherSchedule NOTIFY
                   teacherScheduleChanged)
    Q_PROPERTY(std::optional<quorvale::Timetable> table READ table NOTIFY tableChanged)
    Q_PROPERTY(std::optional<quorvale::WeeklySchedule> week READ week NOTIFY weekChanged)
    Q_PROPERTY(QDateTime date READ date WRITE setDate NOTIFY dateValueChanged)
    Q_PROPERTY(bool followNow READ followNow WRITE setFollowNow NOTIFY followNowChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(QString suggestionError READ suggestionError NOTIFY suggestionErrorChanged)
    Q_PROPERTY(quorvale::SuggestionStage suggestionStage READ suggestionStage NOTIFY suggestionStageChanged)
    Q_PROPERTY(qint64 suggestionPulse READ suggestionPulse NOTIFY suggestionPulseChanged)
    Q_PROPERTY(qint64 selectionPulse READ selectionPulse NOTIFY selectionPulseChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool didSearch READ didSearch NOTIFY didSearchChanged)
    Q_PROPERTY(QList<quorvale::CourseTaskOption> taskChoices READ taskChoices NOTIFY taskChoicesChanged)
    Q_PROPERTY(std::optional<qint64> chosenTaskID READ chosenTaskID NOTIFY chosenTaskIDChanged)
    Q_PROPERTY(bool loadingSchedule READ loadingSchedule NOTIFY loadingScheduleChanged)
    Q_PROPERTY(QString scheduleStatus READ scheduleStatus NOTIFY scheduleStatusChanged)
    Q_PROPERTY(quorvale::QuorvaleClient *client READ client CONSTANT)

public:
    using Clock = std::function<QDateTime()>;

    // The status while a timetable is being read.
    static inline const QString readingStatus = QStringLiteral("正在读取课表…");
    // The status when the lookup left the choice of timetable task to the user.
    static inline const QString chooseTaskStatus = QStringLiteral("请选择课表");
    // The search message for an account without a school to search in.
    static inline const QString noSchoolMessage = QStringLiteral("当前账号没有可查询的校区");

    // Takes the session client. The clock says what "now" is; the follow-now tick starts at once.
    explicit Model(QuorvaleClient *client, Clock clock = &QDateTime::currentDateTimeUtc,
                   QObject *parent = nullptr);

    QueryKind queryKind() const { return m_queryKind; }
    void setQueryKind(QueryKind kind);
    TeacherSearchKind teacherSearchKind() const { return m_teacherSearchKind; }
    void setTeacherSearchKind(TeacherSearchKind kind);
    // The search field's text exactly as typed; searches use it trimmed.
    const QString &query() const { return m_query; }
    void setQuery(const QString &query);
    // The students of the last current search, in name order.
    const QList<Student> &students() const { return m_students; }
    const std::optional<Student> &selected() const { return m_selected; }
    const QList<Teacher> &teachers() const { return m_teachers; }
    const std::optional<Teacher> &selectedTeacher() const { return m_selectedTeacher; }
    // The task the chosen teacher's timetable is read from.
    const std::optional<CourseTaskOption> &selectedTeacherTask() const { return m_selectedTeacherTask; }
    const QList<CourseOption> &courses() const { return m_courses; }
    const std::optional<qint64> &selectedCourseID() const { return m_selectedCourseID; }
    const std::optional<TeacherDirectory> &teacherDirectory() const { return m_teacherDirectory; }
    const std::optional<TeacherSchedule> &teacherSchedule() const { return m_teacherSchedule; }
    // The chosen student's timetable of the day it was loaded for.
    const std::optional<Timetable> &table() const { return m_table; }
    // The Monday-to-Sunday week of the selection; none before a lookup finished or while one runs.
    const std::optional<WeeklySchedule> &week() const { return m_week; }
    // The moment the answer is computed for.
    const QDateTime &date() const { return m_date; }
    void setDate(const QDateTime &date);
    // While set, the tick moves the date to the current time.
    bool followNow() const { return m_followNow; }
    void setFollowNow(bool follow);
    const QString &error() const { return m_error; }
    // Why the last search failed; shown in the suggestion panel.
    const QString &suggestionError() const { return m_suggestionError; }
    SuggestionStage suggestionStage() const { return m_suggestionStage; }
    // Raised each time the suggestion panel has new content or a new message.
    qint64 suggestionPulse() const { return m_suggestionPulse; }
    // Raised each time a person is picked.
    qint64 selectionPulse() const { return m_selectionPulse; }
    // A search runs.
    bool busy() const { return m_busy; }
    // A search was started since the last reset.
    bool didSearch() const { return m_didSearch; }
    // Timetable tasks offered for a choice.
    const QList<CourseTaskOption> &taskChoices() const { return m_taskChoices; }
    const std::optional<qint64> &chosenTaskID() const { return m_chosenTaskID; }
    // A timetable load runs.
    bool loadingSchedule() const { return m_loadingSchedule; }
    // The status line of the timetable area.
    const QString &scheduleStatus() const { return m_scheduleStatus; }
    QuorvaleClient *client() const { return m_client; }
    // The task whose timetable was loaded last.
    const std::optional<qint64> &loadedTaskID() const { return m_loadedTaskID; }

    // The answer for the selection at `date`, evaluated on every read from the loaded data.
    std::optional<ScheduleResult> result() const;
    bool hasSchedule() const;
    bool hasSelection() const;
    // The chosen person's name; empty without a selection.
    QString selectionName() const;
    QString selectionSubtitle() const;
    // The search field's hint for the current search mode.
    QString placeholder() const;

    // Clears the whole search and timetable state; the search mode, the moment, follow-now and the
    // counters stay. Searches and loads in flight find themselves stale.
    void resetSearch();
    // After an edit of the search text: the running search becomes stale and the suggestions go; the
    // selection and its loaded data stay. Does not search.
    void queryEdited();
    // Searches students for the trimmed query in the account's first school; in teacher mode it is the
    // teacher search. With autoSelect a single hit is picked; without preserveSelection the selection
    // and its timetable go when it starts.
    QCoro::Task<> searchLive(bool autoSelect, bool preserveSelection);
    // Searches teachers for the trimmed query in the account's first school, by name or by course. The
    // suggestions move to the tasks to choose from, the courses, or the teachers, as far as the
    // platform could settle. `courseId` and `taskId` are what the user picked on the way.
    QCoro::Task<> searchTeachers(std::optional<qint64> courseId, std::optional<qint64> taskId,
                                 bool autoSelect, bool preserveSelection);
    // The user picked a course: its teachers are searched on a later turn of the event loop.
    void chooseCourse(const CourseOption &course);
    // Picks a teacher of the current directory's task and starts reading the teacher's day on a later
    // turn of the event loop. Does nothing while the directory has no task.
    void selectTeacher(const Teacher &teacher);
    // Reads the selected teacher's day for `date` in the selected task; a day outside that task
    // starts the teacher search over.
    QCoro::Task<> loadTeacherSchedule();
    // Picks a student and starts reading the student's timetable on a later turn of the event loop.
    void select(const Student &student);
    // Reads the selected student's timetable for `date`; the task asked for, or none to let the
    // lookup choose the one valid on the day.
    QCoro::Task<> loadSchedule(std::optional<qint64> taskId);
    // The user picked a timetable task from the offered choice: the student's timetable is read from
    // it, or the teacher search runs again in it.
    void chooseTask(const CourseTaskOption &task);
    // The day of `date` changed: the selection is read again for it (with the task chosen afresh),
    // or without a selection the last search is repeated. Runs on a later turn of the event loop.
    void dateChanged();

signals:
    void queryKindChanged();
    void teacherSearchKindChanged();
    void queryChanged();
    void studentsChanged();
    void selectedChanged();
    void teachersChanged();
    void selectedTeacherChanged();
    void selectedTeacherTaskChanged();
    void coursesChanged();
    void selectedCourseIDChanged();
    void teacherDirectoryChanged();
    void teacherScheduleChanged();
    void tableChanged();
    void weekChanged();
    // The change signal of `date`; dateChanged() is the operation the screen calls on a new day.
    void dateValueChanged();
    void followNowChanged();
    void errorChanged();
    void suggestionErrorChanged();
    void suggestionStageChanged();
    void suggestionPulseChanged();
    void selectionPulseChanged();
    void busyChanged();
    void didSearchChanged();
    void taskChoicesChanged();
    void chosenTaskIDChanged();
    void loadingScheduleChanged();
    void scheduleStatusChanged();

private:
    // The school the signed-in account searches in: the first of its schools, when that is a real id.
    std::optional<qint64> school() const;
    // school(), and when there is none the suggestion panel is told so.
    std::optional<qint64> searchSchool();
    // The start of a student or teacher search: a new revision, which it returns, the running flag
    // set and the old failures cleared.
    QUuid beginSearch();
    // The end of a search or a timetable load holding `token`: its failure is shown while it is
    // still the newest and the user is signed in, and its running flag is cleared unless a newer
    // one has taken the token.
    void endSearch(const QUuid &token, const std::exception_ptr &error);
    void endLoad(const QUuid &token, const std::exception_ptr &error);
    // Starts a flow on a later turn of the event loop, so the caller's writes are seen first.
    void post(std::function<QCoro::Task<>(Model *)> flow);
    void followClock();

    void setStudents(const QList<Student> &students);
    void setSelected(const std::optional<Student> &student);
    void setTeachers(const QList<Teacher> &teachers);
    void setSelectedTeacher(const std::optional<Teacher> &teacher);
    void setSelectedTeacherTask(const std::optional<CourseTaskOption> &task);
    void setCourses(const QList<CourseOption> &courses);
    void setSelectedCourseID(const std::optional<qint64> &id);
    void setTeacherDirectory(const std::optional<TeacherDirectory> &directory);
    void setTeacherSchedule(const std::optional<TeacherSchedule> &schedule);
    void setTable(const std::optional<Timetable> &table);
    void setWeek(const std::optional<WeeklySchedule> &week);
    void setError(const QString &error);
    void setSuggestionError(const QString &message);
    void setSuggestionStage(SuggestionStage stage);
    void raiseSuggestionPulse();
    void raiseSelectionPulse();
    void setBusy(bool busy);
    void setDidSearch(bool didSearch);
    void setTaskChoices(const QList<CourseTaskOption> &tasks);
    void setChosenTaskID(const std::optional<qint64> &id);
    void setLoadingSchedule(bool loading);
    void setScheduleStatus(const QString &status);

    QueryKind m_queryKind = QueryKind::Student;
    TeacherSearchKind m_teacherSearchKind = TeacherSearchKind::Name;
    QString m_query;
    QList<Student> m_students;
    std::optional<Student> m_selected;
    QList<Teacher> m_teachers;
    std::optional<Teacher> m_selectedTeacher;
    std::optional<CourseTaskOption> m_selectedTeacherTask;
    QList<CourseOption> m_courses;
    std::optional<qint64> m_selectedCourseID;
    std::optional<TeacherDirectory> m_teacherDirectory;
    std::optional<TeacherSchedule> m_teacherSchedule;
    std::optional<Timetable> m_table;
    std::optional<WeeklySchedule> m_week;
    QDateTime m_date;
    bool m_followNow = true;
    QString m_error;
    QString m_suggestionError;
    SuggestionStage m_suggestionStage = SuggestionStage::People;
    qint64 m_suggestionPulse = 0;
    qint64 m_selectionPulse = 0;
    bool m_busy = false;
    bool m_didSearch = false;
    QList<CourseTaskOption> m_taskChoices;
    std::optional<qint64> m_chosenTaskID;
    bool m_loadingSchedule = false;
    QString m_scheduleStatus;

    QuorvaleClient *m_client;
    Clock m_clock;
    std::optional<qint64> m_loadedTaskID;
    // Tokens of the newest timetable load and the newest search; a flow whose token was replaced
    // while it waited writes nothing.
    QUuid m_scheduleRevision = QUuid::createUuid();
    QUuid m_searchRevision = QUuid::createUuid();
    // The follow-now tick.
    QTimer *m_timer;
};

} // namespace quorvale
