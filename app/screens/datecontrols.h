#pragma once

#include "app/screens/panel.h"

#include <QDateTime>

// The floating card that picks the query moment: a date and time editor in Shanghai time and the
// "当前时间" switch that lets the moment follow the clock. While it follows, the editor only shows
// the moment: it is read-only, not disabled.
namespace quorvale {

class MomentEditor;
class SwitchToggle;

class DateControls : public Panel
{
    Q_OBJECT

public:
    explicit DateControls(QWidget *parent = nullptr);

    // Shows a moment and the switch's state without reporting them back.
    void setMoment(const QDateTime &moment, bool followNow);

    MomentEditor *editor() const { return m_editor; }
    SwitchToggle *followSwitch() const { return m_follow; }

signals:
    // A moment the user picked, in UTC.
    void momentPicked(const QDateTime &moment);
    void followNowToggled(bool on);
    // A day was picked in the calendar: the person's task goes on at the answer.
    void dayPicked();
    void escaped();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Puts the moment in the editor, to the minute it shows.
    void showMoment();
    // Reports the editor's moment once, when it differs from the one last shown or reported.
    void commit();

    MomentEditor *m_editor;
    QDateTime m_moment;
    QDateTime m_shown;
    SwitchToggle *m_follow;
};

} // namespace quorvale
