#pragma once

#include "app/screens/queryview.h"
#include "app/state/sessionphase.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class QWindow;

// The content of the application's window: the window background and exactly one screen for the
// client's sign-in phase (a progress text while connecting or re-signing in, the sign-in screen, or
// the query screen), swapped with the content transition. It starts the client once after its first
// frame, resets the search after a sign-out, and checks the session again whenever the window
// becomes active.
namespace quorvale {

class Coalescer;
class Model;

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
    // Where the keyboard was on the query screen a re-sign-in took away, for the one that follows.
    std::optional<QueryView::KeyboardPlace> m_keyboard;
    bool m_started = false;
    // The window this content is drawn in, and whether it has just been drawn whole for a new size.
    QPointer<QWindow> m_window;
    bool m_drawnWhole = false;
};

} // namespace quorvale
