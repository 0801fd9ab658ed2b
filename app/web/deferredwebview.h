#pragma once

#include "app/state/platformwebview.h"

#include <QPointer>

namespace quorvale {

// The web view of the web sign-in as the application starts with it: the browser engine and the
// libraries it pulls in are loaded from the web module on first need, not at every start. Until
// then cookies and resets need no engine. As root the engine cannot start its sandbox and would
// end the whole process, so there it is never loaded unless the person has switched the sandbox
// off; the reason is told instead. A module stamped with another version is refused the same way,
// without being loaded.
class DeferredWebView : public PlatformWebView
{
    Q_OBJECT

public:
    // `modulePaths` are tried in order; the first that loads serves.
    explicit DeferredWebView(QStringList modulePaths, QObject *parent = nullptr);

    QCoro::Task<QList<QNetworkCookie>> cookies() override;
    QCoro::Task<> setCookie(QNetworkCookie cookie) override;
    void load(const QUrl &url, std::chrono::milliseconds timeout) override;
    void loadBlank() override;
    QCoro::Task<> reset() override;
    QWidget *createView(QWidget *parent) override;
    QString unavailableReason() const override;

    // Whether the engine was loaded.
    bool isLoaded() const { return m_engine != nullptr; }

    // The web module's usual place: beside the executable.
    static QStringList defaultModulePaths();
    // Why a web module built for another version, or for no known one, is not used.
    static QString moduleVersionReason(const QString &moduleVersion, const QString &programVersion);
    // Why the engine must not start as this user with this environment; empty when it may.
    static QString sandboxReason(bool root, bool sandboxDisabled);

private:
    // The engine, loaded now if it was not yet; none where it cannot be.
    PlatformWebView *engine();

    QStringList m_modulePaths;
    QPointer<PlatformWebView> m_engine;
    QString m_failure;
};

} // namespace quorvale
