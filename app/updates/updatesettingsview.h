#pragma once

#include <QWidget>

class QComboBox;
class QLabel;

// The whole content of the settings window: automatic update checks on or off, how often they run,
// and why updates are unavailable when the build cannot update itself.
namespace quorvale {

class SwitchToggle;
class UpdaterController;

class UpdateSettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit UpdateSettingsView(UpdaterController *updater, QWidget *parent = nullptr);

    SwitchToggle *automaticChecksSwitch() const { return m_switch; }
    QComboBox *frequencyPicker() const { return m_picker; }
    QLabel *caption() const { return m_caption; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    void paintCaption();

    UpdaterController *m_updater;
    QWidget *m_stack;
    SwitchToggle *m_switch;
    QComboBox *m_picker;
    QLabel *m_caption;
};

} // namespace quorvale
