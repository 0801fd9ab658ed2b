#include "app/screens/topbar.h"

#include "app/look/appearance.h"
#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/typography.h"
#include "app/screens/detached.h"
#include "app/screens/popuplook.h"
#include "app/screens/storagenotice.h"
#include "app/state/quorvaleclient.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>

namespace quorvale {

TopBar::TopBar(QuorvaleClient *client, QWidget *parent)
    : QWidget(parent)
    , m_client(client)
    , m_title(new GlyphText(glyphPath(Glyph::squareGrid), Appearance::accentBlue,
                            textStyleFont(font(), TextStyle::title2, QFont::Bold), this))
    , m_notice(new StorageNotice(textStyleFont(font(), TextStyle::body), this))
    , m_account(new MenuButton(Appearance::secondaryText, textStyleFont(font(), TextStyle::callout), this))
    , m_menu(new QMenu(this))
{
    m_title->setText(QStringLiteral("课径"));
    m_check = m_menu->addAction(QStringLiteral("检查登录状态"));
    m_menu->addSeparator();
    m_signOut = m_menu->addAction(QStringLiteral("退出并忘记账号"));
    m_account->setMenu(m_menu);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_title);
    row->addStretch();
    row->addWidget(m_notice);
    row->addWidget(m_account);

    connect(m_account, &QAbstractButton::clicked, this, [this] {
        // Kept usable while a check it started runs, the button still opens nothing then.
        if (m_client->working())
            return;
        emit dismissRequested();
        // Styled as it opens, in the colours of the moment.
        popuplook::styleMenu(m_menu);
        m_menu->popup(m_account->mapToGlobal(QPoint(0, m_account->height())));
        // Opened from the keyboard or by assistive technology, the menu starts on its first item,
        // which a reader tells at once; under the pointer nothing is marked until the pointer moves.
        if (!m_account->underMouse())
            m_menu->setActiveAction(m_check);
    });
    connect(m_check, &QAction::triggered, this, [this] {
        emit dismissRequested();
        m_checking = true;
        detach(m_client->verify());
    });
    connect(m_signOut, &QAction::triggered, this, [this] {
        emit dismissRequested();
        detach(m_client->logout(true));
    });
    m_account->installEventFilter(this);
    refresh();
}

void TopBar::refresh()
{
    m_notice->setNote(m_client->storageMessage());
    const std::optional<SessionUser> user = m_client->user();
    const QString name = user && user->displayName ? *user->displayName : QStringLiteral("账号");
    m_account->setLabel(glyphPath(Glyph::personCircle), name);
    // While the client works the menu cannot be opened. A button that holds the keyboard keeps it,
    // and is told the outcome of the check it started as its description, which a screen reader
    // speaks; disabled, it would hand the keyboard on down the screen.
    const bool working = m_client->working();
    m_account->setEnabled(!working || window()->focusWidget() == m_account);
    if (m_checking && !working) {
        m_checking = false;
        if (m_client->phase() == SessionPhase::SignedIn)
            m_account->setAccessibleDescription(QStringLiteral("登录状态有效"));
    }
}

bool TopBar::eventFilter(QObject *watched, QEvent *event)
{
    // The outcome belongs to the moment it was told.
    if (watched == m_account && event->type() == QEvent::FocusOut &&
        !m_account->accessibleDescription().isEmpty())
        m_account->setAccessibleDescription(QString());
    return QWidget::eventFilter(watched, event);
}

} // namespace quorvale
