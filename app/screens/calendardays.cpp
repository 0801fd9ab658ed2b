#include "app/screens/calendardays.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QHash>
#include <QItemSelectionModel>
#include <QLocale>
#include <QPointer>
#include <optional>

namespace quorvale::calendardays {

namespace {

// Qt's grid of days numbers its children as a table view with headers does, the headers' places
// included: its own reports of the focused and selected day come in these numbers.
constexpr int headerPlaces = 1;

// Where the grid's days start: its first row and column that are not headers.
int firstDayRow(const QCalendarWidget *calendar)
{
    return calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
}

int firstDayColumn(const QCalendarWidget *calendar)
{
    return calendar->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
}

// The date a cell of the grid shows. The grid names a day by its number only; the weeks at either
// end also show days of the months around the one shown.
std::optional<QDate> dateOf(const QCalendarWidget *calendar, const QModelIndex &index)
{
    const int week = index.row() - firstDayRow(calendar);
    bool number = false;
    const int day = index.data().toString().toInt(&number);
    if (week < 0 || index.column() < firstDayColumn(calendar) || !number)
        return std::nullopt;
    QDate month(calendar->yearShown(), calendar->monthShown(), 1);
    if (week < 2 && day > 15)
        month = month.addMonths(-1);
    else if (week >= 4 && day < 15)
        month = month.addMonths(1);
    return QDate(month.year(), month.month(), day);
}

// What a cell stands for, as the key its element is kept by: a day by its Julian day number, the
// name of a weekday over a column by the weekday's number negated. A day keeps its element wherever
// the month shown puts it, so that a reader, which keeps what it has learnt of an element, never
// hears one day's name for another.
std::optional<qint64> keyOf(const QCalendarWidget *calendar, const QModelIndex &index)
{
    if (const std::optional<QDate> date = dateOf(calendar, index))
        return date->toJulianDay();
    const int column = index.column() - firstDayColumn(calendar);
    if (firstDayRow(calendar) == 0 || index.row() != 0 || column < 0)
        return std::nullopt;
    return -((calendar->firstDayOfWeek() - 1 + column) % 7 + 1);
}

bool isDay(qint64 key)
{
    return key > 0;
}

// Where the month shown puts what a key stands for; none when it leaves it out.
QModelIndex placeOf(const QCalendarWidget *calendar, const QAbstractItemModel *grid, qint64 key)
{
    const int firstRow = firstDayRow(calendar);
    const int firstColumn = firstDayColumn(calendar);
    if (!isDay(key)) {
        const int weekday = int(-key);
        return firstRow == 0 ? QModelIndex()
                             : grid->index(0, firstColumn + (weekday - calendar->firstDayOfWeek() + 7) % 7);
    }
    const std::optional<QDate> firstShown = dateOf(calendar, grid->index(firstRow, firstColumn));
    const qint64 after = firstShown ? key - firstShown->toJulianDay() : -1;
    if (after < 0 || after >= qint64(grid->rowCount() - firstRow) * 7)
        return QModelIndex();
    return grid->index(firstRow + int(after / 7), firstColumn + int(after % 7));
}

// One cell of the grid: a day, or a weekday's name over a column.
class DayCell : public QAccessibleInterface
{
public:
    DayCell(QAbstractItemView *view, qint64 key)
        : m_view(view)
        , m_key(key)
    {}

    bool isValid() const override { return m_view && index().isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid())
            return QString();
        return isDay(m_key) ? dayName(QDate::fromJulianDay(m_key)) : index().data().toString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect cell = m_view->visualRect(index());
        return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::Role role() const override { return isDay(m_key) ? QAccessible::Cell : QAccessible::ColumnHeader; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        const QModelIndex place = index();
        if (!m_view || !place.isValid())
            return state;
        state.invisible = !m_view->isVisible();
        if (!isDay(m_key))
            return state;
        state.focusable = true;
        state.selectable = true;
        state.disabled = !place.flags().testFlag(Qt::ItemIsEnabled);
        state.selected = m_view->selectionModel() && m_view->selectionModel()->isSelected(place);
        state.focused = m_view->hasFocus() && m_view->currentIndex() == place;
        return state;
    }

    // The cell's place in the month shown; none when the month shown leaves it out.
    QModelIndex index() const
    {
        return m_view ? placeOf(static_cast<const QCalendarWidget *>(m_view->parentWidget()), m_view->model(), m_key)
                      : QModelIndex();
    }

private:
    QPointer<QAbstractItemView> m_view;
    qint64 m_key;
};

// The grid itself: a table of its cells, made as they are asked for and kept while it lives, one for
// each day it has shown.
class DayGrid : public QAccessibleWidget
{
public:
    explicit DayGrid(QAbstractItemView *view)
        : QAccessibleWidget(view, QAccessible::Table)
    {}

    ~DayGrid() override
    {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
    }

    // Named by the month it shows.
    QString text(QAccessible::Text kind) const override
    {
        const auto *calendar = static_cast<const QCalendarWidget *>(view()->parentWidget());
        return kind == QAccessible::Name
                   ? QStringLiteral("%1年%2月").arg(calendar->yearShown()).arg(calendar->monthShown())
                   : QAccessibleWidget::text(kind);
    }

    int childCount() const override { return (rows() + headerPlaces) * placesInRow(); }

    QAccessibleInterface *child(int place) const override
    {
        const int row = place / placesInRow() - headerPlaces;
        const int column = place % placesInRow() - headerPlaces;
        if (row < 0 || column < 0 || row >= rows() || place >= childCount())
            return nullptr;
        return cellAt(view()->model()->index(row, column));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *day = dynamic_cast<const DayCell *>(child);
        const QModelIndex index = day && child->parent() == this ? day->index() : QModelIndex();
        if (!index.isValid())
            return -1;
        return (index.row() + headerPlaces) * placesInRow() + index.column() + headerPlaces;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        return cellAt(view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y))));
    }

    QAccessibleInterface *focusChild() const override
    {
        return view()->hasFocus() ? cellAt(view()->currentIndex()) : nullptr;
    }

private:
    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(widget()); }
    int rows() const { return view()->model()->rowCount(); }
    int placesInRow() const { return view()->model()->columnCount() + headerPlaces; }

    // The element of what the cell at `index` shows; none for a week's number.
    QAccessibleInterface *cellAt(const QModelIndex &index) const
    {
        const std::optional<qint64> key =
            index.isValid() ? keyOf(static_cast<const QCalendarWidget *>(view()->parentWidget()), index) : std::nullopt;
        if (!key)
            return nullptr;
        if (const auto found = m_cells.constFind(*key); found != m_cells.constEnd())
            return QAccessible::accessibleInterface(*found);
        QAccessibleInterface *made = new DayCell(view(), *key);
        m_cells.insert(*key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    mutable QHash<qint64, QAccessible::Id> m_cells;
};

QAccessibleInterface *dayGridFactory(const QString &className, QObject *object)
{
    auto *view = className == QLatin1String("QCalendarView") ? qobject_cast<QAbstractItemView *>(object) : nullptr;
    return view && qobject_cast<QCalendarWidget *>(view->parentWidget()) ? new DayGrid(view) : nullptr;
}

} // namespace

QString dayName(QDate date)
{
    return QStringLiteral("%1年%2月%3日 %4")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(QLocale(QLocale::Chinese, QLocale::China).dayName(date.dayOfWeek()));
}

void nameDays()
{
    static const bool installed = (QAccessible::installFactory(&dayGridFactory), true);
    Q_UNUSED(installed)
}

} // namespace quorvale::calendardays
