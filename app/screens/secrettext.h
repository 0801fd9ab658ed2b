#pragma once

// What assistive technologies hear of a field that hides what is typed into it, such as the
// password: Qt's line edit tells every character typed or removed, in clear, to every client of the
// accessibility bus. From `install()` on, such a field's text changes are told in its echo
// characters, one for each character typed or removed, so a reader learns that a character came or
// went and never which; a field that shows nothing at all tells nothing.
namespace quorvale::secrettext {

// Call once the application object exists, before any hidden field takes text.
void install();

} // namespace quorvale::secrettext
