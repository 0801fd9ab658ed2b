#include "app/screens/loginview.h"

#include "app/look/appearance.h"
#include "app/look/arrival.h"
#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/reducemotion.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/captchabutton.h"
#include "app/screens/coalescer.h"
#include "app/screens/detached.h"
#include "app/screens/formfield.h"
#include "app/screens/page.h"
#include "app/screens/panel.h"
#include "app/screens/signinbutton.h"
#include "app/screens/weblogindialog.h"
#include "app/state/quorvaleclient.h"
#include "core/client/settled.h"

#include <QAccessible>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>
#include <utility>

namespace quorvale {

namespace {

constexpr int cardWidth = 390;
constexpr int cardPadding = 34;
constexpr int pagePadding = 30;

TintedLabel *secondaryLabel(TextStyle style, const AdaptiveColor &tint, QWidget *parent)
{
    auto *label = new TintedLabel(QString(), textStyleFont(parent->font(), style), parent);
    label->setTint(tint);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

LoginView::LoginView(QuorvaleClient *client, QWidget *parent)
    : QWidget(parent)
    , m_client(client)
    , m_refresh(new Coalescer([this] { refresh(); }, this))
{
    build();
    for (auto changed : {&QuorvaleClient::workingChanged, &QuorvaleClient::readyChanged,
                         &QuorvaleClient::captchaDataChanged, &QuorvaleClient::rememberAccountChanged,
                         &QuorvaleClient::messageChanged, &QuorvaleClient::storageMessageChanged})
        connect(m_client, changed, m_refresh, &Coalescer::request);
    connect(m_client, &QuorvaleClient::savedAccountChanged, this, &LoginView::savedAccountChanged);
    refresh();
}

void LoginView::build()
{
    m_scroll = fillWithPage(this);
    QWidget *page = m_scroll->widget();
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(pagePadding, pagePadding, pagePadding, pagePadding);

    auto *card = new Panel(24.0, paints::controlBackground(), page);
    card->setBorder(paints::primary(0.035));
    card->setFixedWidth(cardWidth);
    pageLayout->addStretch();
    pageLayout->addWidget(card, 0, Qt::AlignHCenter);
    pageLayout->addStretch();
    arrive(card, 0);

    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    column->setSpacing(27);

    auto *header = new QVBoxLayout;
    header->setSpacing(12);
    auto *mark = new GlyphText(glyphPath(Glyph::squareGrid), Appearance::accentBlue,
                               sizedFont(font(), 38, QFont::Medium), card);
    header->addWidget(mark, 0, Qt::AlignHCenter);
    auto *title = new TintedLabel(QStringLiteral("课径"), sizedFont(font(), 32, QFont::DemiBold), card);
    header->addWidget(title, 0, Qt::AlignHCenter);
    auto *subtitle = secondaryLabel(TextStyle::callout, Appearance::secondaryText, card);
    subtitle->setText(QStringLiteral("登录澜序"));
    header->addWidget(subtitle, 0, Qt::AlignHCenter);
    column->addLayout(header);

    m_form = new QWidget(card);
    auto *form = new QVBoxLayout(m_form);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(15);
    column->addWidget(m_form);

    auto *account = new FormField(QStringLiteral("账号"), m_form);
    m_account = account->edit();
    form->addWidget(account);
    auto *password = new FormField(QStringLiteral("密码"), m_form);
    m_password = password->edit();
    m_password->setEchoMode(QLineEdit::Password);
    form->addWidget(password);

    m_captchaRow = new QWidget(m_form);
    auto *captchaLayout = new QHBoxLayout(m_captchaRow);
    captchaLayout->setContentsMargins(0, 0, 0, 0);
    captchaLayout->setSpacing(10);
    auto *captcha = new FormField(QStringLiteral("验证码"), m_captchaRow);
    m_captcha = captcha->edit();
    captchaLayout->addWidget(captcha, 1);
    m_captchaImage = new CaptchaButton(m_captchaRow);
    captchaLayout->addWidget(m_captchaImage);
    form->addWidget(m_captchaRow);

    m_remember = new QCheckBox(QStringLiteral("自动登录"), m_form);
    m_remember->setFont(textStyleFont(font(), TextStyle::callout));
    m_remember->setToolTip(QStringLiteral("账号密码保存在系统钥匙串"));
    form->addWidget(m_remember);

    m_signIn = new SignInButton(m_form);
    form->addWidget(m_signIn);

    m_message = secondaryLabel(TextStyle::caption, Appearance::secondaryText, m_form);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The line keeps its room while empty, so the centred card never moves under the pointer when a
    // message comes or goes.
    // One line of Chinese text, which is taller than a Latin one.
    m_message->setText(QStringLiteral("登录"));
    m_message->setMinimumHeight(m_message->sizeHint().height());
    m_message->clear();
    m_message->setFocusPolicy(Qt::NoFocus);
    form->addWidget(m_message);
    m_storage = secondaryLabel(TextStyle::caption, Appearance::warningAmber, m_form);
    form->addWidget(m_storage);

    // The retry link stays usable while the form is disabled, so it lives beside the form.
    m_retry = new GlyphButton(Appearance::accentBlue, textStyleFont(font(), TextStyle::body), card);
    m_retry->setLabel({}, QStringLiteral("重试"));
    column->addWidget(m_retry, 0, Qt::AlignHCenter);

    m_website = new GlyphButton(Appearance::secondaryText, textStyleFont(font(), TextStyle::caption), card);
    m_website->setLabel({}, QStringLiteral("使用官网登录"));
    column->addWidget(m_website, 0, Qt::AlignHCenter);

    connect(m_account, &QLineEdit::returnPressed, this,
            [this] { m_password->setFocus(Qt::OtherFocusReason); });
    connect(m_password, &QLineEdit::returnPressed, this, &LoginView::submit);
    connect(m_captcha, &QLineEdit::returnPressed, this, &LoginView::submit);
    for (QLineEdit *field : {m_account, m_password})
        connect(field, &QLineEdit::textChanged, m_refresh, &Coalescer::request);
    connect(m_signIn, &QAbstractButton::clicked, this, &LoginView::submit);
    connect(m_captchaImage, &QAbstractButton::clicked, this, &LoginView::refreshCaptcha);
    connect(m_remember, &QCheckBox::clicked, this, [this](bool on) { m_client->setRememberAccount(on); });
    connect(m_retry, &QAbstractButton::clicked, this, [this] { detach(m_client->prepare()); });
    connect(m_website, &QAbstractButton::clicked, this, &LoginView::openWebsite);
}

QLabel *LoginView::messageLabel() const
{
    return m_message;
}

QLabel *LoginView::storageLabel() const
{
    return m_storage;
}

void LoginView::refresh()
{
    const bool working = m_client->working();
    // The form is disabled while the client works, but for the field that holds the keyboard: it only
    // stops taking text. Disabled, it would lose the focus to nothing, and a screen reader would be
    // told it still has it.
    QWidget *focused = window()->focusWidget();
    for (QLineEdit *field : {m_account, m_password, m_captcha}) {
        const bool holds = working && field == focused;
        field->setEnabled(!working || holds);
        field->setReadOnly(holds);
    }
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_captchaImage, m_remember, m_message, m_storage})
        control->setEnabled(!working);
    placeFocus();

