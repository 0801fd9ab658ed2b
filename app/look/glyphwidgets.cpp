#include "app/look/glyphwidgets.h"

#include "app/look/glyph.h"
#include "app/look/painting.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

namespace quorvale {

namespace {

constexpr qreal glyphSpacing = 4.0;
constexpr int tileSide = 24;
constexpr int closeSide = 25;

QColor tokenOr(const std::optional<AdaptiveColor> &token, const QPalette &palette, qreal opacity)
{
    return token ? painting::withOpacity(token->resolve(palette), opacity)
                 : painting::primary(palette, opacity);
}

class MenuButtonAccessible : public QAccessibleWidget
{
public:
    explicit MenuButtonAccessible(MenuButton *button)
        : QAccessibleWidget(button, QAccessible::ButtonMenu)
    {}

    // The bridge of the desktop drops the has-popup state and sends the role as a plain push
    // button; that it can expand, and whether its menu is open, reaches a reader.
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.expandable = true;
        const QMenu *menu = static_cast<MenuButton *>(widget())->menu();
        state.expanded = menu && menu->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == showMenuAction() || name == pressAction())
            static_cast<MenuButton *>(widget())->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *menuButtonFactory(const QString &className, QObject *object)
{
    auto *button =
        className == QLatin1String("quorvale::MenuButton") ? qobject_cast<MenuButton *>(object) : nullptr;
    return button ? new MenuButtonAccessible(button) : nullptr;
}

QAccessibleInterface *expandingButtonFactory(const QString &className, QObject *object)
{
    auto *button = className == QLatin1String("quorvale::ExpandingButton") ? qobject_cast<ExpandingButton *>(object)
                                                                           : nullptr;
    return button ? new ExpandingAccessible(button, [button] { return button->expanded(); }) : nullptr;
}

} // namespace

GlyphText::GlyphText(const QPainterPath &glyph, std::optional<AdaptiveColor> colour, const QFont &font,
                     QWidget *parent)
    : QWidget(parent)
    , m_glyph(glyph)
    , m_colour(colour)
{
    setFont(font);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void GlyphText::setText(const QString &text)
{
    if (text == m_text)
        return;
    const QSize before = sizeHint();
    m_text = text;
    m_shaped = PreparedText(text, font());
    setAccessibleName(text);
    // A text of the same width, such as a countdown's next minute, leaves the layouts alone.
    if (sizeHint() != before)
        updateGeometry();
    update();
}

void GlyphText::setGlyph(const QPainterPath &glyph)
{
    if (glyph == m_glyph)
        return;
    m_glyph = glyph;
    updateGeometry();
    update();
}

void GlyphText::setCapsule(std::optional<AdaptiveColor> colour, qreal opacity, QSizeF padding)
{
    m_capsuleColour = colour;
    m_capsuleOpacity = opacity;
    m_padding = padding;
    updateGeometry();
    update();
}

void GlyphText::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        m_shaped = PreparedText(m_text, font());
}

QSize GlyphText::sizeHint() const
{
    const QFontMetricsF metrics(font());
    qreal width = m_shaped.width();
    if (!m_glyph.isEmpty())
        width += font().pixelSize() + (m_text.isEmpty() ? 0.0 : glyphSpacing);
    return QSizeF(width + 2 * m_padding.width(), metrics.height() + 2 * m_padding.height()).toSize() +
           QSize(1, 0);
}

void GlyphText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (m_capsuleOpacity > 0.0) {
        painting::fillRoundedRectInBands(painter, bounds, bounds.height() / 2.0,
                                         tokenOr(m_capsuleColour, palette(), m_capsuleOpacity));
    }
    // Disabled, as a link or button label is while its control is, it takes the palette's disabled
    // text like the other controls around it.
    const QColor colour = isEnabled() ? tokenOr(m_colour, palette(), 1.0)
                                      : palette().color(QPalette::Disabled, QPalette::WindowText);
    const QRectF inner =
        bounds.adjusted(m_padding.width(), m_padding.height(), -m_padding.width(), -m_padding.height());
    qreal x = inner.left();
    if (!m_glyph.isEmpty()) {
        const qreal side = font().pixelSize();
        painter.fillPath(fitted(m_glyph, QRectF(x, inner.center().y() - side / 2.0, side, side)), colour);
        x += side + glyphSpacing;
    }
    painter.setPen(colour);
    m_shaped.draw(painter, QRectF(x, inner.top(), inner.right() - x, inner.height()));
}

