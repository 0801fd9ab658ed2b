#pragma once

#include "app/screens/contentview.h"

#include <QMainWindow>
#include <QPointer>

// The application's main window: the root view under a menu bar with the settings, the update check
// and quitting. It starts the updater when it is first shown, and takes its icon once its first frame
// is on screen.
namespace quorvale {

class Model;
class SettingsWindow;
class UpdaterController;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The clock says what "now" is for the screens.
    MainWindow(Model *model, UpdaterController *updater,
               ContentView::Clock clock = &QDateTime::currentDateTimeUtc, QWidget *parent = nullptr);

    // Opens the settings window, or brings the open one forward.
    void showSettings();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    UpdaterController *m_updater;
    QPointer<SettingsWindow> m_settings;
    bool m_shown = false;
};

} // namespace quorvale
