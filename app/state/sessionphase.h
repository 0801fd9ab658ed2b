#pragma once

namespace quorvale {

// Where the sign-in stands; the root view shows a screen per phase.
enum class SessionPhase
{
    // Created; start-up has not finished.
    Starting,
    // No usable session: the sign-in screen.
    SignedOut,
    // A platform user is accepted: the query screen.
    SignedIn,
    // An automatic re-sign-in with the remembered account is running.
    Restoring,
};

} // namespace quorvale