GlyphButton::GlyphButton(AdaptiveColor colour, const QFont &font, QWidget *parent)
    : QAbstractButton(parent)
    , m_label(new GlyphText({}, colour, font, this))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GlyphButton::setLabel(const QPainterPath &glyph, const QString &text)
{
    m_label->setGlyph(glyph);
    m_label->setText(text);
    if (accessibleName() != text)
        setAccessibleName(text);
}

QSize GlyphButton::sizeHint() const
{
    return m_label->sizeHint();
}

void GlyphButton::paintEvent(QPaintEvent *)
{
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

MenuButton::MenuButton(AdaptiveColor colour, const QFont &font, QWidget *parent)
    : GlyphButton(colour, font, parent)
{
    static const bool accessible = (QAccessible::installFactory(&menuButtonFactory), true);
    Q_UNUSED(accessible)
}

void MenuButton::setMenu(QMenu *menu)
{
    m_menu = menu;
    const auto tellExpanded = [this] {
        QAccessible::State changed;
        changed.expanded = true;
        changed.collapsed = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    };
    connect(menu, &QMenu::aboutToShow, this, tellExpanded);
    connect(menu, &QMenu::aboutToHide, this, tellExpanded);
    // A menu that took the widget focus gives it back to the button as it closes, which Qt tells a
    // reader itself. One that never took it, as when it is closed by Escape, leaves the reader on a
    // menu item that is gone with nothing to tell it the keys are back on the button; told where Qt
    // told it already, a reader would hear the button twice, the second time after a sign-out that
    // takes it away.
    connect(menu, &QMenu::aboutToShow, this, [this] { m_focusRetold = false; });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now == this)
            m_focusRetold = true;
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_focusRetold && hasFocus()) {
                    QAccessibleEvent focus(this, QAccessible::Focus);
                    QAccessible::updateAccessibility(&focus);
                }
            },
            Qt::QueuedConnection);
    });
}

void tellExpanded(QWidget *control)
{
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
    if (control->hasFocus()) {
        QAccessibleEvent focus(control, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

ExpandingAccessible::ExpandingAccessible(QAbstractButton *button, std::function<bool()> expanded)
    : QAccessibleWidget(button, QAccessible::Button)
    , m_expanded(std::move(expanded))
{}

QAccessible::State ExpandingAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = m_expanded();
    state.collapsed = !state.expanded;
    return state;
}

QStringList ExpandingAccessible::actionNames() const
{
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void ExpandingAccessible::doAction(const QString &name)
{
    if (name == pressAction())
        static_cast<QAbstractButton *>(widget())->click();
    else
        QAccessibleWidget::doAction(name);
}

ExpandingButton::ExpandingButton(AdaptiveColor colour, const QFont &font, QWidget *parent)
    : GlyphButton(colour, font, parent)
{
    static const bool accessible = (QAccessible::installFactory(&expandingButtonFactory), true);
    Q_UNUSED(accessible)
}

void ExpandingButton::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    tellExpanded(this);
}

SymbolTile::SymbolTile(const QPainterPath &glyph, QWidget *parent)
    : QWidget(parent)
    , m_glyph(glyph)
{
    setFixedSize(tileSide, tileSide);
}

void SymbolTile::paintEvent(QPaintEvent *)
{
    const QColor accent = Appearance::accentBlue.resolve(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(painting::withOpacity(accent, 0.055));
    painter.drawRoundedRect(QRectF(rect()), 6.0, 6.0);
    const qreal side = 13.0;
    painter.fillPath(fitted(m_glyph, QRectF((tileSide - side) / 2.0, (tileSide - side) / 2.0, side, side)),
                     accent);
}

CloseButton::CloseButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFixedSize(closeSide, closeSide);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("关闭课程详情"));
    setAccessibleName(QStringLiteral("关闭课程详情"));
}

void CloseButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(painting::primary(palette(), 0.045));
    painter.drawEllipse(QRectF(rect()));
    const qreal side = 9.0;
    const QRectF box((closeSide - side) / 2.0, (closeSide - side) / 2.0, side, side);
    painter.fillPath(glyphPath(Glyph::xmark, box), Appearance::secondaryText.resolve(palette()));
}

} // namespace quorvale
