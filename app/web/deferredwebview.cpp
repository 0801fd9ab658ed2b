#include "app/web/deferredwebview.h"

#include "platform/updates/buildstamp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QOpenGLContext>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <unistd.h>

// Qt's own setter of the graphics context that every window shares. Qt makes that context only when
// asked before the application starts; the engine needs it, and it is made here on first use instead.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace quorvale {

namespace {

using CreateWebView = PlatformWebView *(*)(QObject *parent);

const char *const sandboxVariable = "QTWEBENGINE_DISABLE_SANDBOX";

// The versions stamped in a module file, read from its bytes, since loading it would already run its
// constructors; nothing when the file cannot be read.
std::optional<QStringList> stampedModuleVersions(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (const uchar *mapped = file.map(0, size))
        return updates::stampedVersions(
            QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), size));
    return updates::stampedVersions(file.readAll());
}

} // namespace

DeferredWebView::DeferredWebView(QStringList modulePaths, QObject *parent)
    : PlatformWebView(parent)
    , m_modulePaths(std::move(modulePaths))
{}

QStringList DeferredWebView::defaultModulePaths()
{
    // Only beside the executable: an installed program loads nothing from outside its version folder,
    // whoever can write elsewhere. The build's programs that lie elsewhere find a link to the module there.
    return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(QUORVALE_WEB_MODULE_NAME))};
}

QString DeferredWebView::sandboxReason(bool root, bool sandboxDisabled)
{
    if (!root || sandboxDisabled)
        return {};
    return QStringLiteral("课径正以 root 身份运行，网页引擎在 root 下无法启用沙盒，因此官网登录页无法打开。"
                          "请以普通用户身份运行课径；如确需以 root 运行，请先设置环境变量 "
                          "QTWEBENGINE_DISABLE_SANDBOX=1 再启动课径。");
}

QString DeferredWebView::moduleVersionReason(const QString &moduleVersion, const QString &programVersion)
{
    const QString built =
        moduleVersion.isEmpty() ? QStringLiteral("未知版本") : QStringLiteral("版本 ") + moduleVersion;
    return QStringLiteral(
               "课径的网页组件（%1）与课径程序（版本 %2）不配套，官网登录页无法打开。请重新安装课径。")
        .arg(built, programVersion);
}

QString DeferredWebView::unavailableReason() const
{
    const QString sandbox = sandboxReason(geteuid() == 0, qEnvironmentVariableIsSet(sandboxVariable));
    return sandbox.isEmpty() ? m_failure : sandbox;
}

PlatformWebView *DeferredWebView::engine()
{
    if (m_engine || !m_failure.isEmpty() || !unavailableReason().isEmpty())
        return m_engine;
    // The engine draws through a graphics context shared with the windows; making it only now keeps
    // every run that never opens the web sign-in free of its cost.
    if (!QOpenGLContext::globalShareContext()) {
        auto *shared = new QOpenGLContext(QCoreApplication::instance());
        shared->create();
        qt_gl_set_global_share_context(shared);
    }
    const QString programVersion = QStringLiteral(QUORVALE_VERSION);
    QString refusal;
    for (const QString &path : std::as_const(m_modulePaths)) {
        const std::optional<QStringList> built = stampedModuleVersions(path);
        if (!built)
            continue;
        // A module of another version may speak another interface and is never loaded at all.
        if (*built != QStringList{programVersion}) {
            const auto other =
                std::find_if(built->begin(), built->end(),
                             [&programVersion](const QString &version) { return version != programVersion; });
            refusal = moduleVersionReason(other == built->end() ? QString() : *other, programVersion);
            continue;
        }
        QLibrary module(path);
        const auto create = reinterpret_cast<CreateWebView>(module.resolve("quorvaleCreateWebView"));
        if (!create)
            continue;
        m_engine = create(this);
        break;
    }
    if (!m_engine) {
        m_failure = refusal.isEmpty()
                        ? QStringLiteral("找不到课径的网页组件，官网登录页无法打开。请重新安装课径。")
                        : refusal;
        return nullptr;
    }
    connect(m_engine, &PlatformWebView::loadStarted, this, &PlatformWebView::loadStarted);
    connect(m_engine, &PlatformWebView::loadFinished, this, &PlatformWebView::loadFinished);
    connect(m_engine, &PlatformWebView::loadFailed, this, &PlatformWebView::loadFailed);
    return m_engine;
}

QCoro::Task<QList<QNetworkCookie>> DeferredWebView::cookies()
{
    // An engine never loaded holds no cookies.
    if (!m_engine)
        co_return QList<QNetworkCookie>();
    co_return co_await m_engine->cookies();
}

QCoro::Task<> DeferredWebView::setCookie(QNetworkCookie cookie)
{
    if (PlatformWebView *web = engine())
        co_await web->setCookie(std::move(cookie));
}

void DeferredWebView::load(const QUrl &url, std::chrono::milliseconds timeout)
{
    if (PlatformWebView *web = engine()) {
        web->load(url, timeout);
        return;
    }
    // Reported on a later turn, as a load that fails on its way.
    QTimer::singleShot(0, this, &PlatformWebView::loadFailed);
}

void DeferredWebView::loadBlank()
{
    if (m_engine)
        m_engine->loadBlank();
}

QCoro::Task<> DeferredWebView::reset()
{
    if (m_engine)
        co_await m_engine->reset();
}

QWidget *DeferredWebView::createView(QWidget *parent)
{
    PlatformWebView *web = engine();
    return web ? web->createView(parent) : nullptr;
}

} // namespace quorvale
