#include "platform/updates/startproof.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <unistd.h>

namespace quorvale::updates {

StartProof::StartProof(const QString &executablePath, std::chrono::milliseconds proving, QObject *parent)
    : QObject(parent)
    , m_running(std::make_shared<const RunningVersion>(executablePath))
    , m_channel(takeReportChannel())
    , m_proving(proving)
{
    // Every quit the person asks for (the menu, its shortcut, closing the last window, the desktop's
    // logout) reaches the application as one event; an exit the program makes itself does not.
    if (m_channel && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

StartProof::~StartProof()
{
    if (m_channel)
        ::close(*m_channel);
}

void StartProof::shown()
{
    if (std::exchange(m_shown, true))
        return;
    if (m_channel)
        report(*m_channel, StartEvent::shown);
    QTimer::singleShot(m_proving, this, &StartProof::takeOver);
}

bool StartProof::eventFilter(QObject *watched, QEvent *event)
{
    // A quit before the first frame ends the program at once: nothing has shown yet that it runs.
    if (event->type() != QEvent::Quit || watched != QCoreApplication::instance() || !m_shown || !m_channel)
        return QObject::eventFilter(watched, event);
    // The quit waits for the proof's time: a release that would crash or hang in it must not pass for
    // one that works because nobody looked.
    if (!std::exchange(m_quitAsked, true)) {
        report(*m_channel, StartEvent::quitting);
        emit quitting();
    }
    return true;
}

void StartProof::takeOver()
{
    // The thread keeps what it uses; should the program end first, the thread ends with the process.
    auto outcome = std::make_shared<std::optional<StartEvent>>();
    QThread *thread = QThread::create([running = m_running, outcome] {
        *outcome = running->makeCurrent(InstallFolder::lockBound);
    });
    connect(thread, &QThread::finished, this, [this, outcome] { finish(*outcome); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void StartProof::finish(std::optional<StartEvent> failure)
{
    if (m_channel) {
        report(*m_channel, failure.value_or(StartEvent::current));
        ::close(*std::exchange(m_channel, std::nullopt));
        m_rejected = failure.has_value();
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }
    emit settled();
}

} // namespace quorvale::updates
