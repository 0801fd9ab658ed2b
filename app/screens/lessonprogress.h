#pragma once

#include "app/look/appearance.h"
#include "app/screens/lessonclock.h"

#include <QWidget>

// The thin bar of a running lesson's card: a faint track and, over it, the share of the lesson that
// has run, moving with the standard spring when the moment changes.
namespace quorvale {

class Tween;

class LessonProgress : public QWidget
{
    Q_OBJECT

public:
    explicit LessonProgress(AdaptiveColor tint, QWidget *parent = nullptr);

    // What the bar is called: "本节课进度".
    static QString title();

    void setRun(const lessonclock::LessonRun &run);
    // From 0 to 1.
    double fraction() const { return m_fraction; }
    // The share run as a whole percentage, cut down: the value told to screen readers.
    int percent() const { return m_percent; }
    void setTint(AdaptiveColor tint);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The length of the filled part in whole pixels.
    int filledWidth() const;
    int filledWidth(double shown) const;

    AdaptiveColor m_tint;
    int m_painted = -1;
    double m_fraction = -1.0;
    int m_percent = 0;
    Tween *m_shown;
};

} // namespace quorvale
