#include "app/screens/searchbox.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/searchactionbutton.h"
#include "app/look/typography.h"
#include "app/screens/searchfield.h"
#include "app/screens/spinner.h"
#include "app/screens/suggestionpanel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quorvale {

namespace {

constexpr qreal cornerRadius = SearchBox::fieldHeight * 0.5;
constexpr int shadowLayers = 10;
// How long after the last change of size the shadow is painted directly again.
constexpr int settleMs = 120;

} // namespace

SearchBox::SearchBox(QWidget *parent)
    : QWidget(parent)
    , m_field(new SearchField(this))
    , m_magnifier(new GlyphButton(Appearance::secondaryText, textStyleFont(font(), TextStyle::title3), this))
    , m_spinner(new Spinner(16, this))
    , m_button(new SearchActionButton(QStringLiteral("查询"), this))
    , m_row(new QWidget(this))
    , m_panel(new SuggestionPanel(this))
    , m_height(new Tween(fieldHeight, this))
{
    m_magnifier->setLabel(glyphPath(Glyph::magnifyingGlass), QString());
    // A click on the magnifier focuses the field; the magnifier itself never holds the focus.
    m_magnifier->setFocusPolicy(Qt::NoFocus);
    // The field takes the row's full height, and a click anywhere else in the row focuses it too:
    // every visible pixel of the capsule is the field. The row itself takes no focus, so assistive
    // technologies find no nameless control in it.
    m_field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_row->installEventFilter(this);
    m_button->installEventFilter(this);
    auto *row = new QHBoxLayout(m_row);
    row->setContentsMargins(22, 0, 9, 0);
    row->setSpacing(12);
    row->addWidget(m_magnifier);
    row->addWidget(m_field, 1);
    row->addWidget(m_spinner);
    row->addWidget(m_button);
    m_spinner->hide();
    m_panel->hide();
    connect(m_height, &Tween::valueChanged, this, &SearchBox::heightChanged);
}

void SearchBox::setDropdown(bool visible, int listHeight)
{
    const int target = visible ? fieldHeight + SuggestionPanel::headerHeight + listHeight : fieldHeight;
    m_dropdown = visible;
    m_panel->setVisible(visible);
    if (target != int(m_height->target()))
        m_height->moveTo(target, springCurve<springs::standard>());
}

int SearchBox::currentHeight() const
{
    return qRound(m_height->value());
}

void SearchBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_row->setGeometry(0, 0, width(), fieldHeight);
    m_panel->setGeometry(0, fieldHeight, width(), std::max(0, height() - fieldHeight));
}

bool SearchBox::eventFilter(QObject *watched, QEvent *event)
{
    // The greyed-out "查询" button is part of the row too.
    const bool row = watched == m_row || (watched == m_button && !m_button->isEnabled());
    if (row && event->type() == QEvent::MouseButtonPress && m_field->isEnabled())
        m_field->setFocus(Qt::MouseFocusReason);
    return QWidget::eventFilter(watched, event);
}

