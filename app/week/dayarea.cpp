#include "app/week/dayarea.h"

#include "app/week/weekcourseblock.h"

#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace quorvale {

namespace {

constexpr int barHeight = 10;

} // namespace

DayArea::DayArea(QWidget *parent)
    : QWidget(parent)
    , m_strip(new QWidget(this))
    , m_bar(new QScrollBar(Qt::Horizontal, this))
{
    m_bar->hide();
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
        m_strip->move(-value, 0);
        emit columnsMoved();
    });
}

void DayArea::setDays(const QList<DisplayWeekDay> &days, const ColumnContext &context, const WeekModel &model)
{
    bool changed = false;
    QList<DayColumn *> kept;
    for (int i = 0; i < days.size(); ++i) {
        const auto found = std::find_if(m_columns.cbegin(), m_columns.cend(), [&](const DayColumn *column) {
            return column->date() == days[i].date;
        });
        DayColumn *column = found == m_columns.cend() ? nullptr : *found;
        if (!column) {
            column = new DayColumn(m_strip);
            connect(column, &DayColumn::detailChanged, this, &DayArea::detailChanged);
            connect(column, &DayColumn::blockPressed, this, &DayArea::blockPressed);
            connect(column, &DayColumn::blocksChanged, this, &DayArea::blocksChanged);
            connect(column, &DayColumn::dropChanged, this,
                    [column] { column->move(column->x(), qRound(column->drop())); });
            column->setArrivalOrder(i);
            changed = true;
        }
        column->setDay(days[i], context, model.isReferenceDay(days[i].date));
        kept.append(column);
    }
    for (DayColumn *column : std::as_const(m_columns)) {
        if (!kept.contains(column)) {
            column->hide();
            column->deleteLater();
            changed = true;
        }
    }
    changed = changed || kept != m_columns;
    m_columns = kept;
    if (changed)
        emit blocksChanged();
    placeColumns();
}

void DayArea::setShownHeight(qreal height)
{
    for (DayColumn *column : std::as_const(m_columns))
        column->setShownHeight(height);
    placeColumns();
}

void DayArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeColumns();
}

void DayArea::wheelEvent(QWheelEvent *event)
{
    // Only a sideways wheel, or the wheel turned with Shift held, moves the grid; an upright wheel
    // goes on to the page around it.
    const bool shifted = event->modifiers() & Qt::ShiftModifier;
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    const int sideways = !pixels.isNull() ? pixels.x() : angle.x() / 2;
    const int upright = !pixels.isNull() ? pixels.y() : angle.y() / 2;
    const int step = sideways != 0 ? sideways : (shifted ? upright : 0);
    if (!m_bar->isVisible() || step == 0) {
        event->ignore();
        return;
    }
    m_bar->setValue(m_bar->value() - step);
    event->accept();
}

void DayArea::placeColumns()
{
    QList<int> lanes;
    for (const DayColumn *column : std::as_const(m_columns))
        lanes.append(column->lanes());
    const QList<qreal> widths = weekgrid::columnWidths(lanes, width());
    // Edges are rounded from the running total, so equal shares fill the area without a stray pixel.
    qreal total = 0.0;
    int height = 0;
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        DayColumn *column = m_columns[i];
        const int left = qRound(total);
        total += widths[i];
        column->setGeometry(left, qRound(column->drop()), qRound(total) - left, column->height());
        column->show();
        height = std::max(height, column->height());
    }
    const int stripWidth = qRound(total);
    m_strip->resize(stripWidth, height);
    const int overflow = std::max(0, stripWidth - width());
    m_bar->setRange(0, overflow);
    m_bar->setPageStep(width());
    m_bar->setGeometry(0, this->height() - barHeight, width(), barHeight);
    m_bar->setVisible(overflow > 0);
    m_strip->move(-m_bar->value(), 0);
    emit columnsMoved();
}

} // namespace quorvale