    const std::optional<QByteArray> captchaData = m_client->captchaData();
    const QImage image = captchaData ? QImage::fromData(*captchaData) : QImage();
    const bool captchaShown = !image.isNull();
    m_captchaImage->setImage(image);
    if (captchaShown != m_captchaRow->isVisibleTo(m_form)) {
        m_captchaRow->setVisible(captchaShown);
        if (captchaShown)
            playInsertion(m_captchaRow, Appearance::reveal(motion::reduced()),
                          springCurve<springs::standard>());
    }

    m_remember->setChecked(m_client->rememberAccount());
    m_signIn->setWorking(working);
    // Like the fields, the button that holds the keyboard keeps it while the client works; pressed
    // again meanwhile, it starts nothing.
    m_signIn->setEnabled((working && m_signIn == focused) ||
                         (!working && m_client->ready() && !m_account->text().trimmed().isEmpty() &&
                          !m_password->text().isEmpty()));

    if (const QString message = m_client->message(); message != m_message->text()) {
        m_message->setText(message);
        // A selectable text takes a click's focus to be copied; with nothing to copy it takes none,
        // and a screen reader finds no empty control.
        m_message->setFocusPolicy(message.isEmpty() ? Qt::NoFocus : Qt::ClickFocus);
        // A new message is announced, not only shown: it tells why signing in stopped.
        if (!message.isEmpty()) {
            QAccessibleEvent alert(m_message, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
    }
    m_storage->setText(m_client->storageMessage());
    m_storage->setVisible(!m_client->storageMessage().isEmpty());
    // The message and the storage notice describe the fields they are about. Qt's bridge to the
    // desktop's screen readers drops alerts, but a reader speaks the description of a field as it
    // takes the focus, and a new description of the field that has it.
    QStringList notes{m_client->message(), m_client->storageMessage()};
    notes.removeAll(QString());
    const QString description = notes.join(QLatin1Char('\n'));
    for (QLineEdit *field : {m_account, m_password, m_captcha}) {
        if (field->accessibleDescription() != description)
            field->setAccessibleDescription(description);
    }
    m_retry->setVisible(!m_client->ready() && !working);
    m_website->setEnabled(!working);
    if (!working && std::exchange(m_attentionPending, false))
        focusAttention();
}

void LoginView::submit()
{
    if (m_client->working() || !m_client->ready())
        return;
    if (m_account->text().trimmed().isEmpty() || m_password->text().isEmpty())
        return;
    // The client trims the captcha before it checks it, so a captcha of blanks counts as none here
    // too: sending it would empty the password only to be refused.
    if (m_client->captchaData() && m_captcha->text().trimmed().isEmpty()) {
        m_captcha->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The keyboard waits where it is while the sign-in runs: in a field, or on the button, which then
    // says "正在登录…" to a screen reader. A failed sign-in moves it to the field that needs the person
    // next.
    if (focusWidget() != m_account && focusWidget() != m_captcha && focusWidget() != m_signIn)
        m_password->setFocus(Qt::OtherFocusReason);
    const QString password = m_password->text();
    m_password->clear();
    signIn(this, m_client, m_account->text(), password, m_captcha->text(), m_client->rememberAccount());
}

QCoro::Task<> LoginView::signIn(QPointer<LoginView> view, QPointer<QuorvaleClient> client, QString account,
                                QString password, QString captcha, bool remember)
{
    if (client)
        co_await settled(client->login(account, password, captcha, remember));
    if (!view)
        co_return;
    view->m_captcha->clear();
    if (client && client->phase() == SessionPhase::SignedOut) {
        view->m_attentionPending = true;
        view->m_refresh->request();
    }
}

void LoginView::focusAttention()
{
    // The password was emptied as the sign-in started, and comes first in the form; a captcha the
    // platform now asks for follows it.
    if (isVisible())
        m_password->setFocus(Qt::OtherFocusReason);
}

void LoginView::refreshCaptcha()
{
    m_captcha->clear();
    // The new picture is to be read into the field, from the button as from the keyboard.
    m_captcha->setFocus(Qt::OtherFocusReason);
    detach(m_client->refreshCaptcha());
}

WebLoginDialog *LoginView::websiteSheet() const
{
    return m_sheet;
}

void LoginView::openWebsite()
{
    if (!m_sheet) {
        m_sheet = new WebLoginDialog(m_client, this);
        m_sheet->open();
    }
    detach(m_client->openLogin());
}

void LoginView::savedAccountChanged()
{
    if (m_account->text().isEmpty())
        m_account->setText(m_client->savedAccount());
}

void LoginView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    if (m_account->text().isEmpty())
        m_account->setText(m_client->savedAccount());
    m_focusPending = true;
    placeFocus();
}

void LoginView::placeFocus()
{
    if (!m_focusPending || m_client->working())
        return;
    m_focusPending = false;
    // A saved account that arrived while the form waited counts as filled in.
    (m_account->text().isEmpty() ? m_account : m_password)->setFocus(Qt::OtherFocusReason);
}

void LoginView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A minimised window hides its widgets too; only leaving the screen forgets what was typed.
    if (event->spontaneous())
        return;
    m_password->clear();
    m_captcha->clear();
}

// Escape ends editing; the field keeps the keyboard, since a window with nothing focused loses what
// is typed next and a screen reader would still be told of the field.
void LoginView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape)
        QWidget::keyPressEvent(event);
}

} // namespace quorvale
