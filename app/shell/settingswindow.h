#pragma once

#include <QWidget>

// The settings window: the update settings in a window of their own, sized to their content.
namespace quorvale {

class UpdaterController;

class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWindow(UpdaterController *updater, QWidget *parent = nullptr);
};

} // namespace quorvale
