#include "app/shell/settingswindow.h"

#include "app/updates/updatesettingsview.h"

#include "app/look/returnpress.h"

#include "app/updates/updatercontroller.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvale {

namespace {

// The settings' own inset, which the close button keeps to.
constexpr int inset = 26;

// To assistive technologies the settings window is a window named by its title, which a reader
// tells as it opens, not a nameless filler.
QAccessibleInterface *settingsWindowFactory(const QString &className, QObject *object)
{
    auto *window = className == QLatin1String("quorvale::SettingsWindow") ? qobject_cast<QWidget *>(object)
                                                                            : nullptr;
    return window ? new QAccessibleWidget(window, QAccessible::Window) : nullptr;
}

} // namespace

SettingsWindow::SettingsWindow(UpdaterController *updater, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    // Before anything asks for the window's accessible element, which is kept once made.
    static const bool accessible = (QAccessible::installFactory(&settingsWindowFactory), true);
    Q_UNUSED(accessible)
    pressButtonsWithReturn();
    setWindowTitle(QStringLiteral("设置"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new UpdateSettingsView(updater, this));
    // Without an update host every setting is greyed out; the close button still takes the focus,
    // and a reader hears the reason with it.
    auto *closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setAccessibleDescription(updater->configurationError().value_or(QString()));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(inset, 0, inset, inset);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
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
