#include "app/screens/statecards.h"

#include "app/look/statusbadge.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"

#include <QVBoxLayout>

namespace quorvale {

namespace {

TintedLabel *centredText(TextStyle style, QWidget *parent)
{
    auto *label = new TintedLabel(QString(), textStyleFont(parent->font(), style), parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

ErrorCard::ErrorCard(QWidget *parent)
    : Panel(18.0, paints::token(Appearance::errorRed, 0.055), parent)
    , m_badge(new StatusBadge(QString(), CourseState::failure, this))
    , m_message(centredText(TextStyle::callout, this))
{
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(12);
    column->addWidget(m_badge, 0, Qt::AlignHCenter);
    column->addWidget(m_message);
}

void ErrorCard::setContent(const QString &title, const QString &message)
{
    m_badge->setTitle(title);
    m_message->setText(message);
}

EmptyStateCard::EmptyStateCard(QWidget *parent)
    : Panel(22.0, paints::token(color(CourseState::free), 0.045), parent)
    , m_badge(new StatusBadge(QString(), CourseState::free, this))
    , m_message(centredText(TextStyle::caption, this))
{
    m_message->setTint(Appearance::secondaryText);
    setMinimumHeight(130);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(11);
    column->addStretch();
    column->addWidget(m_badge, 0, Qt::AlignHCenter);
    column->addWidget(m_message);
    column->addStretch();
}

void EmptyStateCard::setContent(const QString &title, CourseState state,
                                const std::optional<QString> &message)
{
    setFill(paints::token(color(state), 0.045));
    m_badge->setTitle(title);
    m_badge->setState(state);
    const bool shown = message && !message->isEmpty() && *message != title;
    m_message->setText(shown ? *message : QString());
    m_message->setVisible(shown);
}

} // namespace quorvale
