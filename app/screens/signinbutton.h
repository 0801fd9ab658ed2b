#pragma once

#include "app/look/primaryactionbutton.h"

// The sign-in card's primary button: "登录", or a small turning indicator before "正在登录…" while
// a sign-in runs.
namespace quorvale {

class Spinner;

class SignInButton : public PrimaryActionButton
{
    Q_OBJECT

public:
    explicit SignInButton(QWidget *parent = nullptr);

    void setWorking(bool working);
    bool working() const { return m_working; }

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeSpinner();

    Spinner *m_spinner;
    bool m_working = false;
};

} // namespace quorvale
