#pragma once

#include <QList>

class QWidget;

// The order in which Tab walks a screen whose widgets were not made in the order they are read: region
// by region as given, and inside a region by where its direct children stand, top to bottom and left
// to right, keeping the focus chain's own order inside each child.
namespace quorvale::readingorder {

// The controls Tab visits, as the widgets that take the focus (a focus proxy stands for its owner).
// `current` is kept while it has just been hidden or disabled, so that the walk can go on from it.
QList<QWidget *> controls(const QList<QWidget *> &regions, const QWidget *current);

// Where Tab (`next`) or Shift+Tab goes from `current`; null when the regions have no control.
QWidget *step(const QList<QWidget *> &regions, QWidget *current, bool next);

} // namespace quorvale::readingorder
