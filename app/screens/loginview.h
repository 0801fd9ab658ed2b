#pragma once

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollArea;

// The sign-in screen: one card in the middle of the window with account, password, the captcha when
// the platform asks for one, the automatic sign-in switch and the sign-in button. It keeps only what
// the user types; whether a sign-in may be sent, is running or failed comes from the client.
namespace quorvale {

class CaptchaButton;
class Coalescer;
class GlyphButton;
class QuorvaleClient;
class SignInButton;
class TintedLabel;
class WebLoginDialog;

class LoginView : public QWidget
{
    Q_OBJECT

public:
    // The client must outlive the screen.
    explicit LoginView(QuorvaleClient *client, QWidget *parent = nullptr);

    QLineEdit *accountField() const { return m_account; }
    QLineEdit *passwordField() const { return m_password; }
    QLineEdit *captchaField() const { return m_captcha; }
    // The captcha row; hidden while the platform wants no captcha.
    QWidget *captchaRow() const { return m_captchaRow; }
    CaptchaButton *captchaButton() const { return m_captchaImage; }
    QCheckBox *rememberBox() const { return m_remember; }
    SignInButton *signInButton() const { return m_signIn; }
    QLabel *messageLabel() const;
    QLabel *storageLabel() const;
    GlyphButton *retryButton() const { return m_retry; }
    GlyphButton *websiteButton() const { return m_website; }
    // The web sign-in sheet while it is open.
    WebLoginDialog *websiteSheet() const;

    // Sends the form, or refuses quietly when it is not complete.
    void submit();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void build();
    void refresh();
    // Gives the field the appearance chose the keyboard, once the form can take it.
    void placeFocus();
    void savedAccountChanged();
    void refreshCaptcha();
    // After a failed sign-in: the field the person has to fill in next takes the keyboard.
    void focusAttention();
    void openWebsite();
    static QCoro::Task<> signIn(QPointer<LoginView> view, QPointer<QuorvaleClient> client, QString account,
                                QString password, QString captcha, bool remember);

    QuorvaleClient *m_client;
    Coalescer *m_refresh;
    bool m_appeared = false;
    // The screen has appeared and its field has not had the focus yet: a form disabled while the
    // client works cannot take it, so it waits until the form is enabled.
    bool m_focusPending = false;
    // A sign-in has failed; once the form is usable again, the field to fill in takes the keyboard.
    bool m_attentionPending = false;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_form = nullptr;
    QLineEdit *m_account = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_captcha = nullptr;
    QWidget *m_captchaRow = nullptr;
    CaptchaButton *m_captchaImage = nullptr;
    QCheckBox *m_remember = nullptr;
    SignInButton *m_signIn = nullptr;
    TintedLabel *m_message = nullptr;
    TintedLabel *m_storage = nullptr;
    GlyphButton *m_retry = nullptr;
    GlyphButton *m_website = nullptr;
    QPointer<WebLoginDialog> m_sheet;
};

} // namespace quorvale
