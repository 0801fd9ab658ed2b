#include "bench/windowwatch.h"

#include <QDeadlineTimer>
#include <QStringList>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <utility>
#include <xcb/damage.h>
#include <xcb/xtest.h>

namespace quorvale::bench {

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> owned(T *reply)
{
    return Reply<T>(reply, &std::free);
}

} // namespace

WindowWatch::WindowWatch()
    : m_connection(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(m_connection))
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
    const xcb_query_extension_reply_t *test = xcb_get_extension_data(m_connection, &xcb_test_id);
    if (!damage || !damage->present || !test || !test->present)
        return;
    owned(
        xcb_damage_query_version_reply(m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
    const quint32 events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(m_connection);
    m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
}

WindowWatch::~WindowWatch()
{
    xcb_disconnect(m_connection);
}

void WindowWatch::drain()
{
    // A round trip: every event the server sent before it is in the queue afterwards.
    owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
}

void WindowWatch::watch(xcb_window_t window)
{
    xcb_damage_create(m_connection, xcb_generate_id(m_connection), window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_flush(m_connection);
}

xcb_window_t WindowWatch::nextDrawing(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        auto event = owned(xcb_poll_for_event(m_connection));
        if (!event) {
            if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
                return 0;
            pollfd socket{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&socket, 1, int(deadline.remainingTime()));
            continue;
        }
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event.get());
            if (created->parent == m_root && !created->override_redirect)
                watch(created->window);
        } else if (type == m_damageEvent) {
            const auto *drawn = reinterpret_cast<xcb_damage_notify_event_t *>(event.get());
            xcb_damage_subtract(m_connection, drawn->damage, XCB_NONE, XCB_NONE);
            xcb_flush(m_connection);
            return drawn->drawable;
        }
    }
}

void WindowWatch::focus(xcb_window_t window)
{
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

void WindowWatch::typeKey(xcb_keysym_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = owned(xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, quint8(count)), nullptr));
    if (!mapping)
        return;
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    for (int i = 0; i < count; ++i) {
        if (symbols[i * mapping->keysyms_per_keycode] != keysym)
            continue;
        const auto code = quint8(setup->min_keycode + i);
        xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
        return;
    }
}

QByteArray WindowWatch::pixels(xcb_window_t window, const QRect &area)
{
    const auto image = owned(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, qint16(area.x()), qint16(area.y()),
                      quint16(area.width()), quint16(area.height()), ~0u),
        nullptr));
    if (!image)
        return {};
    return QByteArray(reinterpret_cast<const char *>(xcb_get_image_data(image.get())),
                      xcb_get_image_data_length(image.get()));
}

void WindowWatch::watchDrawings(xcb_window_t window)
{
    if (m_drawingsDamage)
        xcb_damage_destroy(m_connection, m_drawingsDamage);
    m_watched = window;
    m_drawingsDamage = xcb_generate_id(m_connection);
    xcb_damage_create(m_connection, m_drawingsDamage, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    drain();
    m_drawings.clear();
    m_drawingTimes.clear();
    m_drawing.clear();
}

void WindowWatch::readDrawings()
{
    // A round trip: everything drawn before it has been reported when it returns.
    owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == m_damageEvent) {
            const auto *drawn = reinterpret_cast<xcb_damage_notify_event_t *>(event);
            if (drawn->drawable == m_watched) {
                m_drawing.append(QRect(drawn->area.x, drawn->area.y, drawn->area.width, drawn->area.height));
                // The server marks every rectangle of one request but its last as followed by more.
                if (!(drawn->level & 0x80)) {
                    m_drawings.append(std::exchange(m_drawing, {}));
                    m_drawingTimes.append(drawn->timestamp);
                }
            }
        }
        std::free(event);
    }
}

QList<WindowWatch::Drawing> WindowWatch::takeDrawings()
{
    readDrawings();
    m_drawingTimes.clear();
    return std::exchange(m_drawings, {});
}

QList<QList<WindowWatch::Drawing>> WindowWatch::takeDrawingBursts(int gapMs)
{
    readDrawings();
    QList<QList<Drawing>> bursts;
    for (qsizetype i = 0; i < m_drawings.size(); ++i) {
        if (i == 0 || m_drawingTimes[i] - m_drawingTimes[i - 1] >= quint32(gapMs))
            bursts.append(QList<Drawing>());
        bursts.last().append(m_drawings[i]);
    }
    m_drawings.clear();
    m_drawingTimes.clear();
    return bursts;
}

QString WindowWatch::describe(const QList<Drawing> &drawings)
{
    QStringList told;
    for (const Drawing &drawing : drawings) {
        QStringList rectangles;
        for (const QRect &area : drawing)
            rectangles.append(QStringLiteral("%1×%2+%3+%4")
                                  .arg(area.width())
                                  .arg(area.height())
                                  .arg(area.x())
                                  .arg(area.y()));
        told.append(rectangles.join(QLatin1Char(' ')));
    }
    return told.join(QStringLiteral("; "));
}

void WindowWatch::resize(xcb_window_t window, const QSize &size)
{
    const quint32 values[] = {quint32(size.width()), quint32(size.height())};
    xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(m_connection);
}

QRect WindowWatch::bounds(xcb_window_t window)
{
    const auto geometry =
        owned(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    return geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
}

} // namespace quorvale::bench
