#pragma once

#include <QList>
#include <QString>

namespace quorvale::testing {

// Puts every character of a text that no key of the display's keyboard map gives on a key of its
// own, for as long as it lives. xdotool would otherwise put each such character on a spare key just
// before pressing it and take it off just after; an application that reads the changed map late, as
// on a busy machine, then sees another character or none.
class KeyboardCharacters
{
public:
    explicit KeyboardCharacters(const QString &text);
    ~KeyboardCharacters();
    KeyboardCharacters(const KeyboardCharacters &) = delete;
    KeyboardCharacters &operator=(const KeyboardCharacters &) = delete;

    // Every character found a key.
    bool complete() const { return m_complete; }

private:
    void bind(quint8 keycode, quint32 keysym);

    QList<quint8> m_bound;
    quint8 m_symbolsPerKey = 0;
    bool m_complete = false;
};

} // namespace quorvale::testing
