#pragma once

#include "app/look/transition.h"

#include <QPixmap>
#include <QWidget>

// A picture of the screen that is leaving, drawn over its successor while it fades out. The screen
// itself is gone at once, so it takes no more input and reacts to no more changes; the picture lets
// every click through to the screen that replaced it. It deletes itself when the fade ends.
namespace quorvale {

struct Curve;
class Tween;

class DepartingScreen : public QWidget
{
    Q_OBJECT

public:
    // Takes the picture of `screen` in its place within `parent` and starts the fade.
    DepartingScreen(QWidget *screen, const TransitionState &removal, const Curve &curve, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // A leaving screen is often one colour but for a few rows (a spinner and its line): then only
    // those rows are kept, and a small tile of the colour stands in for the rest of the picture.
    QPixmap m_picture;
    QRect m_pictured;
    QPixmap m_plain;
    TransitionState m_removal;
    Tween *m_progress;
};

} // namespace quorvale
