#pragma once

#include <QFont>
#include <QStaticText>
#include <QString>

class QPainter;
class QRectF;

// A line of plain text shaped once and drawn as often as needed: the clock's marks repaint the
// text they pass over every few seconds, and drawing a plain string shapes it again each time.
namespace quorvale {

class PreparedText
{
public:
    PreparedText() = default;
    PreparedText(const QString &text, const QFont &font);

    QString text() const { return m_shaped.text(); }
    qreal width() const { return m_shaped.text().isEmpty() ? 0.0 : m_shaped.size().width(); }

    // Drawn centred down the box, at its left edge or centred across it, as QPainter::drawText
    // places one line.
    void draw(QPainter &painter, const QRectF &box, Qt::Alignment horizontal = Qt::AlignLeft) const;

private:
    QFont m_font;
    QStaticText m_shaped;
};

} // namespace quorvale
