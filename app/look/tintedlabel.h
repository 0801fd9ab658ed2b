#pragma once

#include "app/look/appearance.h"

#include <QFont>
#include <QHash>
#include <QLabel>
#include <QMargins>
#include <optional>

// A label for text from anywhere, the platform included: always plain text, in one of the look's
// colour tokens (or the primary colour) at an opacity, re-resolved whenever the palette changes.
namespace quorvale {

class TintedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TintedLabel(QWidget *parent = nullptr);
    TintedLabel(const QString &text, const QFont &font, QWidget *parent = nullptr);

    void setTint(const AdaptiveColor &token, qreal opacity = 1.0);
    void setPrimary(qreal opacity = 1.0);
    // The colour the text is drawn in now.
    QColor tint() const;

    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyTint();

    // What a word-wrapped label's height for a width follows, beside the width.
    struct Wrapping
    {
        QString text;
        QFont font;
        // Text is measured on the pixels of the screen the label is on.
        qreal ratio;
        QMargins margins;
        int margin;
        int indent;
        Qt::Alignment alignment;
        bool wordWrap;

        bool operator==(const Wrapping &) const = default;
    };

    std::optional<AdaptiveColor> m_token;
    qreal m_opacity = 1.0;
    bool m_applying = false;
    mutable std::optional<Wrapping> m_wrapping;
    mutable QHash<int, int> m_heights;
};

} // namespace quorvale
