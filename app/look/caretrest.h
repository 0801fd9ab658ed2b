#pragma once

#include <QObject>
#include <QTimer>

// The text caret blinks while the user works and stands still once they leave the window alone, as
// desktop text fields do: a caret left blinking in the search field all day woke the application
// twice a second. After `rest` without a key press, click or input-method text the blink is turned
// off application-wide, and the next input turns it on again with the desktop's own flash time.
namespace quorvale {

class CaretRest : public QObject
{
    Q_OBJECT

public:
    explicit CaretRest(int restMs = 10000, QObject *parent = nullptr);
    ~CaretRest() override;

    bool resting() const { return m_resting; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rest();
    void wake();

    int m_flashTime;
    bool m_resting = false;
    QTimer m_timer;
};

} // namespace quorvale
