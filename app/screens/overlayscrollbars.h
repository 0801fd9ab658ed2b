#pragma once

class QAbstractScrollArea;

// Thin scroll bars that lie over the content they scroll instead of taking a strip of their own:
// no arrows and no track, only a rounded handle in the look's text colour, darker under the pointer.
namespace quorvale {

// Gives the area and its scroll bars the overlay look.
void useOverlayScrollBars(QAbstractScrollArea *area);

} // namespace quorvale
