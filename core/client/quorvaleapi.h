#pragma once

#include "core/adapters/livetimetableresult.h"
#include "core/adapters/teacherrecords.h"
#include "core/client/platformsession.h"
#include "core/client/sessionuser.h"
#include "core/client/teachercache.h"
#include "core/client/teachertaskchoice.h"
#include "core/model/student.h"
#include "core/model/teacher.h"
#include "core/model/teacherschedule.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace quorvale {

// The only code that talks to the school platform. It lives on the main thread; its asynchronous
// members are coroutines, so code between two awaits runs uninterrupted. Its members are spread
// over several source files by concern: the transport, the sign-in calls, the searches and the
// teacher side. The virtual members let the application's tests stand in for the platform.
class QuorvaleAPI : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // The platform of this build, the product's time limits and the real clock.
    explicit QuorvaleAPI(QObject *parent = nullptr);
    // Another origin (a simulator), other time limits or trust, and a fixed clock, for tests.
    QuorvaleAPI(const QUrl &origin, const TransportSettings &transport, Clock clock, QObject *parent = nullptr);
    // Ends the session while the client is still whole: every request in flight fails, and whatever
    // its caller tries next is refused at once.
    ~QuorvaleAPI() override;

    // Sends one request to a path (with its query) on the platform and returns the whole envelope
    // when its "state" is 0. Throws QuorvaleAPIError only.
    virtual QCoro::Task<QJsonObject> request(QString path, QString method, std::optional<QByteArray> body);

    virtual QCoro::Task<SessionUser> currentUser();
    // The captcha image, or none when the platform asks for none.
    virtual QCoro::Task<std::optional<QByteArray>> captcha();
    virtual QCoro::Task<SessionUser> login(QString account, QString password, QString captcha);
    // Signs out on the platform; the local session is dropped whatever the platform answers.
    virtual QCoro::Task<> logout();
    // The platform's origin every request goes to.
    QUrl origin() const { return m_origin; }
    virtual QList<QNetworkCookie> cookies() const;
    // Adopts the platform's cookies of a web sign-in; cookies of other sites are skipped.
    virtual void importCookies(const QList<QNetworkCookie> &cookies);

    // Empties the teacher caches, cancels their flights and renews the epoch.
    void clearTeacherCaches();
    QUuid teacherCacheEpoch() const { return m_teacherCacheEpoch; }
    // Throws CancellationError when the teacher caches were voided since `epoch` was current.
    void ensureTeacherEpoch(const QUuid &epoch) const;

    // A request path with its query: items sorted by key, keys and values percent-encoded so that
    // "+" reaches the platform as a plus.
    static QString path(const QString &path, const QMap<QString, QString> &query);

    // The students found by name in the class-student lists of the tasks in effect on the moment's
    // day, each once, sorted by name and then id. search() is the entry the application calls.
    virtual QCoro::Task<QList<Student>> search(QString query, qint64 schoolId, QDateTime date);
    QCoro::Task<QList<Student>> searchScheduleStudents(QString query, qint64 schoolId, QDateTime date);
    // The student's timetable of the moment's day and its Monday-to-Sunday week from the task asked
    // for, or from the one the lookup chooses; several tasks without a clear choice come back alone.
    QCoro::Task<LiveTimetableResult> lookupTimetable(Student student, QDateTime date, std::optional<qint64> taskId);
    // One raw page of a student's course table, as indented JSON text.
    virtual QCoro::Task<QString> timetable(Student student, qint64 taskId, qint64 taskClassId, qint64 pageIndex);

    // The "data" of a teacher-side GET as JSON bytes, served from the response cache while the entry
    // is younger than `ttl` seconds and of the current epoch.
    QCoro::Task<QByteArray> teacherPayload(QString path, double ttl);
    // A task's detail record and its bytes; refused when it names another task or school.
    QCoro::Task<std::pair<TeacherTaskDetail, QByteArray>> teacherDetail(qint64 taskId, qint64 schoolId);
    // The tasks valid on the moment's day that read as an ordinary one-week timetable, and the one to
    // use when that is settled; `taskId` is the task the user picked.
    QCoro::Task<TeacherTaskChoice> teacherTaskChoices(qint64 schoolId, QDateTime date,
                                                      std::optional<qint64> taskId);
    // Teachers of the task in effect, found by name, or by course (settling the course first).
    virtual QCoro::Task<TeacherDirectory> searchTeachers(QString key, qint64 schoolId, QDateTime date,
                                                         bool byCourse, std::optional<qint64> courseId,
                                                         std::optional<qint64> taskId);
    // One checked page of a task's class-student roster.
    QCoro::Task<TeacherRosterPage> teacherRosterPage(qint64 taskId, qint64 page);
    // The class-section map of a task: cached for five minutes, built once for all who ask at once.
    QCoro::Task<ClassSections> loadTeacherClassSections(qint64 taskId);
    // The teacher's day in the task picked, with its Monday-to-Sunday week.
    virtual QCoro::Task<TeacherSchedule> lookupTeacherTimetable(Teacher teacher, qint64 schoolId,
                                                                QDateTime date, qint64 taskId);
    // Whether the teacher's lessons touch a period whose bell times differ between the sections, so
    // that the class-section map is needed; true whenever the documents do not show otherwise.
    static bool teacherNeedsClassSections(const QByteArray &masterData, const QByteArray &tablesData);

protected:
    QHash<qint64, TeacherClassMapCache> m_teacherClassMapCache;
    QHash<QString, TeacherResponseCache> m_teacherResponseCache;
    QHash<qint64, TeacherClassMapFlight> m_teacherClassMapFlights;

private:
    // Reads the whole roster of a task and caches the map, unless the epoch moved meanwhile.
    QCoro::Task<ClassSections> fetchTeacherClassSections(qint64 taskId, QUuid cacheEpoch);
    // Runs one class-section flight to its end; nobody awaits it, so it catches everything.
    static QCoro::Task<> flyClassSections(QPointer<QuorvaleAPI> self, qint64 taskId, QUuid epoch,
                                          std::shared_ptr<SharedFlight<ClassSections>> flight);
    // The teacher's own table over all pages as {"totalCount", "list"}.
    QCoro::Task<QByteArray> teacherTablesPayload(qint64 teacherId, qint64 taskId);
    // The task picked for the day with the teacher's tables and its master, both asked at once.
    QCoro::Task<TeacherTaskDocuments> teacherTaskDocuments(qint64 teacherId, qint64 schoolId, QDateTime date,
                                                           qint64 taskId);
    PlatformSession *newSession();
    QUrl resolve(const QString &path) const;
    QNetworkRequest prepare(const QUrl &url, bool hasBody) const;

    QUrl m_origin;
    TransportSettings m_transport;
    Clock m_clock;
    PlatformSession *m_session;
    QUuid m_teacherCacheEpoch;
    // Seconds the platform's clock runs ahead of ours, learnt from its "Date" field.
    double m_clockOffset = 0;
};

} // namespace quorvale
