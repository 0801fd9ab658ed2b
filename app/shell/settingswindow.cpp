#include "app/shell/settingswindow.h"

#include "app/updates/updatesettingsview.h"

#include <QAction>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvale {

SettingsWindow::SettingsWindow(UpdaterController *updater, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("设置"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new UpdateSettingsView(updater, this));
    auto *closing = new QAction(this);
    // Escape as well, as a desktop's settings windows close.
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Close);
    keys.append(QKeySequence(Qt::Key_Escape));
    closing->setShortcuts(keys);
    connect(closing, &QAction::triggered, this, &QWidget::close);
    addAction(closing);
}

QRect SettingsWindow::placedOver(const QRect &window, const QSize &size, const QRect &available)
{
    QRect placed = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, window);
    // A window larger than the screen keeps its top left corner on it.
    placed.moveLeft(
        std::max(available.left(), std::min(placed.left(), available.right() + 1 - size.width())));
    placed.moveTop(std::max(available.top(), std::min(placed.top(), available.bottom() + 1 - size.height())));
    return placed;
}

} // namespace quorvale
