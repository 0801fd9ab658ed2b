#pragma once

#include "app/screens/progressview.h"

#include <QKeyEvent>
#include <memory>
#include <vector>

// The progress text shown while the client signs in again by itself. It takes the keyboard, so that a
// screen reader is told of the re-sign-in, and keeps every key typed meanwhile for the screen that
// follows: a person typing on does not lose a key to the few moments the new session takes.
namespace quorvale {

class RestoringView : public ProgressView
{
    Q_OBJECT

public:
    explicit RestoringView(QWidget *parent = nullptr);

    // Sends the keys kept so far, in their order, to the widget that has the window's keyboard now,
    // and forgets them.
    void handOnKeys();

protected:
    bool event(QEvent *event) override;

private:
    std::vector<std::unique_ptr<QKeyEvent>> m_keys;
};

} // namespace quorvale
