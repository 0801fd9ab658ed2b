#include "app/screens/safetext.h"

namespace quorvale::safetext {

QString toolTip(const QString &text)
{
    // A tooltip is rich text whenever it looks like markup; wrapped and escaped, it always is, and
    // shows the characters as they are.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
}

} // namespace quorvale::safetext
