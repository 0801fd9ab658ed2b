#pragma once

#include <QLineEdit>

// The query screen's text field. Up and Down move the suggestions' highlight and Return confirms;
// none of the three reaches the field's own editing, and Escape is reported instead of ignored, so
// no key meant for the dropdown moves the caret or scrolls the page.
namespace quorvale {

class SearchField : public QLineEdit
{
    Q_OBJECT

public:
    explicit SearchField(QWidget *parent = nullptr);

signals:
    void stepped(int step);
    void confirmed();
    void escaped();
    void focusMoved();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};

} // namespace quorvale
