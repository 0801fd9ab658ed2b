#pragma once

#include <QList>

class QWidget;

// The order in which Tab walks a screen whose widgets were not made in the order they are read: region
// by region as given, and inside a region by where its direct children stand, top to bottom and left
// to right, keeping the focus chain's own order inside each child.
namespace quorvale::readingorder {

// Where Tab (`next`) or Shift+Tab goes from `current`, among the widgets that take the focus (a focus
// proxy stands for its owner); null when the regions have no control.
QWidget *step(const QList<QWidget *> &regions, QWidget *current, bool next);

} // namespace quorvale::readingorder
