#include "app/screens/weblogindialog.h"

#include "app/look/appearance.h"
#include "app/look/primaryactionbutton.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/spinner.h"
#include "app/state/quorvaleclient.h"
#include "core/client/settled.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvale {

namespace {

constexpr int sheetWidth = 920;
constexpr int sheetHeight = 700;
constexpr int sheetPadding = 18;
constexpr int indicatorSide = 16;

} // namespace

WebLoginDialog::WebLoginDialog(QuorvaleClient *client, QWidget *parent)
    : QDialog(parent)
    , m_client(client)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("澜序登录"));
    setFixedSize(sheetWidth, sheetHeight);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(sheetPadding, sheetPadding, sheetPadding, sheetPadding);
    column->setSpacing(12);

    m_header = new QWidget(this);
    auto *row = new QHBoxLayout(m_header);
    row->setContentsMargins(0, 0, 0, 0);
    auto *title = new QLabel(QStringLiteral("澜序登录"), m_header);
    title->setFont(textStyleFont(font(), TextStyle::body, QFont::DemiBold));
    row->addWidget(title);
    m_loading = new Spinner(indicatorSide, m_header);
    row->addWidget(m_loading);
    row->addStretch();
    m_verify = new PrimaryActionButton(QStringLiteral("验证登录"), m_header);
    row->addWidget(m_verify);
    m_back = new QPushButton(QStringLiteral("返回"), m_header);
    m_back->setAutoDefault(false);
    row->addWidget(m_back);
    column->addWidget(m_header);

    // Why the last verification failed, in the sheet where the person is: the sign-in screen that
    // also shows it is behind the sheet.
    m_failure = new TintedLabel(QString(), textStyleFont(font(), TextStyle::caption), this);
    m_failure->setTint(Appearance::secondaryText);
    m_failure->setWordWrap(true);
    m_failure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_failure->hide();
    column->addWidget(m_failure);

    m_page = m_client->web()->createView(this);
    if (m_page) {
        // Tab reaches the page itself before its inputs; a reader hears it by the sheet's title.
        m_page->setAccessibleName(title->text());
        column->addWidget(m_page, 1);
    } else {
        // Where no page can be shown the sheet says why, and how to make it possible.
        m_reason = new TintedLabel(m_client->web()->unavailableReason(),
                                   textStyleFont(font(), TextStyle::body), this);
        m_reason->setTint(Appearance::warningAmber);
        m_reason->setWordWrap(true);
        m_reason->setAlignment(Qt::AlignCenter);
        m_reason->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_reason->setContentsMargins(60, 0, 60, 0);
        m_verify->setVisible(false);
        column->addWidget(m_reason, 1);
    }

    connect(m_verify, &QAbstractButton::clicked, this, [this] { verify(this, m_client); });
    connect(m_back, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_client, &QuorvaleClient::workingChanged, this, &WebLoginDialog::refresh);
    connect(m_client, &QuorvaleClient::webLoadingChanged, this, &WebLoginDialog::refresh);
    refresh();
}

void WebLoginDialog::refresh()
{
    m_header->setEnabled(!m_client->working());
    m_loading->setVisible(m_client->webLoading());
    // The page takes the focus through a widget the engine makes as it renders, and makes anew.
    QWidget *renderer = m_page ? m_page->focusProxy() : nullptr;
    if (renderer && renderer->accessibleName() != m_page->accessibleName())
        renderer->setAccessibleName(m_page->accessibleName());
}

QCoro::Task<> WebLoginDialog::verify(QPointer<WebLoginDialog> sheet, QPointer<QuorvaleClient> client)
{
    if (!client)
        co_return;
    if (sheet)
        sheet->showFailure(QString());
    co_await settled(client->verifyWebLogin());
    if (sheet && client && client->authenticated())
        sheet->accept();
    else if (sheet && client)
        sheet->showFailure(client->message());
}

void WebLoginDialog::showFailure(const QString &reason)
{
    m_failure->setText(reason);
    m_failure->setVisible(!reason.isEmpty());
    // The keyboard comes to the reason, so that a reader tells it, and Tab reaches it again; while a
    // verification runs the sheet shows no reason, which would be the last one's.
    m_failure->setFocusPolicy(reason.isEmpty() ? Qt::NoFocus : Qt::TabFocus);
    if (!reason.isEmpty())
        m_failure->setFocus(Qt::OtherFocusReason);
}

} // namespace quorvale
