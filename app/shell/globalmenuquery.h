#pragma once

#include <QDBusPendingCall>

// Whether the desktop shows application menus in a global menu bar, asked of the session bus without
// waiting. Qt asks the same on the first menu bar and waits for the answer; where this one has already
// answered that there is none, menu bars are kept in their windows at once, as Qt would have done.
namespace quorvale {

class GlobalMenuQuery
{
public:
    GlobalMenuQuery();

    // Before the first menu bar is made: takes an answer that has arrived, and waits for none. Returns
    // whether there was one.
    bool settle() const;

private:
    QDBusPendingCall m_owner;
};

} // namespace quorvale
