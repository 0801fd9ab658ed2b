#pragma once

#include "app/look/appearance.h"
#include "app/look/preparedtext.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QPainterPath>
#include <QWidget>
#include <functional>
#include <optional>

class QMenu;

// Small painted pieces shared by the cards and screens: a glyph with a text, a capsule tag, a
// plain link-like button, an icon tile, a dot and the round close button. Texts are drawn as plain
// text; colours are resolved from the palette each time they are painted.
namespace quorvale {

// A glyph followed by a text in one colour token (or the primary colour), optionally on a capsule.
class GlyphText : public QWidget
{
    Q_OBJECT

public:
    // `glyph` is an outline on the 16-unit grid.
    GlyphText(const QPainterPath &glyph, std::optional<AdaptiveColor> colour, const QFont &font,
              QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    void setGlyph(const QPainterPath &glyph);
    // A capsule behind the label, in a colour token (or the primary colour) at `opacity`, with this
    // padding around the label.
    void setCapsule(std::optional<AdaptiveColor> colour, qreal opacity, QSizeF padding);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPainterPath m_glyph;
    std::optional<AdaptiveColor> m_colour;
    QString m_text;
    // Shaped once for each text and font, not at every look at the size or repaint.
    PreparedText m_shaped;
    std::optional<AdaptiveColor> m_capsuleColour;
    qreal m_capsuleOpacity = 0.0;
    QSizeF m_padding;
};

// A borderless button whose label is a GlyphText.
class GlyphButton : public QAbstractButton
{
    Q_OBJECT

public:
    GlyphButton(AdaptiveColor colour, const QFont &font, QWidget *parent = nullptr);

    void setLabel(const QPainterPath &glyph, const QString &text);
    GlyphText *label() const { return m_label; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    GlyphText *m_label;
};

// A GlyphButton that opens a menu: assistive technologies hear it as a menu button with a pop-up,
// expanded while its menu is open.
class MenuButton : public GlyphButton
{
    Q_OBJECT

public:
    MenuButton(AdaptiveColor colour, const QFont &font, QWidget *parent = nullptr);

    // The menu the button opens; it must outlive the button or be its child.
    void setMenu(QMenu *menu);
    QMenu *menu() const { return m_menu; }

private:
    QMenu *m_menu = nullptr;
    // Whether the focus came back to the button, and was told, since the menu last opened.
    bool m_focusRetold = false;
};

// Tells assistive technologies that a control that expands was opened or closed. This desktop's bridge
// passes no change of the expanded state on; a reader hears it as the control, when it holds the focus,
// is told once more.
void tellExpanded(QWidget *control);

// To assistive technologies a button that expands: whether it is open, and a press that opens or
// closes it.
class ExpandingAccessible : public QAccessibleWidget
{
public:
    ExpandingAccessible(QAbstractButton *button, std::function<bool()> expanded);

    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &name) override;

private:
    std::function<bool()> m_expanded;
};

// A GlyphButton that opens and closes what it controls, heard as a button that expands.
class ExpandingButton : public GlyphButton
{
    Q_OBJECT

public:
    ExpandingButton(AdaptiveColor colour, const QFont &font, QWidget *parent = nullptr);

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded);

private:
    bool m_expanded = false;
};

// A 24-point tile of the accent colour with a glyph in it.
class SymbolTile : public QWidget
{
    Q_OBJECT

public:
    explicit SymbolTile(const QPainterPath &glyph, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPainterPath m_glyph;
};

// The round close control of the detail card.
class CloseButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CloseButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quorvale
