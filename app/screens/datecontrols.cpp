#include "app/screens/datecontrols.h"

#include "app/look/typography.h"
#include "app/screens/momenteditor.h"
#include "app/screens/querydate.h"
#include "app/screens/switchtoggle.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTimeZone>

namespace quorvale {

DateControls::DateControls(QWidget *parent)
    : Panel(18.0, paints::controlBackground(), parent)
    , m_editor(new MomentEditor(this))
    , m_follow(new SwitchToggle(QStringLiteral("当前时间"), this))
{
    setBorder(paints::primary(0.09));
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, 0.12f));
    shadow->setBlurRadius(14.0);
    shadow->setOffset(0.0, 5.0);
    setGraphicsEffect(shadow);

    // The editor shows the Shanghai wall clock kept in UTC, and its own locale, not the machine's.
    m_editor->setTimeSpec(Qt::UTC);
    m_editor->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    m_editor->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm"));
    m_editor->setCalendarPopup(true);
    m_editor->setFont(textStyleFont(font(), TextStyle::body));
    m_editor->setAccessibleName(QStringLiteral("查询时间"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(14);
    row->addWidget(m_editor);
    row->addWidget(m_follow);
    row->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_editor, &MomentEditor::settled, this, &DateControls::commit);
    connect(m_editor, &MomentEditor::dayPicked, this, &DateControls::dayPicked);
    connect(m_follow, &QAbstractButton::toggled, this, &DateControls::followNowToggled);
}

void DateControls::setMoment(const QDateTime &moment, bool followNow)
{
    const QSignalBlocker switchQuiet(m_follow);
    m_moment = moment;
    // Following the clock the editor only shows the moment, and stays where Tab reaches it, so that a
    // reader can hear which moment the answer is for.
    m_editor->setReadOnly(followNow);
    m_follow->setChecked(followNow);
    // Closed, the controls take the moment as they open: the clock's tick leaves a hidden editor be.
    if (!isHidden())
        showMoment();
}

void DateControls::showEvent(QShowEvent *event)
{
    Panel::showEvent(event);
    showMoment();
}

void DateControls::showMoment()
{
    if (!m_moment.isValid())
        return;
    const QSignalBlocker editorQuiet(m_editor);
    // The editor shows whole minutes, and is set again only when the minute changes.
    const QDateTime wallClock = querydate::toWallClock(m_moment);
    const QTime time = wallClock.time();
    const QDateTime minute(wallClock.date(), QTime(time.hour(), time.minute()), QTimeZone::utc());
    m_shown = minute;
    if (m_editor->dateTime() != minute)
        m_editor->setDateTime(minute);
}

void DateControls::commit()
{
    const QDateTime wallClock = m_editor->dateTime();
    if (wallClock == m_shown)
        return;
    m_shown = wallClock;
    emit momentPicked(querydate::fromWallClock(wallClock));
}

void DateControls::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        emit escaped();
    else
        Panel::keyPressEvent(event);
}

} // namespace quorvale
