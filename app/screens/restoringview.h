#pragma once

#include "app/screens/progressview.h"

#include <QEvent>
#include <memory>
#include <vector>

// The progress text shown while the client signs in again by itself. Where a query screen is kept
// for the session that follows, it covers that screen in the window's background and takes the
// pointer, while the keyboard stays on the control it was on under it. What is typed meanwhile is
// kept, keys and an input method's text alike, as the window would deliver them, and handed on in
// its order once the screen is signed in again: the screen acts on it as it would have without the
// re-sign-in. A screen reader is told of the re-sign-in as the focus while it covers.
namespace quorvale {

class RestoringView : public ProgressView
{
    Q_OBJECT

public:
    explicit RestoringView(QWidget *parent = nullptr);

    // Lies over the whole of its parent, above the screen kept there, is told as the focus and keeps
    // what is typed in the window.
    void cover();
    bool covering() const { return m_covering; }
    // Hands what was typed meanwhile on to the window, in its order, and keeps no more.
    void handOn();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_covering = false;
    std::vector<std::unique_ptr<QEvent>> m_typed;
};

} // namespace quorvale
