#include "app/screens/signinbutton.h"

#include "app/screens/spinner.h"

#include <QFontMetrics>

namespace quorvale {

namespace {

constexpr int labelPadding = 7;
constexpr int spinnerSide = 14;
constexpr int spinnerSpacing = 6;

} // namespace

SignInButton::SignInButton(QWidget *parent)
    : PrimaryActionButton(QStringLiteral("登录"), parent)
    , m_spinner(new Spinner(spinnerSide, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_spinner->hide();
}

void SignInButton::setWorking(bool working)
{
    if (working == m_working)
        return;
    m_working = working;
    setText(working ? QStringLiteral("正在登录…") : QStringLiteral("登录"));
    m_spinner->setVisible(working);
    placeSpinner();
}

QSize SignInButton::sizeHint() const
{
    return PrimaryActionButton::sizeHint() + QSize(0, 2 * labelPadding);
}

void SignInButton::resizeEvent(QResizeEvent *event)
{
    PrimaryActionButton::resizeEvent(event);
    placeSpinner();
}

void SignInButton::placeSpinner()
{
    QFont label = font();
    label.setWeight(QFont::DemiBold);
    const int textWidth = QFontMetrics(label).horizontalAdvance(text());
    // The button centres its text; the indicator stands just before it.
    const int left = (width() - textWidth) / 2 - spinnerSpacing - spinnerSide;
    m_spinner->move(left, (height() - spinnerSide) / 2);
}

} // namespace quorvale
