#include "app/week/dayarea.h"

#include "app/look/arrival.h"

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
    QList<DayColumn *> kept;
    for (int i = 0; i < days.size(); ++i) {
        const auto found = std::find_if(m_columns.cbegin(), m_columns.cend(), [&](const DayColumn *column) {
            return column->date() == days[i].date;
        });
        DayColumn *column = found == m_columns.cend() ? nullptr : *found;
        if (!column) {
            column = new DayColumn(m_strip);
            connect(column, &DayColumn::detailChanged, this, &DayArea::detailChanged);
            arrive(column, i);
        }
        column->setDay(days[i], context, model.isReferenceDay(days[i].date));
        kept.append(column);
    }
    for (DayColumn *column : std::as_const(m_columns)) {
        if (!kept.contains(column)) {
            column->hide();
            column->deleteLater();
        }
    }
    m_columns = kept;
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
    if (!m_bar->isVisible()) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    const int step = delta.x() != 0 ? delta.x() : delta.y();
    m_bar->setValue(m_bar->value() - step / 2);
}

void DayArea::placeColumns()
{
    const qreal share = width() / qreal(std::max<qsizetype>(1, m_columns.size()));
    // Edges are rounded from the running total, so equal shares fill the area without a stray pixel.
    qreal total = 0.0;
    int height = 0;
    for (DayColumn *column : std::as_const(m_columns)) {
        const int left = qRound(total);
        total += column->widthFor(share);
        column->setGeometry(left, 0, qRound(total) - left, column->height());
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
    m_bar->raise();
    m_strip->move(-m_bar->value(), 0);
    emit columnsMoved();
}

} // namespace quorvale
