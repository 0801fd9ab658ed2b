#include "core/client/quorvaleapi.h"

#include "core/base/platformconfig.h"
#include "core/base/text.h"

#include <QStringList>
#include <algorithm>

namespace quorvale {

namespace {

// Scheme, host and port only: the form every comparison and the "Origin" field expect.
QUrl bareOrigin(const QUrl &origin)
{
    QUrl bare;
    bare.setScheme(origin.scheme());
    bare.setHost(origin.host());
    bare.setPort(origin.port());
    return bare;
}

QString withoutOuterDots(QString domain)
{
    while (domain.startsWith(u'.'))
        domain.remove(0, 1);
    while (domain.endsWith(u'.'))
        domain.chop(1);
    return domain;
}

} // namespace

QuorvaleAPI::QuorvaleAPI(QObject *parent)
    : QuorvaleAPI(platform::origin(), TransportSettings{}, Clock{}, parent)
{}

QuorvaleAPI::QuorvaleAPI(const QUrl &origin, const TransportSettings &transport, Clock clock, QObject *parent)
    : QObject(parent)
    , m_origin(bareOrigin(origin))
    , m_transport(transport)
    , m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentDateTimeUtc))
    , m_session(newSession())
    , m_teacherCacheEpoch(QUuid::createUuid())
{}

QuorvaleAPI::~QuorvaleAPI()
{
    m_session->invalidate();
}

PlatformSession *QuorvaleAPI::newSession()
{
    return new PlatformSession(m_origin, m_transport, this);
}

QList<QNetworkCookie> QuorvaleAPI::cookies() const
{
    return m_session->cookies();
}

void QuorvaleAPI::importCookies(const QList<QNetworkCookie> &cookies)
{
    clearTeacherCaches();
    const QString host = m_origin.host();
    const std::optional<QString> parent = platform::registrableDomain(host);
    for (const QNetworkCookie &cookie : cookies) {
        const QString domain = withoutOuterDots(cookie.domain());
        if (domain == host || (parent && domain == *parent))
            m_session->insertCookie(cookie);
    }
}

void QuorvaleAPI::clearTeacherCaches()
{
    m_teacherCacheEpoch = QUuid::createUuid();
    m_teacherClassMapCache.clear();
    m_teacherResponseCache.clear();
    // Cancelling only queues the waiters' wake-up, so the table cannot change while it is walked.
    for (const TeacherClassMapFlight &flight : std::as_const(m_teacherClassMapFlights)) {
        if (flight.task)
            flight.task->cancel();
    }
    m_teacherClassMapFlights.clear();
}

QString QuorvaleAPI::path(const QString &path, const QMap<QString, QString> &query)
{
    QStringList keys = query.keys();
    std::sort(keys.begin(), keys.end(), text::less);
    QStringList items;
    // toPercentEncoding leaves only unreserved characters as they are, so "+" is already "%2B" and
    // cannot be read as a space.
    for (const QString &key : keys)
        items.append(QString::fromLatin1(QUrl::toPercentEncoding(key) + '=' +
                                         QUrl::toPercentEncoding(query.value(key))));
    return path + u'?' + items.join(u'&');
}

} // namespace quorvale
