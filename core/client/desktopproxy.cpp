#include "core/client/desktopproxy.h"

#include <QPromise>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <proxy.h>
#include <thread>

namespace quorvale::desktopproxy {

namespace {

using Clock = std::chrono::steady_clock;

// GNOME's proxy mode ("none", "manual" or "auto"), read through GSettings. Its library is loaded
// only here, on the first request, so that a start never pays for it, and stays: GLib cannot be
// unloaded.
QByteArray gnomeMode()
{
    using Function = void (*)();
    void *const gio = ::dlopen("libgio-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!gio)
        return {};
    const auto function = [gio](const char *name) { return reinterpret_cast<Function>(::dlsym(gio, name)); };
    const auto defaultSource =
        reinterpret_cast<void *(*)()>(function("g_settings_schema_source_get_default"));
    const auto lookUp =
        reinterpret_cast<void *(*)(void *, const char *, int)>(function("g_settings_schema_source_lookup"));
    const auto unrefSchema = reinterpret_cast<void (*)(void *)>(function("g_settings_schema_unref"));
    const auto settingsOf =
        reinterpret_cast<void *(*)(void *, void *, const char *)>(function("g_settings_new_full"));
    const auto stringOf =
        reinterpret_cast<char *(*)(void *, const char *)>(function("g_settings_get_string"));
    const auto unref = reinterpret_cast<void (*)(void *)>(function("g_object_unref"));
    const auto release = reinterpret_cast<void (*)(void *)>(function("g_free"));
    if (!defaultSource || !lookUp || !unrefSchema || !settingsOf || !stringOf || !unref || !release)
        return {};
    // GSettings ends the program when asked for a schema it does not know.
    void *const source = defaultSource();
    void *const schema = source ? lookUp(source, "org.gnome.system.proxy", 1) : nullptr;
    if (!schema)
        return {};
    void *const settings = settingsOf(schema, nullptr, nullptr);
    char *const mode = stringOf(settings, "mode");
    const QByteArray named(mode);
    release(mode);
    unref(settings);
    unrefSchema(schema);
    return named;
}

// Whether the desktop's own setting names proxies, as opposed to libproxy's fallback to the
// environment, which reads HTTP_PROXY and http_proxy for https addresses too where libcurl reads
// neither. libproxy follows GNOME's setting in the sessions it takes for GNOME's and KDE's in KDE's.
bool desktopNamesProxies()
{
    const QByteArray session = qgetenv("DESKTOP_SESSION");
    if (!qEnvironmentVariableIsEmpty("GNOME_DESKTOP_SESSION_ID") || session == "gnome" ||
        session == "gnome-wayland" || session == "mate") {
        const QByteArray mode = gnomeMode();
        return mode == "manual" || mode == "auto";
    }
    if (!qEnvironmentVariableIsEmpty("KDE_FULL_SESSION")) {
        // None, manual, a configuration file's address, discovered, the environment's variables.
        const QString file =
            QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kioslaverc"));
        const int type =
            QSettings(file, QSettings::IniFormat).value(QStringLiteral("Proxy Settings/ProxyType")).toInt();
        return type >= 1 && type <= 3;
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
    // The bound's timer, on the thread that asked: it goes with the answer, so that nothing of a
    // lookup outlives it.
    QTimer *bound = nullptr;

    void settle(const std::optional<QUrl> &proxy)
    {
        const std::lock_guard lock(mutex);
        if (std::exchange(settled, true))
            return;
        promise.addResult(proxy);
        promise.finish();
        // Queued: this may run inside the timer's own signal.
        QMetaObject::invokeMethod(
            bound, [timer = bound] { delete timer; }, Qt::QueuedConnection);
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
        // Made at the first question the desktop's own setting may answer: libproxy maps its
        // configuration file's engine as it is made.
        pxProxyFactory *factory = nullptr;
        while (true) {
            std::unique_lock lock(m_mutex);
            m_busyUntil.reset();
            m_wake.wait(lock, [this] { return !m_questions.empty(); });
            const Question question = std::move(m_questions.front());
            m_questions.pop_front();
            m_busyUntil = question.deadline;
            lock.unlock();
            if (!desktopNamesProxies()) {
                question.pending->settle(std::nullopt);
                continue;
            }
            if (!factory)
                factory = px_proxy_factory_new();
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
    if (!environmentProxy(address).isEmpty())
        return QtFuture::makeReadyFuture(std::optional<QUrl>());
    auto pending = std::make_shared<Pending>();
    pending->promise.start();
    QFuture<std::optional<QUrl>> answer = pending->promise.future();
    pending->bound = new QTimer;
    pending->bound->setSingleShot(true);
    QObject::connect(pending->bound, &QTimer::timeout, [pending] { pending->settle(std::nullopt); });
    pending->bound->start(bound);
    Resolver::instance().ask(address, pending, Clock::now() + bound);
    return answer;
}

QByteArray environmentProxy(const QUrl &address)
{
    const QList<const char *> names = address.scheme() == u"https"
                                          ? QList<const char *>{"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}
                                          : QList<const char *>{"http_proxy", "all_proxy", "ALL_PROXY"};
    for (const char *name : names) {
        const QByteArray named = qgetenv(name);
        if (!named.isEmpty())
            return named;
    }
    return {};
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
