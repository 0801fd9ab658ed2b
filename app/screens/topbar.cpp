#include "app/screens/topbar.h"

#include "app/look/appearance.h"
#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/typography.h"
#include "app/screens/detached.h"
#include "app/screens/popuplook.h"
#include "app/screens/storagenotice.h"
#include "app/state/quorvaleclient.h"

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
        detach(m_client->verify());
    });
    connect(m_signOut, &QAction::triggered, this, [this] {
        emit dismissRequested();
        detach(m_client->logout(true));
    });
    refresh();
}

void TopBar::refresh()
{
    m_notice->setNote(m_client->storageMessage());
    const std::optional<SessionUser> user = m_client->user();
    const QString name = user && user->displayName ? *user->displayName : QStringLiteral("账号");
    m_account->setLabel(glyphPath(Glyph::personCircle), name);
    m_account->setEnabled(!m_client->working());
}

} // namespace quorvale
