#include "core/client/desktopproxy.h"

#include <QPromise>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <proxy.h>
#include <thread>

namespace quorvale::desktopproxy {

namespace {

using Clock = std::chrono::steady_clock;

// Whether libcurl takes a proxy for the address from the environment. It reads http_proxy in lower
// case only: a web server may set HTTP_PROXY from a request's header.
bool environmentNamesProxy(const QUrl &address)
{
    QList<const char *> names{"all_proxy", "ALL_PROXY"};
    if (address.scheme() == u"https")
        names += {"https_proxy", "HTTPS_PROXY"};
    else
        names += "http_proxy";
    for (const char *name : names) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

// Where the desktop has no setting of its own, libproxy reads HTTP_PROXY and http_proxy, for https
// addresses too; libcurl reads neither there, and a proxy named only by them is not the desktop's.
bool namedByEnvironment(const QUrl &proxy)
{
    for (const char *name : {"HTTP_PROXY", "http_proxy"}) {
        QString value = qEnvironmentVariable(name).trimmed();
        if (value.isEmpty())
            continue;
        if (!value.contains(u"://"))
            value.prepend(u"http://");
        const QUrl named(value);
        if (named.host().compare(proxy.host(), Qt::CaseInsensitive) == 0 && named.port(80) == proxy.port(80))
            return true;
    }
    return false;
}

// The first of libproxy's answers that libcurl can use, in libproxy's order of preference.
std::optional<QUrl> chosen(char **answers)
{
    for (char **answer = answers; answer && *answer; ++answer) {
        QUrl proxy(QString::fromUtf8(*answer));
        const QString scheme = proxy.scheme();
        if (scheme == u"direct")
            return std::nullopt;
        // The proxy resolves the platform's name: the desktop may not reach a name server.
        if (scheme == u"socks" || scheme == u"socks5")
            proxy.setScheme(QStringLiteral("socks5h"));
        else if (scheme == u"socks4")
            proxy.setScheme(QStringLiteral("socks4a"));
        else if (scheme != u"http")
            continue;
        if (proxy.host().isEmpty())
            continue;
        if (namedByEnvironment(proxy))
            return std::nullopt;
        return proxy;
    }
    return std::nullopt;
}

// The answer one lookup waits for: libproxy's or the bound's, whichever comes first.
struct Pending
{
    std::mutex mutex;
    bool settled = false;
    QPromise<std::optional<QUrl>> promise;

    void settle(const std::optional<QUrl> &proxy)
    {
        const std::lock_guard lock(mutex);
        if (std::exchange(settled, true))
            return;
        promise.addResult(proxy);
        promise.finish();
    }
};

// One thread asks libproxy, which is not safe to use from several, for one address after the other.
// It lives as long as the process and nothing ever waits for it to end: it may be held inside
// libproxy for as long as a proxy auto-configuration server keeps it.
class Resolver
{
public:
    static Resolver &instance()
    {
        static Resolver *const resolver = new Resolver;
        return *resolver;
    }

    void ask(const QUrl &address, std::shared_ptr<Pending> pending, Clock::time_point deadline)
    {
        {
            const std::lock_guard lock(m_mutex);
            // An earlier question has outlived its bound: the desktop is not answering.
            const bool held = m_busyUntil && *m_busyUntil < Clock::now();
            if (!held) {
                m_questions.push_back({address.toEncoded(), std::move(pending), deadline});
                m_wake.notify_one();
                return;
            }
        }
        pending->settle(std::nullopt);
    }

private:
    struct Question
    {
        QByteArray address;
        std::shared_ptr<Pending> pending;
        Clock::time_point deadline;
    };

    Resolver()
    {
        std::thread([this] { run(); }).detach();
    }

    void run()
    {
        pxProxyFactory *const factory = px_proxy_factory_new();
        while (true) {
            std::unique_lock lock(m_mutex);
            m_busyUntil.reset();
            m_wake.wait(lock, [this] { return !m_questions.empty(); });
            const Question question = std::move(m_questions.front());
            m_questions.pop_front();
            m_busyUntil = question.deadline;
            lock.unlock();
            char **answers =
                factory ? px_proxy_factory_get_proxies(factory, question.address.constData()) : nullptr;
            question.pending->settle(chosen(answers));
            if (answers)
                px_proxy_factory_free_proxies(answers);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Question> m_questions;
    // When the question libproxy is working on should have been answered.
    std::optional<Clock::time_point> m_busyUntil;
};

} // namespace

QFuture<std::optional<QUrl>> lookup(const QUrl &address, std::chrono::milliseconds bound)
{
    if (environmentNamesProxy(address))
        return QtFuture::makeReadyFuture(std::optional<QUrl>());
    auto pending = std::make_shared<Pending>();
    pending->promise.start();
    QFuture<std::optional<QUrl>> answer = pending->promise.future();
    QTimer::singleShot(int(bound.count()), [pending] { pending->settle(std::nullopt); });
    Resolver::instance().ask(address, pending, Clock::now() + bound);
    return answer;
}

QByteArray directHosts()
{
    QByteArray listed = qgetenv("no_proxy").trimmed();
    if (listed.isEmpty())
        listed = qgetenv("NO_PROXY").trimmed();
    // libcurl reads "*" as every host only where it stands alone.
    if (listed == "*")
        return listed;
    QByteArray hosts = "localhost,127.0.0.0/8,::1";
    if (!listed.isEmpty())
        hosts += ',' + listed;
    return hosts;
}

} // namespace quorvale::desktopproxy
