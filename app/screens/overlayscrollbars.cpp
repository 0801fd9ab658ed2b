#include "app/screens/overlayscrollbars.h"

#include "app/look/painting.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace quorvale {

namespace {

constexpr int extent = 10;
constexpr int handleWidth = 6;
constexpr int shortestHandle = 28;

// The application's style, with the scroll bars drawn over the content and reduced to their handle.
class OverlayScrollStyle : public QProxyStyle
{
public:
    OverlayScrollStyle()
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
    {}

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        // Transient scroll bars are the ones a scroll area lays over its viewport.
        if (hint == SH_ScrollBar_Transient)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return extent;
        if (metric == PM_ScrollBarSliderMin)
            return shortestHandle;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl part,
                         const QWidget *widget) const override
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || !bar)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const bool vertical = bar->orientation == Qt::Vertical;
        const QRect groove = bar->rect;
        const int length = vertical ? groove.height() : groove.width();
        const qint64 range = qint64(bar->maximum) - bar->minimum;
        const int handle = range <= 0
                               ? length
                               : std::clamp(int(qint64(bar->pageStep) * length / (range + bar->pageStep)),
                                            std::min(shortestHandle, length), length);
        const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                  length - handle, bar->upsideDown);
        const QRect slider = vertical ? QRect(groove.left(), groove.top() + start, groove.width(), handle)
                                      : QRect(groove.left() + start, groove.top(), handle, groove.height());
        switch (part) {
        case SC_ScrollBarSlider:
            return visualRect(bar->direction, groove, slider);
        case SC_ScrollBarGroove:
            return groove;
        case SC_ScrollBarSubPage:
            return vertical ? QRect(groove.topLeft(), QPoint(groove.right(), slider.top() - 1))
                            : QRect(groove.topLeft(), QPoint(slider.left() - 1, groove.bottom()));
        case SC_ScrollBarAddPage:
            return vertical ? QRect(QPoint(groove.left(), slider.bottom() + 1), groove.bottomRight())
                            : QRect(QPoint(slider.right() + 1, groove.top()), groove.bottomRight());
        default:
            return {};
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || !bar) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        if (bar->maximum <= bar->minimum)
            return;
        const QRect slider = subControlRect(control, option, SC_ScrollBarSlider, widget);
        const bool vertical = bar->orientation == Qt::Vertical;
        const int inset = (extent - handleWidth) / 2;
        const QRectF handle = QRectF(slider).adjusted(vertical ? inset : 2, vertical ? 2 : inset,
                                                      vertical ? -inset : -2, vertical ? -2 : -inset);
        const bool active = bar->state & (State_MouseOver | State_Sunken);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // In bands: the handle of a long page is a tall translucent fill, which the raster engine
        // would spread over its threads at every repaint of the window.
        painting::fillRoundedRectInBands(*painter, handle, handleWidth / 2.0,
                                         painting::primary(bar->palette, active ? 0.42 : 0.24));
        painter->restore();
    }
};

QStyle *overlayStyle()
{
    // One style for every overlay scroll bar; it lives as long as the application.
    static QPointer<QStyle> style;
    if (!style) {
        style = new OverlayScrollStyle;
        style->setParent(qApp);
    }
    return style;
}

} // namespace

void useOverlayScrollBars(QAbstractScrollArea *area)
{
    QStyle *style = overlayStyle();
    area->setStyle(style);
    area->verticalScrollBar()->setStyle(style);
    area->horizontalScrollBar()->setStyle(style);
}

} // namespace quorvale
