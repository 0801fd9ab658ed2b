#include "lookupfixture.h"

#include <QJsonArray>
#include <algorithm>

namespace quorvale::testing {

LookupFixture::LookupFixture()
{
    platform.listen();
    api = std::make_unique<QuorvaleAPI>(platform.origin(), TransportSettings{}, QuorvaleAPI::Clock{});
}

void LookupFixture::open(demo::SchoolData data)
{
    const demo::DemoAccount account = data.account;
    answers = demo::serveSchool(platform, std::move(data));
    awaitTask(api->login(account.name, account.password, QString()));
    platform.clearLog();
}

QStringList LookupFixture::asked(const QString &path, const QString &key) const
{
    QStringList values;
    for (const demo::HttpRequest &request : platform.requestsTo(path))
        values.append(request.query.value(key));
    return values;
}

void LookupFixture::replace(const QString &path, Override override)
{
    platform.route(path, [this, override](const demo::HttpRequest &request) {
        if (std::optional<demo::HttpResponse> response = override(request))
            return *response;
        return demo::timetableAnswer(platform, *answers, request);
    });
}

void LookupFixture::onArrival(const QString &path, const QString &key, const QString &value,
                              std::function<void()> action)
{
    QObject::connect(&platform, &demo::DemoPlatform::requestReceived, &platform,
                     [this, path, key, value, action](const QString &arrived) {
                         if (arrived == path && platform.requests().last().query.value(key) == value)
                             action();
                     });
}

QList<QStringList> levelsOf(const QList<demo::HttpRequest> &log)
{
    QList<qsizetype> levels;
    QList<QStringList> paths;
    for (const demo::HttpRequest &request : log) {
        const QList<qsizetype> answered = levels.first(std::min(request.answersBefore, levels.size()));
        const qsizetype level =
            answered.isEmpty() ? 0 : *std::max_element(answered.cbegin(), answered.cend()) + 1;
        levels.append(level);
        paths.resize(std::max(paths.size(), level + 1));
        paths[level].append(request.path.section(QLatin1Char('/'), -1));
    }
    for (QStringList &level : paths)
        level.sort();
    return paths;
}

demo::HttpResponse page(qint64 total, const QJsonArray &rows, std::optional<qint64> currentIndex)
{
    QJsonObject data{{QStringLiteral("totalCount"), total}, {QStringLiteral("list"), rows}};
    if (currentIndex)
        data.insert(QStringLiteral("currentIndex"), *currentIndex);
    return demo::envelope(data);
}

} // namespace quorvale::testing
