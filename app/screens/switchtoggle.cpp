#include "app/screens/switchtoggle.h"

#include "app/look/appearance.h"
#include "app/look/painting.h"
#include "app/look/typography.h"

#include <QFontMetrics>
#include <QPainter>

namespace quorvale {

namespace {

constexpr QSize track(26, 15);
constexpr int labelSpacing = 8;
// The focus ring stands apart from the track, on the background around it: on the track it would
// vanish into the blue of a switch that is on.
constexpr qreal ringGap = 2.5;
constexpr int ringRoom = 4;

} // namespace

SwitchToggle::SwitchToggle(const QString &label, QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setText(label);
    setFont(textStyleFont(font(), TextStyle::body));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QSize SwitchToggle::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + labelSpacing + track.width() + 2 * ringRoom,
            std::max(metrics.height(), track.height() + 2 * ringRoom)};
}

void SwitchToggle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal opacity = isEnabled() ? 1.0 : 0.45;
    painter.setFont(font());
    painter.setPen(painting::primary(palette(), opacity));
    const int labelWidth = width() - track.width() - labelSpacing - 2 * ringRoom;
    painter.drawText(QRect(0, 0, labelWidth, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     text());

    const QRectF body(width() - track.width() - ringRoom, (height() - track.height()) / 2.0, track.width(),
                      track.height());
    const qreal radius = body.height() / 2.0;
    const QColor fill = isChecked() ? Appearance::button() : painting::primary(palette(), 0.15);
    painter.setPen(Qt::NoPen);
    painter.setBrush(painting::withOpacity(fill, opacity));
    painter.drawRoundedRect(body, radius, radius);
    const qreal knob = body.height() - 3.0;
    const qreal x = isChecked() ? body.right() - knob - 1.5 : body.left() + 1.5;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, body.top() + 1.5, knob, knob));
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
        painter.drawRoundedRect(body.adjusted(-ringGap, -ringGap, ringGap, ringGap), radius + ringGap,
                                radius + ringGap);
    }
}

} // namespace quorvale
