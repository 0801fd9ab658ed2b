#pragma once

#include <QWidget>

class QAction;
class QMenu;

// The first row of the query screen: the application's title, a warning mark while the client holds
// a note about the saved credentials, and the account menu that checks the sign-in or signs out and
// forgets the account.
namespace quorvale {

class GlyphText;
class MenuButton;
class QuorvaleClient;
class StorageNotice;

class TopBar : public QWidget
{
    Q_OBJECT

public:
    // The client must outlive the bar.
    explicit TopBar(QuorvaleClient *client, QWidget *parent = nullptr);

    // Follows the client's user, storage note and working state.
    void refresh();

    GlyphText *title() const { return m_title; }
    StorageNotice *storageNotice() const { return m_notice; }
    MenuButton *accountButton() const { return m_account; }
    QMenu *accountMenu() const { return m_menu; }
    QAction *checkAction() const { return m_check; }
    QAction *signOutAction() const { return m_signOut; }

signals:
    // Before any of the bar's actions runs, the screen closes its suggestions.
    void dismissRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QuorvaleClient *m_client;
    // A check of the sign-in started from the menu runs; its outcome is told when it ends.
    bool m_checking = false;
    GlyphText *m_title;
    StorageNotice *m_notice;
    MenuButton *m_account;
    QMenu *m_menu;
    QAction *m_check;
    QAction *m_signOut;
};

} // namespace quorvale
