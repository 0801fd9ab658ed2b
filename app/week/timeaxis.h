#pragma once

#include "app/look/preparedtext.h"

#include <QFont>
#include <QList>
#include <QWidget>
#include <optional>

// The time axis left of the day columns: "时间" over the hour labels, and while the reference time
// is drawn, a red tag with that time on the level of the now line.
namespace quorvale {

class Tween;

class TimeAxis : public QWidget
{
    Q_OBJECT

public:
    explicit TimeAxis(QWidget *parent = nullptr);

    void setLabels(const QList<int> &minutes);
    // The tag's minute, or none; the tag glides to a new minute.
    void setTag(std::optional<double> minute);
    void setShownHeight(qreal height);

    const QList<int> &labels() const { return m_labels; }
    bool showsTag() const { return m_tagMinute.has_value(); }
    QString tagText() const;
    // Where the tag is drawn, on whole pixels; empty without a tag.
    QRectF tagRect() const;
    // The labels drawn: every labelled minute but those the tag covers.
    QList<int> shownLabels() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void repaintTag(bool textChanged);
    QRect tagArea() const;
    qreal tagTop(qreal y) const;
    QRectF labelRect(int minute) const;
    QRectF labelInk(qsizetype index) const;
    // Whether the tag, drawn at `tag`, covers the label at `index`.
    bool coveredByTag(qsizetype index, const QRectF &tag) const;

    QFont m_labelFont;
    QFont m_tagFont;
    QList<int> m_labels;
    // The labels' ink widths, in the order of m_labels, and the size of the tag with its text: the
    // tag moves every few seconds, and measuring text each time would shape it again.
    QList<PreparedText> m_labelTexts;
    qreal m_labelHeight;
    QSizeF m_tagSize;
    PreparedText m_tagText;
    std::optional<double> m_tagMinute;
    Tween *m_tagY;
    QRect m_paintedTag;
};

} // namespace quorvale
