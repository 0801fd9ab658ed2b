#include "tests/smoke/keyboardcharacters.h"

#include <QGuiApplication>
#include <QSet>
#include <xcb/xcb.h>

namespace quorvale::testing {

namespace {

xcb_connection_t *display()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Waits until the display has carried out every request sent before.
void roundTrip(xcb_connection_t *connection)
{
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// The keysym of a character: Latin-1 ones are their own code, the others the Unicode range.
quint32 keysym(char32_t character)
{
    return character < 0x100 ? quint32(character) : 0x01000000u | quint32(character);
}

} // namespace

KeyboardCharacters::KeyboardCharacters(const QString &text)
{
    xcb_connection_t *connection = display();
    if (!connection)
        return;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *map = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, quint8(count)), nullptr);
    if (!map)
        return;
    m_symbolsPerKey = map->keysyms_per_keycode;
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(map);
    QSet<quint32> present;
    QList<quint8> spare;
    for (int key = 0; key < count; ++key) {
        bool empty = true;
        for (int column = 0; column < m_symbolsPerKey; ++column) {
            const xcb_keysym_t symbol = symbols[key * m_symbolsPerKey + column];
            present.insert(symbol);
            empty = empty && symbol == 0;
        }
        if (empty)
            spare.append(quint8(setup->min_keycode + key));
    }
    free(map);

    m_complete = true;
    for (const char32_t character : text.toUcs4()) {
        const quint32 symbol = keysym(character);
        if (present.contains(symbol))
            continue;
        if (spare.isEmpty()) {
            m_complete = false;
            break;
        }
        bind(spare.takeFirst(), symbol);
        present.insert(symbol);
    }
    roundTrip(connection);
}

KeyboardCharacters::~KeyboardCharacters()
{
    xcb_connection_t *connection = display();
    if (!connection || m_bound.isEmpty())
        return;
    const QList<quint8> bound = m_bound;
    for (const quint8 keycode : bound)
        bind(keycode, 0);
    roundTrip(connection);
}

void KeyboardCharacters::bind(quint8 keycode, quint32 keysym)
{
    // The same character with and without Shift.
    QList<xcb_keysym_t> symbols(m_symbolsPerKey, 0);
    symbols[0] = keysym;
    if (m_symbolsPerKey > 1)
        symbols[1] = keysym;
    xcb_change_keyboard_mapping(display(), 1, keycode, m_symbolsPerKey, symbols.constData());
    if (keysym != 0)
        m_bound.append(keycode);
}

} // namespace quorvale::testing
