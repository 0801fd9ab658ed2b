#include "tools/demoplatform/server/serveroptions.h"

#include <QCommandLineParser>

namespace quorvale::demo {

namespace {

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Show this help and exit."));
const QCommandLineOption delayOption(QStringLiteral("delay"),
                                     QStringLiteral("Wait this many milliseconds before every answer."),
                                     QStringLiteral("ms"));
const QCommandLineOption dropOption(
    QStringLiteral("drop"),
    QStringLiteral("Close the connection of requests to PATH without answering; with :COUNT only the next "
                   "COUNT of them (for example /api/CourseTask/GetStudentCourseTimeTable:1). Repeatable."),
    QStringLiteral("PATH[:COUNT]"));
const QCommandLineOption
    expireOption(QStringLiteral("expire-every"),
                 QStringLiteral("Expire every signed-in session each time this many seconds have passed."),
                 QStringLiteral("seconds"));
const QCommandLineOption
    captchaOption(QStringLiteral("captcha"),
                  QStringLiteral("Ask for a captcha at the demo account's next sign-in."));

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Serves the generated sample school at a loopback origin until stopped.\n"
                       "ORIGIN defaults to the build's platform origin."));
    parser.addOption(helpOption);
    parser.addOptions({delayOption, dropOption, expireOption, captchaOption});
    parser.addPositionalArgument(QStringLiteral("ORIGIN"), QStringLiteral("http://127.0.0.1:PORT to serve."),
                                 QStringLiteral("[ORIGIN]"));
}

// A whole decimal number of at least `lowest`.
std::optional<int> number(const QString &text, int lowest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || text.trimmed() != text)
        return std::nullopt;
    return value;
}

std::optional<DroppedPath> droppedPath(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    DroppedPath dropped{colon < 0 ? text : text.left(colon), -1};
    if (colon >= 0) {
        const std::optional<int> times = number(text.mid(colon + 1), 1);
        if (!times)
            return std::nullopt;
        dropped.times = *times;
    }
    if (!dropped.path.startsWith(u'/'))
        return std::nullopt;
    return dropped;
}

} // namespace

QString serverUsage()
{
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

std::optional<ServerOptions> parseServerOptions(const QStringList &arguments, const QString &defaultOrigin,
                                                QString *error)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    ServerOptions options;
    if (parser.isSet(helpOption)) {
        options.help = true;
        return options;
    }
    if (parser.positionalArguments().size() > 1) {
        *error = QStringLiteral("usage: quorvale-demo-platform [options] [http://127.0.0.1:PORT]");
        return std::nullopt;
    }
    if (parser.isSet(delayOption)) {
        const std::optional<int> delay = number(parser.value(delayOption), 0);
        if (!delay) {
            *error = QStringLiteral("--delay needs a whole number of milliseconds");
            return std::nullopt;
        }
        options.delayMs = *delay;
    }
    for (const QString &value : parser.values(dropOption)) {
        const std::optional<DroppedPath> dropped = droppedPath(value);
        if (!dropped) {
            *error =
                QStringLiteral("--drop needs a path starting with / and an optional :COUNT: %1").arg(value);
            return std::nullopt;
        }
        options.drops.append(*dropped);
    }
    if (parser.isSet(expireOption)) {
        options.expireEverySeconds = number(parser.value(expireOption), 1);
        if (!options.expireEverySeconds) {
            *error = QStringLiteral("--expire-every needs a whole number of seconds, at least 1");
            return std::nullopt;
        }
    }
    options.captcha = parser.isSet(captchaOption);

    const QString text =
        parser.positionalArguments().isEmpty() ? defaultOrigin : parser.positionalArguments().first();
    const QUrl origin(text, QUrl::StrictMode);
    const bool bare =
        origin.path().isEmpty() && !origin.hasQuery() && !origin.hasFragment() && origin.userInfo().isEmpty();
    // The platform listens on 127.0.0.1 only; any other host would never be answered.
    const bool local =
        origin.host() == QLatin1String("127.0.0.1") || origin.host() == QLatin1String("localhost");
    if (!origin.isValid() || origin.scheme() != QLatin1String("http") || !bare || !local) {
        *error = QStringLiteral("not a loopback http origin on 127.0.0.1: %1").arg(text);
        return std::nullopt;
    }
    if (origin.port() <= 0) {
        *error = QStringLiteral("the origin needs a port: %1").arg(text);
        return std::nullopt;
    }
    options.origin = origin;
    options.port = quint16(origin.port());
    return options;
}

} // namespace quorvale::demo
