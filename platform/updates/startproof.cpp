#include "platform/updates/startproof.h"

#include <QThread>
#include <QTimer>
#include <unistd.h>

namespace quorvale::updates {

StartProof::StartProof(const QString &executablePath, std::chrono::milliseconds proving, QObject *parent)
    : QObject(parent)
    , m_running(std::make_shared<const RunningVersion>(executablePath))
    , m_channel(takeReportChannel())
    , m_proving(proving)
{}

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
    }
    emit settled();
}

} // namespace quorvale::updates
