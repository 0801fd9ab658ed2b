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

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace quorvale {

namespace {

constexpr qreal cornerRadius = SearchBox::fieldHeight * 0.5;

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
    // every visible pixel of the capsule is the field.
    m_field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_row->setFocusPolicy(Qt::ClickFocus);
    m_row->setFocusProxy(m_field);
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

SearchShadow::SearchShadow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SearchShadow::setLook(bool focused, bool dropdown)
{
    if (focused == m_focused && dropdown == m_dropdown)
        return;
    m_focused = focused;
    m_dropdown = dropdown;
    update();
}

void SearchShadow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).marginsRemoved(QMarginsF(margins));
    const qreal opacity = m_dropdown ? 0.17 : (m_focused ? 0.08 : 0.025);
    const qreal blur = m_dropdown ? 17.0 : 7.0;
    const QPointF offset(0.0, m_dropdown ? 8.0 : 2.0);
    // A soft shadow from stacked, ever wider and fainter outlines of the shape.
    constexpr int layers = 10;
    painter.setPen(Qt::NoPen);
    for (int layer = layers; layer >= 1; --layer) {
        const qreal spread = blur * layer / layers;
        QPainterPath outline;
        outline.addRoundedRect(shape.translated(offset).adjusted(-spread, -spread, spread, spread),
                               cornerRadius + spread, cornerRadius + spread);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, float(opacity / layers)));
        painter.drawPath(outline);
    }
    QPainterPath body;
    body.addRoundedRect(shape.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(body, painting::controlBackground(palette()));
    painter.strokePath(body, QPen(painting::primary(palette(), m_focused ? 0.13 : 0.1), 1.0));
}

} // namespace quorvale
