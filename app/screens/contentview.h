#pragma once

#include "app/state/sessionphase.h"
#include "core/client/sessionuser.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class QWindow;

// The content of the application's window: the window background and exactly one screen for the
// client's sign-in phase (a progress text while connecting or re-signing in, the sign-in screen, or
// the query screen), swapped with the content transition; a re-sign-in covers the query screen and
// keeps it for the same account. It starts the client once after its first frame, resets the search
// after a sign-out, and checks the session again whenever the window becomes active.
namespace quorvale {

class Coalescer;
class Model;
class QueryView;

class ContentView : public QWidget
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // The model (and its client) must outlive the view; the clock says what "now" is.
    explicit ContentView(Model *model, Clock clock = &QDateTime::currentDateTimeUtc,
                         QWidget *parent = nullptr);

    // The screen shown now.
    QWidget *screen() const { return m_screen; }
    SessionPhase shownPhase() const { return m_phase; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void phaseChanged();
    void showScreen(bool animated);
    QWidget *makeScreen(SessionPhase phase);

    Model *m_model;
    Clock m_clock;
    Coalescer *m_pass;
    SessionPhase m_phase;
    QWidget *m_screen = nullptr;
    // The query screen under the cover of a re-sign-in, and the account it was made for.
    QueryView *m_kept = nullptr;
    std::optional<SessionUser> m_account;
    bool m_started = false;
    // The window this content is drawn in, and whether it has just been drawn whole for a new size.
    QPointer<QWindow> m_window;
    bool m_drawnWhole = false;
};

} // namespace quorvale
