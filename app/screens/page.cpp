#include "app/screens/page.h"

#include "app/screens/overlayscrollbars.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace quorvale {

QScrollArea *fillWithPage(QWidget *screen)
{
    auto *scroll = new QScrollArea(screen);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // A click anywhere on the page would otherwise give the page the focus, taking it from the field
    // being typed in.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->viewport()->setAutoFillBackground(false);
    useOverlayScrollBars(scroll);
    auto *outer = new QVBoxLayout(screen);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    scroll->setWidget(new QWidget);
    // The scroll area fills its widget with the window colour; the screen's background shows instead.
    scroll->widget()->setAutoFillBackground(false);
    return scroll;
}

} // namespace quorvale
