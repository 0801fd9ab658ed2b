#include "app/shell/settingswindow.h"

#include "app/updates/updatesettingsview.h"

#include <QVBoxLayout>

namespace quorvale {

SettingsWindow::SettingsWindow(UpdaterController *updater, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("设置"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new UpdateSettingsView(updater, this));
}

} // namespace quorvale
