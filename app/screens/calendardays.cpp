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

// The date a cell of the grid shows. The grid names a day by its number only; the weeks at either
// end also show days of the months around the one shown.
std::optional<QDate> dateOf(const QCalendarWidget *calendar, const QModelIndex &index)
{
    const int firstRow = calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
    const int firstColumn = calendar->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
    const int week = index.row() - firstRow;
    bool number = false;
    const int day = index.data().toString().toInt(&number);
    if (week < 0 || index.column() < firstColumn || !number)
        return std::nullopt;
    QDate month(calendar->yearShown(), calendar->monthShown(), 1);
    if (week < 2 && day > 15)
        month = month.addMonths(-1);
    else if (week >= 4 && day < 15)
        month = month.addMonths(1);
    return QDate(month.year(), month.month(), day);
}

// One cell of the grid: a day, or a weekday's name over a column.
class DayCell : public QAccessibleInterface
{
public:
    DayCell(QAbstractItemView *view, int row, int column)
        : m_view(view)
        , m_row(row)
        , m_column(column)
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
        const std::optional<QDate> date = dateOf(calendar(), index());
        return date ? dayName(*date) : index().data().toString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect cell = m_view->visualRect(index());
        return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::Role role() const override
    {
        return isValid() && dateOf(calendar(), index()) ? QAccessible::Cell : QAccessible::ColumnHeader;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.invisible = !m_view->isVisible();
        if (role() != QAccessible::Cell)
            return state;
        state.focusable = true;
        state.selectable = true;
        state.disabled = !index().flags().testFlag(Qt::ItemIsEnabled);
        state.selected = m_view->selectionModel() && m_view->selectionModel()->isSelected(index());
        state.focused = m_view->hasFocus() && m_view->currentIndex() == index();
        return state;
    }

    int row() const { return m_row; }
    int column() const { return m_column; }

private:
    QModelIndex index() const { return m_view->model()->index(m_row, m_column); }
    const QCalendarWidget *calendar() const { return static_cast<const QCalendarWidget *>(m_view->parentWidget()); }

    QPointer<QAbstractItemView> m_view;
    int m_row;
    int m_column;
};

// The grid itself: a table of its cells, made as they are asked for and kept while it lives.
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
        return cell(row, column);
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *day = dynamic_cast<const DayCell *>(child);
        if (!day || child->parent() != this)
            return -1;
        return (day->row() + headerPlaces) * placesInRow() + day->column() + headerPlaces;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? cell(index.row(), index.column()) : nullptr;
    }

    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? cell(current.row(), current.column()) : nullptr;
    }

private:
    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(widget()); }
    int rows() const { return view()->model()->rowCount(); }
    int placesInRow() const { return view()->model()->columnCount() + headerPlaces; }

    QAccessibleInterface *cell(int row, int column) const
    {
        const int key = row * placesInRow() + column;
        if (const auto found = m_cells.constFind(key); found != m_cells.constEnd())
            return QAccessible::accessibleInterface(*found);
        QAccessibleInterface *made = new DayCell(view(), row, column);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    mutable QHash<int, QAccessible::Id> m_cells;
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
