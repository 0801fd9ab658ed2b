#pragma once

#include "core/client/settled.h"
#include "tests/lookup/lookupfixture.h"
#include "tests/lookup/smallschool.h"

#include <QDateTime>
#include <QJsonArray>
#include <optional>
#include <utility>

namespace quorvale::testing {

namespace teacherpaths {
inline const QString courseList = QStringLiteral("/api/CourseTask/GetCourseList");
inline const QString teacherList = QStringLiteral("/api/CourseTask/GetTeacherList");
inline const QString tables = QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable");
} // namespace teacherpaths

// A platform client whose clock a test can stop and move, that counts its requests out at once.
class ProbeAPI : public QuorvaleAPI
{
    Q_OBJECT

public:
    explicit ProbeAPI(const QUrl &origin);

    // From now on the clock stands still, moved only by advance(); before, it is the real clock.
    void freezeClock() { m_frozen = QDateTime::currentDateTimeUtc(); }
    void advance(qint64 ms) { m_frozen = m_frozen->addMSecs(ms); }

    // The most requests to paths holding the fragment that were out at the same time.
    void watch(const QString &fragment) { m_fragment = fragment; }
    int mostAtOnce() const { return m_most; }

    bool hasClassMap(qint64 taskId) const { return m_teacherClassMapCache.contains(taskId); }
    qsizetype classMapFlights() const { return m_teacherClassMapFlights.size(); }

    QCoro::Task<QJsonObject> request(QString path, QString method, std::optional<QByteArray> body) override;

private:
    std::optional<QDateTime> m_frozen;
    QString m_fragment = QStringLiteral("\n");
    int m_out = 0;
    int m_most = 0;
};

// The lookup fixture with a ProbeAPI as its client.
class TeacherFixture : public LookupFixture
{
public:
    TeacherFixture();
    ProbeAPI *probe() const { return static_cast<ProbeAPI *>(api.get()); }
};

// Two calls started together, each run to its end; for work that callers share.
template <typename T>
QCoro::Task<std::pair<Settled<T>, Settled<T>>> bothOf(QCoro::Task<T> first, QCoro::Task<T> second)
{
    Settled<T> a = co_await settled(std::move(first));
    Settled<T> b = co_await settled(std::move(second));
    co_return std::pair{std::move(a), std::move(b)};
}

namespace teacherschool {

constexpr qint64 teacher = 301;
constexpr qint64 maths = 501;
constexpr qint64 music = 502;

// The small school with one default term for G7 and G10, and `extraStudents` more G7 students.
demo::SchoolData school(qint64 extraStudents = 0);

Teacher wang();

// A roster row: the student and classes of (id, grade, classType).
QJsonObject rosterRow(qint64 studentId,
                      const QList<std::tuple<qint64, std::optional<qint64>, qint64>> &classes);

} // namespace teacherschool

} // namespace quorvale::testing
