// The demo platform program: serves the generated sample school at a loopback origin until it is
// stopped, and prints where it listens and the account to sign in with. Its options stage delays,
// dropped connections, expiring sessions and captchas (see --help).

#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/server/serveroptions.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    using namespace quorvale::demo;

    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString error;
    const std::optional<ServerOptions> options =
        parseServerOptions(application.arguments(), QStringLiteral(QUORVALE_PLATFORM_ORIGIN), &error);
    if (!options) {
        err << error << Qt::endl;
        return 2;
    }
    if (options->help) {
        out << serverUsage();
        return 0;
    }

    DemoPlatform platform;
    if (!platform.listen(options->port)) {
        err << "cannot listen on 127.0.0.1:" << options->port << Qt::endl;
        return 1;
    }
    const auto answers = serveSampleSchool(platform);
    const DemoAccount &account = answers->data().account;
    if (options->delayMs > 0) {
        const int delayMs = options->delayMs;
        platform.setAnswerDelay([delayMs](const HttpRequest &) { return delayMs; });
    }
    for (const DroppedPath &dropped : options->drops)
        platform.faults().drop(dropped.path, dropped.times);
    if (options->captcha) {
        if (Account *demo = platform.sessions().account(account.name))
            demo->captchaRequired = true;
    }
    QTimer expiry;
    if (options->expireEverySeconds) {
        QObject::connect(&expiry, &QTimer::timeout, &platform,
                         [&platform] { platform.sessions().expireAll(); });
        expiry.start(*options->expireEverySeconds * 1000);
    }
    out << QStringLiteral("演示平台: ") << options->origin.toString() << Qt::endl
        << QStringLiteral("账号: ") << account.name << Qt::endl
        << QStringLiteral("密码: ") << account.password << Qt::endl;
    return application.exec();
}
