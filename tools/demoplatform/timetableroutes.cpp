#include "tools/demoplatform/timetableroutes.h"

#include "core/base/shanghai.h"
#include "tools/demoplatform/school/sampleschool.h"
#include "tools/demoplatform/studentlistroute.h"

namespace quorvale::demo {

namespace {

// The code the platform answers with when a request's session is unknown, expired or signed out.
constexpr qint64 sessionGone = 999901;

} // namespace

std::optional<HttpResponse> refuseUnlessSignedIn(DemoPlatform &platform, const HttpRequest &request)
{
    const Session *session = platform.sessions().find(request);
    if (!session || session->expired || !session->account)
        return refusal(sessionGone, QStringLiteral("登录已过期，请重新登录"));
    return std::nullopt;
}

HttpResponse timetableAnswer(DemoPlatform &platform, const PlatformAnswers &answers,
                             const HttpRequest &request)
{
    if (request.method != "GET")
        return {405, {{"Content-Type", "text/plain"}}, "method not allowed"};
    if (std::optional<HttpResponse> refused = refuseUnlessSignedIn(platform, request))
        return *refused;
    // The school's own query reading, not the server's: the endpoints see exactly what was sent.
    const qsizetype question = request.target.indexOf('?');
    const QByteArray query = question < 0 ? QByteArray() : request.target.mid(question + 1);
    const std::optional<PlatformAnswer> answer =
        answers.answer(request.path, PlatformAnswers::parseQuery(query));
    if (!answer)
        return {404, {{"Content-Type", "text/plain"}}, "not found"};
    return answer->succeeded() ? envelope(answer->data) : refusal(answer->state, answer->message);
}

std::shared_ptr<const PlatformAnswers> serveSchool(DemoPlatform &platform, SchoolData data)
{
    if (!data.account.name.isEmpty()) {
        platform.sessions().addAccount(
            {data.account.name, data.account.password, data.account.displayName, {data.schoolId}, false});
    }
    auto answers = std::make_shared<const PlatformAnswers>(std::move(data));
    for (const QString &path : PlatformAnswers::paths()) {
        platform.route(path, [&platform, answers](const HttpRequest &request) {
            return timetableAnswer(platform, *answers, request);
        });
    }
    serveStudentList(platform, answers);
    return answers;
}

std::shared_ptr<const PlatformAnswers> serveSampleSchool(DemoPlatform &platform)
{
    return serveSchool(platform, SampleSchool::generate(shanghai::dateOf(platform.now())));
}

} // namespace quorvale::demo
