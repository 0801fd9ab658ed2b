#pragma once

class QScrollArea;
class QWidget;

// The vertical scrolling page that a screen fills itself with.
namespace quorvale {

// Fills `screen` with a frameless scroll area around a new, transparent page widget, so the screen's
// own background shows behind the page; returns the scroll area, whose widget() is the page.
QScrollArea *fillWithPage(QWidget *screen);

} // namespace quorvale
