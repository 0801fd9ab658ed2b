#pragma once

#include <QAccessibleWidget>
#include <QHash>

// What assistive technologies see of a segmented picker: a list of page tabs, one per segment, the
// chosen one selected. Announcing the choice needs the segments as elements of their own; the control
// draws them and has no child widgets for them.
namespace quorvale {

class SegmentedControl;

class SegmentedAccessible : public QAccessibleWidget
{
public:
    explicit SegmentedAccessible(SegmentedControl *control);
    ~SegmentedAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    // Makes the picker's elements known to the accessibility layer; called by each control as it is made.
    static void install();

private:
    SegmentedControl *control() const;

    mutable QHash<int, QAccessible::Id> m_segments;
};

} // namespace quorvale
