#pragma once

#include "app/week/subjecttint.h"

#include "core/model/week.h"

#include <QRectF>
#include <QString>
#include <functional>

// What a course block hands to the week card while its details are open: the course, the block's
// rectangle in the week card, and how the detail card reports hovering and closing back to the block.
namespace quorvale {

struct CourseDetailAnchor
{
    QString id;
    WeekEvent event;
    SubjectTint tint;
    QRectF anchor;
    bool pinned = false;
    // Pinned from the keyboard or by assistive technology: the page may scroll to show the detail.
    // A pointer pins it where the pointer is, and the page stays under it.
    bool bringIntoView = false;
    std::function<void(bool)> hovered;
    std::function<void()> dismiss;
};

} // namespace quorvale
