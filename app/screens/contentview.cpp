#include "app/screens/contentview.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/painting.h"
#include "app/look/reducemotion.h"
#include "app/screens/coalescer.h"
#include "app/screens/departingscreen.h"
#include "app/screens/detached.h"
#include "app/screens/loginview.h"
#include "app/screens/progressview.h"
#include "app/screens/queryview.h"
#include "app/state/model.h"

#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvale {

ContentView::ContentView(Model *model, Clock clock, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_clock(std::move(clock))
    , m_pass(new Coalescer([this] { phaseChanged(); }, this))
    , m_phase(model->client()->phase())
{
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
        return new ProgressView(QStringLiteral("正在重新登录…"), this);
    }
    return nullptr;
}

void ContentView::showScreen(bool animated)
{
    const Transition transition = Appearance::reveal(motion::reduced());
    const Curve curve = springCurve<springs::standard>();
    if (m_screen) {
        // The leaving screen goes at once; a picture of it fades out over its successor.
        if (animated && !motion::reduced() && m_screen->isVisible())
            new DepartingScreen(m_screen, transition.removal, curve, this);
        delete m_screen;
    }
    m_screen = makeScreen(m_phase);
    layout()->addWidget(m_screen);
    if (animated)
        playInsertion(m_screen, transition, curve);
    m_screen->show();
    // Any picture of a departed screen stays on top of its successor until it has faded.
    for (DepartingScreen *picture : findChildren<DepartingScreen *>(Qt::FindDirectChildrenOnly))
        picture->raise();
}

// Each new phase brings a new screen, so a screen's own state never outlives its phase.
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

void ContentView::paintEvent(QPaintEvent *)
{
    // The client starts once the window has drawn its first frame: reading the saved account reaches
    // the desktop's services, which the first sight of the window need not wait for.
    if (!m_started) {
        m_started = true;
        QTimer::singleShot(0, this, [this] { detach(m_model->client()->start()); });
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    QLinearGradient wash(0.0, 0.0, 0.0, height());
    wash.setColorAt(0.0, painting::withOpacity(Appearance::accentBlue.resolve(palette()), 0.045));
    wash.setColorAt(1.0, Qt::transparent);
    painter.fillRect(rect(), wash);
}

} // namespace quorvale
