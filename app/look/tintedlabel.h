#pragma once

#include "app/look/appearance.h"

#include <QLabel>
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

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyTint();

    std::optional<AdaptiveColor> m_token;
    qreal m_opacity = 1.0;
    bool m_applying = false;
};

} // namespace quorvale
