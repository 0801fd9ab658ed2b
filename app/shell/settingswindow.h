#pragma once

#include <QWidget>

// The settings window: the update settings in a window of their own, sized to their content. It
// closes with the desktop's close-window keys, as any window does, and with Escape.
namespace quorvale {

class UpdaterController;

class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWindow(UpdaterController *updater, QWidget *parent = nullptr);

    // Where a window of `size` opens over `window`: centred on it, as the desktop places a dialog,
    // and moved into `available` where that would leave part of it off the screen.
    static QRect placedOver(const QRect &window, const QSize &size, const QRect &available);
};

} // namespace quorvale
