#include "app/screens/segmentedaccessible.h"

#include "app/screens/segmentedcontrol.h"

#include <QPointer>

namespace quorvale {

namespace {

// One segment: named by its title, selected while it is the chosen one, chosen by its press action.
class SegmentAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    SegmentAccessible(SegmentedControl *control, int index)
        : m_control(control)
        , m_index(index)
    {}

    bool isValid() const override { return m_control && m_index < m_control->titles().size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return parent()->window(); }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_control); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name && isValid() ? m_control->titles().at(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        const bool chosen = m_control->current() == m_index;
        state.selectable = true;
        state.selected = chosen;
        state.focusable = true;
        state.focused = chosen && m_control->hasFocus();
        state.invisible = !m_control->isVisible();
        state.disabled = !m_control->isEnabled();
        return state;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect segment = m_control->segmentRect(m_index);
        return {m_control->mapToGlobal(segment.topLeft()), segment.size()};
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && isValid())
            m_control->choose(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<SegmentedControl> m_control;
    int m_index;
};

QAccessibleInterface *segmentedFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("quorvale::SegmentedControl"))
        return nullptr;
    auto *control = qobject_cast<SegmentedControl *>(object);
    return control ? new SegmentedAccessible(control) : nullptr;
}

} // namespace

SegmentedAccessible::SegmentedAccessible(SegmentedControl *control)
    : QAccessibleWidget(control, QAccessible::PageTabList)
{}

SegmentedAccessible::~SegmentedAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_segments))
        QAccessible::deleteAccessibleInterface(id);
}

void SegmentedAccessible::install()
{
    static const bool installed = (QAccessible::installFactory(&segmentedFactory), true);
    Q_UNUSED(installed)
}

SegmentedControl *SegmentedAccessible::control() const
{
    return static_cast<SegmentedControl *>(widget());
}

int SegmentedAccessible::childCount() const
{
    return int(control()->titles().size());
}

QAccessibleInterface *SegmentedAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto known = m_segments.constFind(index); known != m_segments.cend())
        return QAccessible::accessibleInterface(*known);
    QAccessibleInterface *segment = new SegmentAccessible(control(), index);
    m_segments.insert(index, QAccessible::registerAccessibleInterface(segment));
    return segment;
}

int SegmentedAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    for (auto segment = m_segments.cbegin(); segment != m_segments.cend(); ++segment) {
        if (QAccessible::accessibleInterface(segment.value()) == child)
            return segment.key();
    }
    return -1;
}

QAccessibleInterface *SegmentedAccessible::childAt(int x, int y) const
{
    const QPoint point = control()->mapFromGlobal(QPoint(x, y));
    for (int index = 0; index < childCount(); ++index) {
        if (control()->segmentRect(index).contains(point))
            return child(index);
    }
    return nullptr;
}

QAccessibleInterface *SegmentedAccessible::focusChild() const
{
    return control()->hasFocus() ? child(control()->current()) : nullptr;
}

} // namespace quorvale
