#pragma once

#include "app/week/weekmodel.h"

#include <QDateTime>
#include <QWidget>

class QAbstractButton;

// The collapsible list under the grid of the events it cannot draw, so that nothing the platform
// reported is lost: a title with their number, a line saying why, and the events grouped by day.
namespace quorvale {

class DisclosureHeader;
class StatusBadge;
class TintedLabel;
class Tween;

class DeferredSection : public QWidget
{
    Q_OBJECT

public:
    explicit DeferredSection(QWidget *parent = nullptr);

    void setContent(const QList<WeekEvent> &deferred, const QList<DisplayWeekDay> &days,
                    const QDateTime &referenceDate);

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    // The title row, which opens and closes the list.
    QAbstractButton *header() const;
    QString title() const;
    QString explanation() const;
    // The day labels of the groups, in order.
    QStringList groupLabels() const;

signals:
    void expandedChanged(bool expanded);

private:
    void rebuildGroups();
    void follow(qreal progress);

    QList<WeekEvent> m_deferred;
    QList<DisplayWeekDay> m_days;
    QDate m_referenceDay;
    bool m_expanded = false;

    DisclosureHeader *m_header;
    StatusBadge *m_badge;
    QWidget *m_content;
    TintedLabel *m_explanation;
    QWidget *m_groups;
    Tween *m_open;
};

} // namespace quorvale
