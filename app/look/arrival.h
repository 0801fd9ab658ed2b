#pragma once

#include "app/look/transition.h"

#include <QObject>
#include <QPointer>

class QWidget;

// The entrance of cards and columns: the first time a widget is shown it fades in and rises by a few
// pixels, each one of a run a little later than the one before.
namespace quorvale {

class Arrival : public QObject
{
    Q_OBJECT

public:
    Arrival(QWidget *widget, int order);

    // Milliseconds the widget at this place of its run waits before it moves.
    static int delayMs(int order);

    bool appeared() const { return m_appeared; }
    void setOrder(int order) { m_order = order; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void appear();

    QWidget *m_widget;
    int m_order;
    bool m_appeared = false;
    QPointer<MotionEffect> m_effect;
};

// Gives the widget its entrance. Calling it again only changes the order of an entrance still to come.
Arrival *arrive(QWidget *widget, int order);

} // namespace quorvale
