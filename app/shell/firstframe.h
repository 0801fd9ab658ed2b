#pragma once

#include <QWidget>
#include <functional>

// When a window's first frame is on screen. Qt paints and flushes a widget window while it handles the
// window's first expose event; a call posted from there runs once that is done. A call posted right
// after show() runs earlier, before anything is drawn.
namespace quorvale {

// Calls `then` once, after the shown window's first frame is drawn and flushed.
void afterFirstFrame(QWidget *window, std::function<void()> then);

} // namespace quorvale
