#pragma once

#include "app/state/searchsuggestion.h"

#include <QAbstractButton>

// One row of the suggestions dropdown: an icon by kind, the title with its subtitle, and a trailing
// mark. It never takes the keyboard focus, so a click on it leaves the search field focused.
namespace quorvale {

class SuggestionRow : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SuggestionRow(const SearchSuggestion &suggestion, QWidget *parent = nullptr);

    const SearchSuggestion &suggestion() const { return m_suggestion; }
    void setSuggestion(const SearchSuggestion &suggestion);
    // Tinted as the row the pointer or the keyboard points at.
    void setMarked(bool marked);
    bool marked() const { return m_marked; }
    // Ends with the return mark as the keyboard's highlighted row.
    void setHighlighted(bool highlighted);
    bool highlighted() const { return m_highlighted; }

    QSize sizeHint() const override;

signals:
    void entered(const QString &id);
    void left(const QString &id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    SearchSuggestion m_suggestion;
    bool m_marked = false;
    bool m_highlighted = false;
};

} // namespace quorvale
