#include "app/screens/segmentedcontrol.h"

#include "app/look/painting.h"
#include "app/look/typography.h"
#include "app/screens/segmentedaccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvale {

namespace {

constexpr int controlHeight = 24;
constexpr qreal inset = 2.0;

} // namespace

SegmentedControl::SegmentedControl(const QStringList &titles, int width, QWidget *parent)
    : QWidget(parent)
    , m_titles(titles)
{
    setFixedSize(width, controlHeight);
    setFocusPolicy(Qt::TabFocus);
    setFont(textStyleFont(font(), TextStyle::body));
    setCursor(Qt::PointingHandCursor);
    SegmentedAccessible::install();
}

void SegmentedControl::setCurrent(int index)
{
    if (index == m_current || index < 0 || index >= m_titles.size())
        return;
    m_current = index;
    update();
    announceChoice();
}

QRect SegmentedControl::segmentRect(int index) const
{
    if (m_titles.isEmpty())
        return {};
    const int segment = width() / int(m_titles.size());
    return {index * segment, 0, index == m_titles.size() - 1 ? width() - index * segment : segment, height()};
}

QSize SegmentedControl::sizeHint() const
{
    return size();
}

void SegmentedControl::choose(int index)
{
    if (index == m_current || index < 0 || index >= m_titles.size())
        return;
    m_current = index;
    update();
    announceChoice();
    emit chosen(index);
}

void SegmentedControl::announceChoice()
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State selection;
    selection.selected = true;
    QAccessibleStateChangeEvent changed(this, selection);
    changed.setChild(m_current);
    QAccessible::updateAccessibility(&changed);
    if (hasFocus()) {
        QAccessibleEvent focused(this, QAccessible::Focus);
        focused.setChild(m_current);
        QAccessible::updateAccessibility(&focused);
    }
}

void SegmentedControl::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    // After the control's own focus report, which follows this event, so that the chosen segment is
    // what is heard last.
    QMetaObject::invokeMethod(
        this, [this] { announceChoice(); }, Qt::QueuedConnection);
}

void SegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    for (int index = 0; index < m_titles.size(); ++index) {
        if (segmentRect(index).contains(event->position().toPoint()))
            choose(index);
    }
}

void SegmentedControl::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Left)
        choose(m_current - 1);
    else if (event->key() == Qt::Key_Right)
        choose(m_current + 1);
    else
        QWidget::keyPressEvent(event);
}

void SegmentedControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath track;
    track.addRoundedRect(bounds, 7.0, 7.0);
    painter.fillPath(track, painting::primary(palette(), 0.07));

    const QRectF chosen = QRectF(segmentRect(m_current)).adjusted(inset, inset, -inset, -inset);
    QPainterPath thumb;
    thumb.addRoundedRect(chosen, 5.5, 5.5);
    painter.fillPath(thumb, painting::controlBackground(palette()));
    painter.strokePath(thumb, QPen(painting::primary(palette(), 0.1), 1.0));

    painter.setFont(font());
    for (int index = 0; index < m_titles.size(); ++index) {
        painter.setPen(painting::primary(palette(), index == m_current ? 1.0 : 0.75));
        painter.drawText(segmentRect(index), Qt::AlignCenter | Qt::TextSingleLine, m_titles.at(index));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawPath(track);
    }
}

} // namespace quorvale
