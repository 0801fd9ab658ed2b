#pragma once

// Watches, from outside, what programs started on the X display draw: the first drawing into any
// top-level window they create (X DAMAGE), a key typed as a keyboard types it (XTEST), and the
// pixels of a window as they stand. For a window already known, every rectangle drawn into it, as
// the server receives it, and resizes as a window manager makes them.

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <xcb/xcb.h>

namespace quorvale::bench {

class WindowWatch
{
public:
    WindowWatch();
    ~WindowWatch();
    WindowWatch(const WindowWatch &) = delete;
    WindowWatch &operator=(const WindowWatch &) = delete;

    bool connected() const { return m_damageEvent != 0; }

    // Forgets every event that came before, so that the next program starts from a quiet display.
    void drain();
    // Waits up to `timeoutMs` for something drawn into a top-level window created since the last
    // drain; the window drawn into, or 0 when the time ran out. Each drawing is told once.
    xcb_window_t nextDrawing(int timeoutMs);
    // Gives the keyboard to the window, as a window manager does with a new window.
    void focus(xcb_window_t window);
    // Presses and releases the key that types `keysym` (a lower-case letter) as a keyboard does.
    void typeKey(xcb_keysym_t keysym);
    // The window's pixels in `area` (window coordinates), 32 bits a pixel; empty when unreadable.
    QByteArray pixels(xcb_window_t window, const QRect &area);
    // The window's size; empty when it is gone.
    QRect bounds(xcb_window_t window);

    // One drawing into a watched window: the rectangles a single request drew, in window
    // coordinates.
    using Drawing = QList<QRect>;
    // Reports from now on every rectangle drawn into the window, one drawing at a time.
    void watchDrawings(xcb_window_t window);
    // The drawings into the watched window since the last call; does not wait.
    QList<Drawing> takeDrawings();
    // The same, in bursts: drawings the server received less than `gapMs` apart go together. Read
    // once after a long wait, so the watched program is not woken to report them.
    QList<QList<Drawing>> takeDrawingBursts(int gapMs);
    // The drawings as text: each rectangle as width×height+x+y, the drawings apart by semicolons.
    static QString describe(const QList<Drawing> &drawings);
    // Gives the window a new size, as a window manager does when the user drags its edge.
    void resize(xcb_window_t window, const QSize &size);

private:
    void watch(xcb_window_t window);
    void readDrawings();

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    quint8 m_damageEvent = 0;
    xcb_window_t m_watched = 0;
    quint32 m_drawingsDamage = 0;
    QList<Drawing> m_drawings;
    // When the server received each drawing, in its milliseconds.
    QList<quint32> m_drawingTimes;
    Drawing m_drawing;
};

} // namespace quorvale::bench
