#pragma once

#include <QByteArray>
#include <QString>

namespace quorvale {

// Overwrites a buffer that held a password with zeros, then lets it go, so the heap does not keep
// the password after it was used. The buffer is overwritten in place even when it is shared: every
// holder of it then sees zeros, so call it only once none of them still needs the text. Text built
// into the program (a literal) is only let go.
void wipe(QByteArray &bytes);
void wipe(QString &text);

} // namespace quorvale
