#include "app/look/searchactionbutton.h"

#include "app/look/appearance.h"
#include "app/look/reducemotion.h"
#include "app/look/typography.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvale {

namespace {

constexpr QSize frame(60, 36);
constexpr qreal pressedScale = 0.96;
constexpr qreal hoverOpacity = 0.9;
constexpr int enabledMs = 150;

QColor mixed(const QColor &from, const QColor &to, qreal amount)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                            float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                            float(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

} // namespace

SearchActionButton::SearchActionButton(const QString &text, QWidget *parent)
    : ActionButton(text, parent)
    , m_enabled(new Tween(1.0, this))
{
    setFixedSize(frame);
    connect(m_enabled, &Tween::valueChanged, this, qOverload<>(&QWidget::update));
}

QSize SearchActionButton::sizeHint() const
{
    return frame;
}

QColor SearchActionButton::fill() const
{
    QColor colour = Appearance::button();
    const qreal amount = std::clamp(m_enabled->value(), 0.0, 1.0);
    colour.setAlphaF(float(amount * (hovering() && isEnabled() ? hoverOpacity : 1.0)));
    return colour;
}

QColor SearchActionButton::labelColor() const
{
    return mixed(Appearance::secondaryText.resolve(this), Qt::white,
                 std::clamp(m_enabled->value(), 0.0, 1.0));
}

qreal SearchActionButton::targetScale() const
{
    return isDown() && isEnabled() && !motion::reduced() ? pressedScale : 1.0;
}

Curve SearchActionButton::pressCurve() const
{
    return springCurve<springs::standard>();
}

// The fill follows the pointer at once; only presses and the enabled state animate.
void SearchActionButton::hoverChanged()
{
    update();
}

QPainterPath SearchActionButton::capsule() const
{
    QPainterPath path;
    const QRectF bounds = rect();
    path.addRoundedRect(bounds, bounds.height() / 2.0, bounds.height() / 2.0);
    return path;
}

bool SearchActionButton::hitButton(const QPoint &position) const
{
    return capsule().contains(QPointF(position) + QPointF(0.5, 0.5));
}

void SearchActionButton::changeEvent(QEvent *event)
{
    ActionButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    // A button set up before it is shown starts in its state instead of playing the change.
    if (isVisible())
        m_enabled->moveTo(isEnabled() ? 1.0 : 0.0, easeOut(enabledMs));
    else
        m_enabled->jumpTo(isEnabled() ? 1.0 : 0.0);
}

void SearchActionButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    applyScale(painter, 1.0);
    const QPainterPath shape = capsule();
    painter.fillPath(shape, fill());
    painter.setPen(labelColor());
    painter.setFont(textStyleFont(font(), TextStyle::callout, QFont::DemiBold));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextHideMnemonic, text());
    paintFocusRing(painter, shape);
}

} // namespace quorvale
