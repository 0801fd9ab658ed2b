#include "app/screens/contentview.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/reducemotion.h"
#include "app/look/returnpress.h"
#include "app/screens/backdrop.h"
#include "app/screens/coalescer.h"
#include "app/screens/departingscreen.h"
#include "app/screens/detached.h"
#include "app/screens/loginview.h"
#include "app/screens/progressview.h"
#include "app/screens/queryview.h"
#include "app/screens/restoringview.h"
#include "app/state/model.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <utility>

namespace quorvale {

ContentView::ContentView(Model *model, Clock clock, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_clock(std::move(clock))
    , m_pass(new Coalescer([this] { phaseChanged(); }, this))
    , m_phase(model->client()->phase())
{
    // Every pixel is painted below, so the window's own fill of its background is left out.
    setAttribute(Qt::WA_OpaquePaintEvent);
    pressButtonsWithReturn();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(m_model->client(), &QuorvaleClient::phaseChanged, m_pass, &Coalescer::request);
    showScreen(false);
}

QWidget *ContentView::makeScreen(SessionPhase phase)
{
    switch (phase) {
    case SessionPhase::Starting:
        return new ProgressView(QStringLiteral("正在连接…"), this);
    case SessionPhase::SignedOut:
        return new LoginView(m_model->client(), this);
    case SessionPhase::SignedIn:
        return new QueryView(m_model, m_clock, this);
    case SessionPhase::Restoring:
        return new RestoringView(this);
    }
    return nullptr;
}

void ContentView::showScreen(bool animated)
{
    const Transition transition = Appearance::reveal(motion::reduced());
    const Curve curve = springCurve<springs::standard>();
    QWidget *const leaving = m_screen;
    // A re-sign-in covers the query screen and keeps it, alive and as it was: the keyboard stays on
    // its control, an input method's composition goes on, a search or a choice under way ends there.
    if (auto *query = qobject_cast<QueryView *>(leaving); query && m_phase == SessionPhase::Restoring) {
        m_kept = query;
        auto *restoring = new RestoringView(this);
        m_screen = restoring;
        if (animated)
            playInsertion(restoring, transition, curve);
        restoring->cover();
        return;
    }
    // A picture of the leaving screen fades out over its successor.
    if (leaving && animated && !motion::reduced() && leaving->isVisible())
        new DepartingScreen(leaving, transition.removal, curve, this);
    QueryView *const kept = std::exchange(m_kept, nullptr);
    if (kept && m_phase == SessionPhase::SignedIn && m_model->client()->user() == m_account) {
        m_screen = kept;
        // A screen reader was told of the re-sign-in as the focus; it hears where the keyboard is before
        // what was typed meanwhile takes effect there.
        kept->tellFocus();
        static_cast<RestoringView *>(leaving)->handOn();
        delete leaving;
    } else {
        if (leaving)
            layout()->removeWidget(leaving);
        m_screen = makeScreen(m_phase);
        if (qobject_cast<QueryView *>(m_screen))
            m_account = m_model->client()->user();
        layout()->addWidget(m_screen);
        if (animated)
            playInsertion(m_screen, transition, curve);
        m_screen->show();
        // The new screen takes the keyboard before the leaving one goes, and a screen kept under a
        // re-sign-in gives it up to the cover that goes with it, so that no control of a leaving screen
        // is told focused on its way out.
        if (auto *restoring = qobject_cast<RestoringView *>(m_screen))
            restoring->setFocus(Qt::OtherFocusReason);
        if (kept && kept->isAncestorOf(focusWidget()))
            leaving->setFocus(Qt::OtherFocusReason);
        delete kept;
        delete leaving;
    }
    // Any picture of a departed screen stays on top of its successor until it has faded.
    for (DepartingScreen *picture : findChildren<DepartingScreen *>(Qt::FindDirectChildrenOnly))
        picture->raise();
}

// Each new phase brings a new screen, but for the query screen a re-sign-in of the same account covers.
void ContentView::phaseChanged()
{
    const SessionPhase phase = m_model->client()->phase();
    if (phase == m_phase)
        return;
    m_phase = phase;
    showScreen(true);
    if (phase == SessionPhase::SignedOut) {
        m_model->resetSearch();
        m_model->setFollowNow(true);
        m_model->setDate(m_clock());
    }
}

void ContentView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    QuorvaleClient *client = m_model->client();
    if (client->authenticated() && !client->working())
        detach(client->verify());
}

void ContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A window the desktop resizes is drawn as soon as this returns. Word-wrapped texts ask for a
    // second pass of their layouts once their new width is known; it runs now, so the window is drawn
    // once with everything in its final place instead of once more where the second pass moved it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QWindow *shown = window()->windowHandle(); shown && shown != m_window) {
        m_window = shown;
        shown->installEventFilter(this);
    }
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return QWidget::eventFilter(watched, event);
    // A window resized while on screen is drawn whole at once. The desktop's exposures that came
    // with the new size (the strips it added, or the whole window again) arrive in the same turn of
    // the event loop and would only send the same pixels again, once more for each of them.
    switch (event->type()) {
    case QEvent::Resize:
        if (m_window->isExposed() && !std::exchange(m_drawnWhole, true))
            QTimer::singleShot(0, this, [this] { m_drawnWhole = false; });
        break;
    case QEvent::Expose:
    case QEvent::Paint:
        return m_drawnWhole && m_window->isExposed();
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::paintEvent(QPaintEvent *event)
{
    // The client starts once the window has drawn its first frame: reading the saved account reaches
    // the desktop's services, which the first sight of the window need not wait for.
    if (!m_started) {
        m_started = true;
        QTimer::singleShot(0, this, [this] { detach(m_model->client()->start()); });
    }
    paintBackdrop(this, event->rect());
}

} // namespace quorvale
