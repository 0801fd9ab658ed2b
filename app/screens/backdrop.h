#pragma once

class QRect;
class QWidget;

// The window's background: the window colour under a wash of the accent that fades out downwards.
namespace quorvale {

// Paints `area` of `widget` with the backdrop, the wash spanning the widget's height.
void paintBackdrop(QWidget *widget, const QRect &area);

} // namespace quorvale
