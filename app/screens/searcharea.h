#pragma once

#include "app/state/querykind.h"

#include <QDateTime>
#include <QWidget>

class QVBoxLayout;

// The block of the query screen between the top bar and the results: the pickers (student or
// teacher, and for teachers by name or by course), the heading while nobody is chosen, the date line
// with its calendar button, and the place the search field stands in. The field, its dropdown and the
// date controls float above the screen and are placed by the screen at the anchors given here.
namespace quorvale {

class ExpandingButton;
class GlyphText;
class SegmentedControl;
class TintedLabel;

class SearchArea : public QWidget
{
    Q_OBJECT

public:
    explicit SearchArea(QWidget *parent = nullptr);

    // The pickers' choices, the heading and the date line's text and calendar mark.
    void present(QueryKind kind, TeacherSearchKind teacherKind, bool hasSelection, const QDateTime &moment,
                 bool dateOpen);
    // The date line's text alone.
    void showMoment(const QDateTime &moment);

    SegmentedControl *kindPicker() const { return m_kind; }
    SegmentedControl *teacherPicker() const { return m_teacherKind; }
    TintedLabel *heading() const { return m_heading; }
    ExpandingButton *calendarButton() const { return m_calendar; }
    // The line the date controls hang from, at its right end.
    QWidget *dateLine() const { return m_dateLine; }
    // The place of the search field: as wide as the field, 56 pixels high.
    QWidget *fieldAnchor() const { return m_anchor; }

signals:
    void kindChosen(int index);
    void teacherKindChosen(int index);
    void calendarClicked();

private:
    QVBoxLayout *m_column;
    SegmentedControl *m_kind;
    SegmentedControl *m_teacherKind;
    TintedLabel *m_heading;
    QWidget *m_dateLine;
    // Its text changes with every minute; a text of the same width lays nothing out again.
    GlyphText *m_date;
    qint64 m_dateMinute = -1;
    ExpandingButton *m_calendar;
    QWidget *m_anchor;
};

} // namespace quorvale
