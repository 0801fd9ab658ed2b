#pragma once

#include "platform/updates/runningversion.h"

#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

// How a program proves that its version works before it takes over: once its first frame is on screen
// and it has stayed up for a while, its version becomes current, the installation's lock waited for
// off the GUI thread. A release that crashes while drawing or in its first seconds never becomes
// current. A person who quits the program once its first frame is up sees its windows go at once, but
// the program finishes its proof out of sight: it takes over only when the proof's time is over and it
// still runs, then ends. A crash or a hang in that time fails the proof as it would with the window up.
// The update that started the program hears each step.
namespace quorvale::updates {

class StartProof : public QObject
{
    Q_OBJECT

public:
    // How long the program stays up before it takes over.
    static constexpr std::chrono::seconds applicationProving{6};

    StartProof(const QString &executablePath, std::chrono::milliseconds proving, QObject *parent = nullptr);
    ~StartProof() override;

    // True while the program that an update started has not yet taken over or given up.
    bool proving() const { return m_channel.has_value(); }
    // The first frame is drawn and flushed.
    void shown();
    // True when an update started this program and it could not take over: the program is to end, and
    // the copy that started it tells the person why.
    bool rejected() const { return m_rejected; }
    // True when the person quit during the proof: the program is to end once settled.
    bool quitAsked() const { return m_quitAsked; }

signals:
    // The person quit during the proof, and the program holds the quit until its proof is over: its
    // windows are to go at once, the program runs on out of sight.
    void quitting();
    // The proof is over, taken over or not.
    void settled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void takeOver();
    void finish(std::optional<StartEvent> failure);

    std::shared_ptr<const RunningVersion> m_running;
    std::optional<int> m_channel;
    std::chrono::milliseconds m_proving;
    bool m_shown = false;
    bool m_quitAsked = false;
    bool m_rejected = false;
};

} // namespace quorvale::updates
