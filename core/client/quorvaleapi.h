#pragma once

#include "core/adapters/livetimetableresult.h"
#include "core/client/platformsession.h"
#include "core/client/sessionuser.h"
#include "core/client/teachercache.h"
#include "core/model/student.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <functional>
#include <optional>

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

    // Sends one request to a path (with its query) on the platform and returns the whole envelope
    // when its "state" is 0. Throws QuorvaleAPIError only.
    virtual QCoro::Task<QJsonObject> request(QString path, QString method, std::optional<QByteArray> body);

    virtual QCoro::Task<SessionUser> currentUser();
    // The captcha image, or none when the platform asks for none.
    virtual QCoro::Task<std::optional<QByteArray>> captcha();
    virtual QCoro::Task<SessionUser> login(QString account, QString password, QString captcha);
    // Signs out on the platform; the local session is dropped whatever the platform answers.
    virtual QCoro::Task<> logout();
    virtual QList<QNetworkCookie> cookies() const;
    // Adopts the platform's cookies of a web sign-in; cookies of other sites are skipped.
    virtual void importCookies(const QList<QNetworkCookie> &cookies);

    // Empties the teacher caches, cancels their flights and renews the epoch.
    void clearTeacherCaches();
    QUuid teacherCacheEpoch() const { return m_teacherCacheEpoch; }

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

protected:
    QHash<qint64, TeacherClassMapCache> m_teacherClassMapCache;
    QHash<QString, TeacherResponseCache> m_teacherResponseCache;
    QHash<qint64, TeacherClassMapFlight> m_teacherClassMapFlights;

private:
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
