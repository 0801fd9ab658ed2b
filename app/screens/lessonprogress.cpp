#include "app/screens/lessonprogress.h"

#include "app/look/animation.h"
#include "app/look/painting.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <algorithm>

namespace quorvale {

namespace {

constexpr int largestWidth = 330;
constexpr int barHeight = 3;

// To assistive technologies the bar is a progress bar whose value is the whole percentage run.
class LessonProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit LessonProgressAccessible(LessonProgress *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return QStringLiteral("%1%").arg(progress()->percent());
        return QAccessibleWidget::text(kind);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return progress()->percent(); }
    // Only the lesson's moment moves it.
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    LessonProgress *progress() const { return static_cast<LessonProgress *>(widget()); }
};

QAccessibleInterface *lessonProgressFactory(const QString &className, QObject *object)
{
    auto *bar = className == QLatin1String("quorvale::LessonProgress")
                    ? qobject_cast<LessonProgress *>(object)
                    : nullptr;
    return bar ? new LessonProgressAccessible(bar) : nullptr;
}

} // namespace

LessonProgress::LessonProgress(AdaptiveColor tint, QWidget *parent)
    : QWidget(parent)
    , m_tint(tint)
    , m_shown(new Tween(0.0, this))
{
    // Before anything asks for the widget's accessible element, which is kept once made.
    static const bool accessible = (QAccessible::installFactory(&lessonProgressFactory), true);
    Q_UNUSED(accessible)
    setMaximumWidth(largestWidth);
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title());
    // Moved, and repainted, only when the filled part covers another whole pixel.
    m_shown->setShownAs([this](qreal shown) { return filledWidth(shown); });
    connect(m_shown, &Tween::valueChanged, this, [this] {
        if (const int filled = filledWidth(); filled != m_painted) {
            // Only the columns between the old and the new end, with the round cap on either side.
            const int from = std::min(filled, m_painted) - barHeight;
            update(QRect(from, 0, std::abs(filled - m_painted) + 2 * barHeight, height()));
            m_painted = filled;
        }
    });
}

QString LessonProgress::title()
{
    return QStringLiteral("本节课进度");
}

void LessonProgress::setRun(const lessonclock::LessonRun &run)
{
    const double fraction = run.fraction();
    if (fraction == m_fraction)
        return;
    // The first value is shown as it is; later ones move there (the tween takes a move of less
    // than a pixel at once).
    if (m_fraction < 0.0)
        m_shown->jumpTo(fraction);
    else
        m_shown->moveTo(fraction, springCurve<springs::standard>());
    m_fraction = fraction;
    if (run.percent() != m_percent) {
        m_percent = run.percent();
        QAccessibleValueChangeEvent changed(this, m_percent);
        QAccessible::updateAccessibility(&changed);
    }
}

void LessonProgress::setTint(AdaptiveColor tint)
{
    m_tint = tint;
    update();
}

int LessonProgress::filledWidth() const
{
    return filledWidth(m_shown->value());
}

int LessonProgress::filledWidth(double shown) const
{
    return qRound(width() * std::clamp(shown, 0.0, 1.0));
}

QSize LessonProgress::sizeHint() const
{
    return {largestWidth, barHeight};
}

void LessonProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor colour = m_tint.resolve(palette());
    const QRectF track = rect();
    const qreal radius = track.height() / 2.0;
    painter.setBrush(painting::withOpacity(colour, 0.12));
    painter.drawRoundedRect(track, radius, radius);
    m_painted = filledWidth();
    const qreal width = m_painted;
    if (width <= 0.0)
        return;
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(width, track.height())), radius, radius);
}

} // namespace quorvale