SearchShadow::SearchShadow(QWidget *parent)
    : QWidget(parent)
    , m_settling(new QTimer(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_settling->setSingleShot(true);
    m_settling->setInterval(settleMs);
    connect(m_settling, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void SearchShadow::setLook(bool focused, bool dropdown)
{
    if (focused == m_focused && dropdown == m_dropdown)
        return;
    m_focused = focused;
    m_dropdown = dropdown;
    update();
}

void SearchShadow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_settling->start();
}

SearchShadow::Look SearchShadow::look() const
{
    return {m_dropdown ? 0.17 : (m_focused ? 0.08 : 0.025), m_dropdown ? 17.0 : 7.0, m_dropdown ? 8.0 : 2.0,
            painting::controlBackground(palette()), painting::primary(palette(), m_focused ? 0.13 : 0.1)};
}

void SearchShadow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const Look current = look();
    if (!(m_settling->isActive() ? paintStretched(painter, current) : paintRested(painter, current)))
        paintLook(painter, size(), current);
}

bool SearchShadow::paintRested(QPainter &painter, const Look &look)
{
    // At rest the whole picture is kept: the page around the field is drawn again on every resize of
    // the window, and the shadow's wide translucent layers are fills the raster engine spreads over
    // its threads each time.
    const std::optional<QRect> pixels = painting::wholeDevicePixels(painter, rect());
    if (!pixels)
        return false;
    const qreal ratio = painter.deviceTransform().m11();
    if (m_rested.size() != pixels->size() || m_rested.devicePixelRatio() != ratio || m_restedLook != look) {
        m_rested = QImage(pixels->size(), QImage::Format_ARGB32_Premultiplied);
        m_rested.fill(Qt::transparent);
        m_rested.setDevicePixelRatio(ratio);
        m_restedLook = look;
        QPainter drawing(&m_rested);
        paintLook(drawing, size(), look);
    }
    painter.drawImage(QPointF(0.0, 0.0), m_rested);
    return true;
}

void SearchShadow::paintLook(QPainter &painter, const QSizeF &size, const Look &look)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(QPointF(0.0, 0.0), size).marginsRemoved(QMarginsF(margins));
    // A soft shadow from stacked, ever wider and fainter outlines of the shape.
    painter.setPen(Qt::NoPen);
    for (int layer = shadowLayers; layer >= 1; --layer) {
        const qreal spread = look.blur * layer / shadowLayers;
        QPainterPath outline;
        outline.addRoundedRect(shape.translated(0.0, look.offset).adjusted(-spread, -spread, spread, spread),
                               cornerRadius + spread, cornerRadius + spread);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, float(look.opacity / shadowLayers)));
        painter.drawPath(outline);
    }
    QPainterPath body;
    body.addRoundedRect(shape.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(body, look.body);
    painter.strokePath(body, QPen(look.outline, 1.0));
}

bool SearchShadow::paintStretched(QPainter &painter, const Look &look)
{
    const std::optional<QRect> pixels = painting::wholeDevicePixels(painter, rect());
    if (!pixels)
        return false;
    const qreal ratio = painter.deviceTransform().m11();
    // The rows above and below the middle, where the rounded corners of the shape and its shadow lie.
    const int top = int(std::ceil(margins.top() + std::max(look.offset, 0.5) + cornerRadius)) + 1;
    const int bottom = int(std::ceil(margins.bottom() + cornerRadius + 0.5)) + 1;
    // The low picture's bottom rows must fall on the same fractions of a device pixel as the widget's.
    const auto whole = [](qreal pixels) { return std::abs(pixels - std::round(pixels)) < 1e-6; };
    int low = top + bottom + 2;
    while (low < height() && !whole((height() - low) * ratio))
        ++low;
    if (low >= height())
        return false;

    if (m_picturesLook != look || m_picturesRatio != ratio || m_picturesWidth != width()) {
        m_pictures.clear();
        m_picturesLook = look;
        m_picturesRatio = ratio;
        m_picturesWidth = width();
    }
    QImage &picture = m_pictures[low];
    if (picture.isNull()) {
        picture = QImage(pixels->width(), int(std::round(low * ratio)), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        picture.setDevicePixelRatio(ratio);
        QPainter drawing(&picture);
        paintLook(drawing, QSizeF(width(), low), look);
        drawing.end();
        picture.setDevicePixelRatio(1.0);
    }

    const int topRows = int(std::ceil(top * ratio));
    const int bottomRows = picture.height() - int(std::floor((low - bottom) * ratio));
    const int middleRows = pixels->height() - topRows - bottomRows;
    const QPoint origin = pixels->topLeft();
    painting::drawDevicePixels(painter, origin, picture, QRect(0, 0, picture.width(), topRows));
    painting::drawDevicePixels(painter, origin + QPoint(0, topRows), picture,
                               QRect(0, topRows, picture.width(), 1), middleRows);
    painting::drawDevicePixels(painter, origin + QPoint(0, topRows + middleRows), picture,
                               QRect(0, picture.height() - bottomRows, picture.width(), bottomRows));
    return true;
}

} // namespace quorvale
