#pragma once

// Keeps screen readers from hearing the focus land on what nobody can see. Qt's table views report
// their current cell as focused whenever it changes, also while their window is hidden: the date
// editor's closed calendar follows every new moment, and its days would be announced one by one.
namespace quorvale::hiddenfocus {

// From here on, focus reports from widgets that are not shown are dropped. Called by the date
// controls as they make the calendar; once is enough, later calls change nothing.
void install();

} // namespace quorvale::hiddenfocus
