#pragma once

#include "app/look/coursestate.h"
#include "app/screens/panel.h"

#include <optional>

// The two cards the result area shows where no lesson card can stand: a failure with its message,
// and a tinted state with an optional explanation.
namespace quorvale {

class StatusBadge;
class TintedLabel;

// A red card: a failure badge with the title and the message below it, selectable for copying.
class ErrorCard : public Panel
{
    Q_OBJECT

public:
    explicit ErrorCard(QWidget *parent = nullptr);

    void setContent(const QString &title, const QString &message);

    StatusBadge *badge() const { return m_badge; }
    TintedLabel *messageLabel() const { return m_message; }

private:
    StatusBadge *m_badge;
    TintedLabel *m_message;
};

// A card in a state's colour with its badge and, when it says more than the title, a message.
class EmptyStateCard : public Panel
{
    Q_OBJECT

public:
    explicit EmptyStateCard(QWidget *parent = nullptr);

    void setContent(const QString &title, CourseState state, const std::optional<QString> &message);

    StatusBadge *badge() const { return m_badge; }
    // Hidden when the message is absent, empty or the title again.
    TintedLabel *messageLabel() const { return m_message; }

private:
    StatusBadge *m_badge;
    TintedLabel *m_message;
};

} // namespace quorvale
