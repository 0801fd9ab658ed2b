#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// What every fuzz target shares: the Qt application some readers need, and the cutting of one input
// into the several bodies an entry point reads.
namespace quorvale::fuzz {

inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "quorvale-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The bodies of one input, in order: its pieces between ASCII record separators (0x1e), a byte no
// JSON text holds outside a string.
inline QList<QByteArray> piecesOf(const QByteArray &input)
{
    return input.split('\x1e');
}

// Ends the run, as a finding, when a property the target checks does not hold.
inline void require(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace quorvale::fuzz
