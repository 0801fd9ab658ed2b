#pragma once

#include "app/week/daycolumn.h"

#include <QList>
#include <QWidget>

class QScrollBar;

// The row of day columns beside the time axis. The columns share its width equally, but none is
// narrower than its lanes need; a row wider than the area scrolls sideways.
namespace quorvale {

class DayArea : public QWidget
{
    Q_OBJECT

public:
    explicit DayArea(QWidget *parent = nullptr);

    // Keeps the column of each day that stays, so its blocks keep their state; new columns fade in.
    void setDays(const QList<DisplayWeekDay> &days, const ColumnContext &context, const WeekModel &model);
    // Follows the animated height of the body.
    void setShownHeight(qreal height);

    const QList<DayColumn *> &columns() const { return m_columns; }
    QScrollBar *scrollBar() const { return m_bar; }

signals:
    void detailChanged();
    void blockPressed(WeekCourseBlock *block);
    // Blocks or columns came or went.
    void blocksChanged();
    // The columns moved inside the area (scrolled or laid out again).
    void columnsMoved();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void placeColumns();

    QWidget *m_strip;
    QScrollBar *m_bar;
    QList<DayColumn *> m_columns;
};

} // namespace quorvale
