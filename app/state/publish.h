#pragma once

namespace quorvale {

// Assigns a published field and announces it through its change signal, only when the value really
// changes, so observers never react to a write that changed nothing.
template <typename Owner, typename T>
void publish(Owner *owner, T &field, const T &value, void (Owner::*changed)())
{
    if (field == value)
        return;
    field = value;
    (owner->*changed)();
}

} // namespace quorvale
