#include "app/screens/searcharea.h"

#include "app/look/appearance.h"
#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/querydate.h"
#include "app/screens/searchbox.h"
#include "app/screens/segmentedcontrol.h"
#include "app/state/querykind.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvale {

namespace {

QStringList titles(const auto &kinds)
{
    QStringList texts;
    for (const auto kind : kinds)
        texts.append(displayText(kind));
    return texts;
}

// A row that gives the widget all the width up to its maximum and centres it beyond that.
QHBoxLayout *centred(QWidget *widget)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(widget, 1000);
    row->addStretch(1);
    return row;
}

} // namespace

SearchArea::SearchArea(QWidget *parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
    , m_kind(new SegmentedControl(titles(allQueryKinds()), 170, this))
    , m_teacherKind(new SegmentedControl(titles(allTeacherSearchKinds()), 180, this))
    , m_heading(new TintedLabel(QString(), sizedFont(font(), 32, QFont::DemiBold), this))
    , m_dateLine(new QWidget(this))
    , m_date(
          new GlyphText({}, Appearance::secondaryText, textStyleFont(font(), TextStyle::caption), m_dateLine))
    , m_calendar(
          new ExpandingButton(Appearance::secondaryText, textStyleFont(font(), TextStyle::caption), m_dateLine))
    , m_anchor(new QWidget(this))
{
    m_kind->setAccessibleName(QStringLiteral("查询对象"));
    m_teacherKind->setAccessibleName(QStringLiteral("查找方式"));
    m_heading->setAlignment(Qt::AlignHCenter);
    m_calendar->setToolTip(QStringLiteral("选择查询时间"));
    m_calendar->setAccessibleName(QStringLiteral("选择查询时间"));
    m_calendar->setFixedSize(16, 18);

    m_column->setContentsMargins(0, 0, 0, 0);
    auto *pickers = new QHBoxLayout;
    pickers->setSpacing(12);
    pickers->addStretch();
    pickers->addWidget(m_kind);
    pickers->addWidget(m_teacherKind);
    pickers->addStretch();
    m_column->addLayout(pickers);
    m_column->addWidget(m_heading);

    auto *dateRow = new QHBoxLayout(m_dateLine);
    dateRow->setContentsMargins(0, 0, 0, 0);
    dateRow->setSpacing(8);
    dateRow->addStretch();
    dateRow->addWidget(m_date);
    dateRow->addWidget(m_calendar);
    m_dateLine->setMaximumWidth(SearchBox::maximumWidth);
    m_dateLine->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_column->addLayout(centred(m_dateLine));

    m_anchor->setFixedHeight(SearchBox::fieldHeight);
    m_anchor->setMaximumWidth(SearchBox::maximumWidth);
    m_anchor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_column->addLayout(centred(m_anchor));

    connect(m_kind, &SegmentedControl::chosen, this, &SearchArea::kindChosen);
    connect(m_teacherKind, &SegmentedControl::chosen, this, &SearchArea::teacherKindChosen);
    connect(m_calendar, &QAbstractButton::clicked, this, &SearchArea::calendarClicked);
}

void SearchArea::present(QueryKind kind, TeacherSearchKind teacherKind, bool hasSelection,
                         const QDateTime &moment, bool dateOpen)
{
    const bool teacherMode = kind == QueryKind::Teacher;
    m_kind->setCurrent(int(allQueryKinds().indexOf(kind)));
    m_teacherKind->setCurrent(int(allTeacherSearchKinds().indexOf(teacherKind)));
    m_teacherKind->setVisible(teacherMode);
    m_heading->setText(teacherMode ? QStringLiteral("查找老师") : QStringLiteral("查找学生"));
    m_heading->setVisible(!hasSelection);
    showMoment(moment);
    // The glyph alone changes: the button keeps the name it was given, which its empty label would wipe.
    m_calendar->label()->setGlyph(dateOpen ? glyphPath(Glyph::chevronUp) : glyphPath(Glyph::calendar));
    m_calendar->setExpanded(dateOpen);
    // Tighter once a person is chosen, so the results start higher.
    // Setting a layout's spacing lays it out again even when it stays the same.
    if (const int spacing = hasSelection ? 10 : 18; m_column->spacing() != spacing)
        m_column->setSpacing(spacing);
    m_column->setContentsMargins(0, hasSelection ? 0 : 18, 0, 0);
}

void SearchArea::showMoment(const QDateTime &moment)
{
    // The line shows minutes: the clock's tick formats it again only when the minute changes.
    if (const qint64 minute = moment.toSecsSinceEpoch() / 60; minute != m_dateMinute) {
        m_dateMinute = minute;
        m_date->setText(querydate::text(moment));
    }
}

} // namespace quorvale
