#include "app/look/preparedtext.h"

#include <QPainter>
#include <QRectF>

namespace quorvale {

PreparedText::PreparedText(const QString &text, const QFont &font)
    : m_font(font)
    , m_shaped(text)
{
    m_shaped.setTextFormat(Qt::PlainText);
    m_shaped.setPerformanceHint(QStaticText::AggressiveCaching);
    m_shaped.prepare(QTransform(), font);
}

void PreparedText::draw(QPainter &painter, const QRectF &box, Qt::Alignment horizontal) const
{
    if (m_shaped.text().isEmpty())
        return;
    const QSizeF size = m_shaped.size();
    const qreal x =
        horizontal & Qt::AlignHCenter ? box.left() + (box.width() - size.width()) / 2.0 : box.left();
    painter.setFont(m_font);
    painter.drawStaticText(QPointF(x, box.top() + (box.height() - size.height()) / 2.0), m_shaped);
}

} // namespace quorvale
