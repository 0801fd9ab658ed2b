#pragma once

#include <QCoroTask>
#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QUrl>
#include <chrono>

class QWidget;

namespace quorvale {

// The embedded web view of the web sign-in as the session client uses it. Its pages and cookies live
// in memory only and never reach the disk.
class PlatformWebView : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Every cookie the view's store holds now.
    virtual QCoro::Task<QList<QNetworkCookie>> cookies() = 0;
    // Stores one cookie; returns once the store holds it.
    virtual QCoro::Task<> setCookie(QNetworkCookie cookie) = 0;
    // Loads a page; a load that has not finished when the time limit runs out fails.
    virtual void load(const QUrl &url, std::chrono::milliseconds timeout) = 0;
    // Shows an empty page with no base address.
    virtual void loadBlank() = 0;
    // Removes every kind of website data the view keeps; returns once it is gone.
    virtual QCoro::Task<> reset() = 0;
    // A new widget that shows the view's page; none where no page can be shown.
    virtual QWidget *createView(QWidget *parent)
    {
        Q_UNUSED(parent)
        return nullptr;
    }
    // Why no page can be shown here, in words for the person at the window; empty when one can.
    virtual QString unavailableReason() const { return {}; }

signals:
    void loadStarted();
    void loadFinished();
    // Any failed load, whatever its cause.
    void loadFailed();
};

} // namespace quorvale
