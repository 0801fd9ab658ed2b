#pragma once

#include "app/week/nowline.h"
#include "app/week/weekgrid.h"
#include "app/week/weekmodel.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>

// One day of the week grid: a header with weekday and date, and a body with the half-hour lines, a
// block per placed lesson (side by side where lessons overlap) and, on the reference day, the now line.
namespace quorvale {

class WeekCourseBlock;

// What every column of one week shares.
struct ColumnContext
{
    int visibleEnd = weekgrid::fullDayEnd;
    // Height of the body drawn now; it follows visibleEnd, animated.
    qreal shownHeight = 0.0;
    bool isLive = false;
    bool timeInRange = false;
    double nowMinute = 0.0;
    QStringList subjects;
};

class DayColumn : public QWidget
{
    Q_OBJECT

public:
    explicit DayColumn(QWidget *parent = nullptr);

    void setDay(const DisplayWeekDay &day, const ColumnContext &context, bool referenceDay);
    void setShownHeight(qreal height);
    // The column's width when the day area offers it the given share.
    qreal widthFor(qreal minimumWidth) const;

    QDate date() const { return m_day.date; }
    bool isReferenceDay() const { return m_referenceDay; }
    const QList<WeekPlacement> &placements() const { return m_placements; }
    // The blocks in placement order.
    QList<WeekCourseBlock *> blocks() const;
    // The now line, while this column shows one.
    NowLine *nowLine() const { return m_nowLine; }

signals:
    void detailChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void reconcileBlocks();
    void placeBlocks();
    void placeNowLine();
    void paintHeader(QPainter &painter);
    void paintBody(QPainter &painter);

    DisplayWeekDay m_day;
    ColumnContext m_context;
    bool m_referenceDay = false;
    QList<WeekPlacement> m_placements;
    QHash<QString, WeekCourseBlock *> m_blocks;
    QPointer<NowLine> m_nowLine;
};

} // namespace quorvale
