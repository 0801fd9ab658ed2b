#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <optional>

// The search field of the query screen with the dropdown that hangs from it: the magnifier, the
// text field, a small indicator while a search runs and the "查询" button in a 56-pixel row, and
// under it, while the dropdown shows, the suggestion panel. The box grows downwards over whatever
// follows it; its rounded background and shadow are drawn by a SearchShadow behind it.
namespace quorvale {

class GlyphButton;
class SearchActionButton;
class SearchField;
class Spinner;
class SuggestionPanel;
class Tween;

class SearchBox : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fieldHeight = 56;
    static constexpr int maximumWidth = 660;

    explicit SearchBox(QWidget *parent = nullptr);

    SearchField *field() const { return m_field; }
    GlyphButton *magnifier() const { return m_magnifier; }
    SearchActionButton *searchButton() const { return m_button; }
    Spinner *spinner() const { return m_spinner; }
    SuggestionPanel *panel() const { return m_panel; }

    // Shows or hides the dropdown with a list of this height; the box's height follows with the
    // standard spring.
    void setDropdown(bool visible, int listHeight);
    bool dropdownVisible() const { return m_dropdown; }
    // The height the box has now, between the field's and the open dropdown's.
    int currentHeight() const;

signals:
    void heightChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SearchField *m_field;
    GlyphButton *m_magnifier;
    Spinner *m_spinner;
    SearchActionButton *m_button;
    QWidget *m_row;
    SuggestionPanel *m_panel;
    bool m_dropdown = false;
    Tween *m_height;
};

// The shared background of the search field and its dropdown: one rounded shape with a hairline
// outline and a soft shadow, larger while the dropdown shows or the field is focused. It lets every
// click through to what lies under it. While the dropdown's height springs, every frame of the
// shadow is the same picture with more or fewer identical middle rows: it is drawn once at a low
// height and stretched by repeating a middle row, and painted directly again when the size rests.
class SearchShadow : public QWidget
{
    Q_OBJECT

public:
    // Room around the shape for the shadow.
    static constexpr QMargins margins{20, 14, 20, 30};

    explicit SearchShadow(QWidget *parent = nullptr);

    void setLook(bool focused, bool dropdown);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Look
    {
        qreal opacity;
        qreal blur;
        qreal offset;
        QColor body;
        QColor outline;

        bool operator==(const Look &) const = default;
    };
    Look look() const;
    static void paintLook(QPainter &painter, const QSizeF &size, const Look &look);
    // Paints the stretched picture; false where the size or the device does not allow it.
    bool paintStretched(QPainter &painter, const Look &look);
    // Paints the picture kept for the size at rest; false where the device does not allow it.
    bool paintRested(QPainter &painter, const Look &look);

    bool m_focused = false;
    bool m_dropdown = false;
    // Runs from each change of size until the size has rested.
    QTimer *m_settling;
    // The low pictures by their height, for one look, width and pixel ratio.
    QHash<int, QImage> m_pictures;
    std::optional<Look> m_picturesLook;
    qreal m_picturesRatio = 0.0;
    int m_picturesWidth = 0;
    // The whole picture at rest, for one look.
    QImage m_rested;
    std::optional<Look> m_restedLook;
};

} // namespace quorvale
