#include "app/shell/mainwindow.h"

#include "app/shell/globalmenuquery.h"
#include "app/shell/settingswindow.h"
#include "app/updates/updatercontroller.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

namespace quorvale {

MainWindow::MainWindow(Model *model, UpdaterController *updater, ContentView::Clock clock, QWidget *parent)
    : QMainWindow(parent)
    , m_updater(updater)
{
    // Asked before the screens are built, and answered by the time the menu bar is.
    const GlobalMenuQuery globalMenu;
    setWindowTitle(QStringLiteral("课径"));
    setCentralWidget(new ContentView(model, std::move(clock), this));
    setMinimumSize(860, 640);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(1200, 850),
                                    screen()->availableGeometry()));

    globalMenu.settle();
    QMenu *menu = menuBar()->addMenu(QStringLiteral("课径"));
    QAction *settings = menu->addAction(QStringLiteral("设置…"), this, &MainWindow::showSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QAction *check =
        menu->addAction(QStringLiteral("检查更新…"), updater, &UpdaterController::checkForUpdates);
    check->setEnabled(updater->canCheckForUpdates());
    connect(updater, &UpdaterController::canCheckForUpdatesChanged, check,
            [check, updater] { check->setEnabled(updater->canCheckForUpdates()); });
    menu->addSeparator();
    QAction *quit = menu->addAction(QStringLiteral("退出"), qApp, &QApplication::quit);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Quits from the sign-in sheet and the settings window as well.
    quit->setShortcutContext(Qt::ApplicationShortcut);
    // Shortcuts work while the menu bar is hidden by the desktop too.
    addActions({settings, check, quit});
}

void MainWindow::showSettings()
{
    if (!m_settings) {
        m_settings = new SettingsWindow(m_updater, this);
        m_settings->setAttribute(Qt::WA_DeleteOnClose);
        // Opens over the main window and whole on its screen, where the window manager would leave
        // it wherever it likes. A window is placed by its frame, which the desktop draws alike for
        // both windows.
        m_settings->adjustSize();
        const QSize framed = m_settings->size() + frameGeometry().size() - size();
        m_settings->move(
            SettingsWindow::placedOver(frameGeometry(), framed, screen()->availableGeometry()).topLeft());
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    // The start runs on a later turn, once the window is on screen.
    QTimer::singleShot(0, m_updater, &UpdaterController::startUpdater);
    windowHandle()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The icon is decoded and sent to the display at every size it has; that waits until the first
    // frame, drawn as the window handles this event, is on screen.
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            // The sizes window managers draw: the larger installed icon is for the desktop's menus.
            QIcon icon;
            for (const int size : {16, 32, 64})
                icon.addFile(QStringLiteral(":/icons/quorvale-%1.png").arg(size), QSize(size, size));
            setWindowIcon(icon);
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace quorvale
