#pragma once

#include "core/client/envelope.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"

#include <QTimeZone>

// A platform client whose transport serves the fuzzed bodies one request after another, judged as
// the real transport judges a 200 answer; once they run out the platform is unreachable.
namespace quorvale::fuzz {

class ServedAPI : public QuorvaleAPI
{
public:
    ServedAPI()
        : QuorvaleAPI(QUrl(QStringLiteral("https://platform.example")), TransportSettings{}, &now)
    {}

    // A Wednesday morning in Shanghai.
    static QDateTime now() { return QDateTime(QDate(2025, 3, 5), QTime(2, 0), QTimeZone::utc()); }

    // Serves these bodies from now on, with nothing cached from earlier inputs.
    void serve(QList<QByteArray> bodies)
    {
        m_bodies = std::move(bodies);
        clearTeacherCaches();
    }

    QCoro::Task<QJsonObject> request(QString path, QString, std::optional<QByteArray>) override
    {
        if (m_bodies.isEmpty())
            throw QuorvaleAPIError::network();
        const QByteArray body = m_bodies.takeFirst();
        co_return readEnvelope(200, origin().resolved(QUrl(path)), origin().host(), body);
    }

private:
    QList<QByteArray> m_bodies;
};

} // namespace quorvale::fuzz
