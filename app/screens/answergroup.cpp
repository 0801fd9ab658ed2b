#include "app/screens/answergroup.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvale {

namespace {

constexpr qreal ringRadius = 22.0;

// The group reads as its answer. It is named by a property of its own rather than the widget's
// accessible name, which would announce every new countdown.
class AnswerAccessible : public QAccessibleWidget
{
public:
    explicit AnswerAccessible(AnswerGroup *group)
        : QAccessibleWidget(group, QAccessible::Grouping)
    {}

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? static_cast<const AnswerGroup *>(widget())->spoken()
                                         : QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface *answerFactory(const QString &className, QObject *object)
{
    auto *group =
        className == QLatin1String("quorvale::AnswerGroup") ? qobject_cast<AnswerGroup *>(object) : nullptr;
    return group ? new AnswerAccessible(group) : nullptr;
}

class FocusRing : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0), ringRadius, ringRadius);
    }
};

} // namespace

AnswerGroup::AnswerGroup(QWidget *parent)
    : QWidget(parent)
{
    // Before anything asks for the widget's accessible element, which is kept once made.
    static const bool accessible = (QAccessible::installFactory(&answerFactory), true);
    Q_UNUSED(accessible)
    setFocusPolicy(Qt::TabFocus);
    // Made here, not in the initialiser list: the group hears of its new child while it is made.
    m_ring = new FocusRing(this);
    m_ring->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_ring->hide();
}

void AnswerGroup::setAnswer(const QString &spoken, const QString &lasting)
{
    m_spoken = spoken;
    if (lasting == m_lasting)
        return;
    m_lasting = lasting;
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

bool AnswerGroup::event(QEvent *event)
{
    if (!m_ring)
        return QWidget::event(event);
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        m_ring->setVisible(hasFocus());
        m_ring->raise();
        break;
    case QEvent::Resize:
        m_ring->setGeometry(rect());
        break;
    case QEvent::ChildAdded:
        // A card that arrives is stacked on top; the ring stays above it.
        if (m_ring->isVisible())
            m_ring->raise();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

} // namespace quorvale
