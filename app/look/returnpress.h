#pragma once

// Return and Enter press the focused button, as Space does and as this desktop's own buttons behave;
// Qt's buttons other than a dialog's take Space alone. Controls with their own use of Return (text
// fields, lists, the course blocks) are not buttons and keep it.
namespace quorvale {

// From now on, in every window of the application; once is enough, more calls change nothing.
void pressButtonsWithReturn();

} // namespace quorvale
