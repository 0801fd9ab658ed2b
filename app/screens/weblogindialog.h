#pragma once

#include <QCoroTask>
#include <QDialog>
#include <QPointer>

class QPushButton;

// The web sign-in sheet: the platform's own sign-in page in the client's web view, with a header
// whose "验证登录" hands the page's session to the client and whose "返回" closes the sheet; a failed
// verification says why in the sheet, with the keyboard on the reason. It is a
// window-modal dialog shown without a nested event loop and deleted when it closes.
namespace quorvale {

class PrimaryActionButton;
class QuorvaleClient;
class Spinner;
class TintedLabel;

class WebLoginDialog : public QDialog
{
    Q_OBJECT

public:
    // The client must outlive the sheet.
    WebLoginDialog(QuorvaleClient *client, QWidget *parent);

    QWidget *header() const { return m_header; }
    Spinner *loadingIndicator() const { return m_loading; }
    PrimaryActionButton *verifyButton() const { return m_verify; }
    QPushButton *backButton() const { return m_back; }
    // The widget that shows the page; none when the client's web view shows no page.
    QWidget *pageView() const { return m_page; }
    // Why no page is shown; none while a page shows.
    TintedLabel *reasonLabel() const { return m_reason; }
    // Why the last verification failed; hidden while there is no such reason.
    TintedLabel *failureLabel() const { return m_failure; }

private:
    void refresh();
    // Shows why a verification failed and takes the keyboard there; an empty reason hides it.
    void showFailure(const QString &reason);
    static QCoro::Task<> verify(QPointer<WebLoginDialog> sheet, QPointer<QuorvaleClient> client);

    QuorvaleClient *m_client;
    QWidget *m_header;
    Spinner *m_loading;
    PrimaryActionButton *m_verify;
    QPushButton *m_back;
    TintedLabel *m_failure;
    QWidget *m_page;
    TintedLabel *m_reason = nullptr;
};

} // namespace quorvale
