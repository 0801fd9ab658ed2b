#pragma once

#include "app/look/coursestate.h"

#include <QWidget>

// The small capsule that shows a course state with its glyph and colour next to a title. The title
// is drawn as plain text, whatever it contains.
namespace quorvale {

class StatusBadge : public QWidget
{
    Q_OBJECT

public:
    StatusBadge(const QString &title, CourseState state, QWidget *parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    CourseState state() const { return m_state; }
    void setState(CourseState state);

    // The state's colour under the palette the badge is drawn with now.
    QColor tint() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont badgeFont() const;
    int iconSide() const;

    QString m_title;
    CourseState m_state;
};

} // namespace quorvale
