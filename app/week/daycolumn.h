#pragma once

#include "app/week/nowline.h"
#include "app/week/subjecttint.h"
#include "app/week/weekgrid.h"
#include "app/week/weekmodel.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

// One day of the week grid: a header with weekday and date, and a body with the half-hour lines, a
// block per placed lesson (side by side where lessons overlap) and, on the reference day, the now line.
namespace quorvale {

class Tween;
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
    // The week's subject colours, shared by its columns and made again only for a new week.
    std::shared_ptr<const SubjectTints> tints;
};

class DayColumn : public QWidget
{
    Q_OBJECT

public:
    explicit DayColumn(QWidget *parent = nullptr);

    void setDay(const DisplayWeekDay &day, const ColumnContext &context, bool referenceDay);
    // The reference time moved within the same day: only the now line follows.
    void setNowMinute(double minute);
    void setShownHeight(qreal height);
    // The column fades in and rises into place once it is first shown, after a delay for its order.
    void setArrivalOrder(int order);
    // How far the entrance has come: the opacity of everything the column draws, and its drop.
    qreal appearance() const;
    qreal drop() const;
    // The most lanes the column's lessons stand in side by side.
    int lanes() const;

    QDate date() const { return m_day.date; }
    bool isReferenceDay() const { return m_referenceDay; }
    const QList<WeekPlacement> &placements() const { return m_placements; }
    // The blocks in placement order.
    QList<WeekCourseBlock *> blocks() const;
    // The now line, while this column shows one.
    NowLine *nowLine() const { return m_nowLine; }

signals:
    void detailChanged();
    void blockPressed(WeekCourseBlock *block);
    // Blocks came or went; the day area puts them into the keyboard order again.
    void blocksChanged();
    void dropChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void followArrival();
    // Whether blocks were made or removed.
    bool reconcileBlocks();
    void placeBlocks(bool restack);
    void placeNowLine();
    QList<NowLine::Span> textSpansAt(qreal y) const;
    void paintHeader(QPainter &painter);
    void paintBody(QPainter &painter);

    DisplayWeekDay m_day;
    ColumnContext m_context;
    bool m_referenceDay = false;
    QList<WeekPlacement> m_placements;
    QHash<QString, WeekCourseBlock *> m_blocks;
    QPointer<NowLine> m_nowLine;
    Tween *m_arrival;
    int m_arrivalOrder = 0;
    bool m_arrivalStarted = false;
    // The header and the body's lines as last drawn, and the palette colours they were drawn with.
    QImage m_backdrop;
    QList<QRgb> m_backdropLook;
};

} // namespace quorvale
