#pragma once

#include <QString>

// Platform text in places where Qt would read markup into it.
namespace quorvale::safetext {

// A tooltip that shows the text exactly as written, markup and entities included.
QString toolTip(const QString &text);

} // namespace quorvale::safetext
