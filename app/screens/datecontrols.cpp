#include "app/screens/datecontrols.h"

#include "app/look/typography.h"
#include "app/screens/querydate.h"
#include "app/screens/switchtoggle.h"

#include <QDateTimeEdit>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace quorvale {

DateControls::DateControls(QWidget *parent)
    : Panel(18.0, paints::controlBackground(), parent)
    , m_editor(new QDateTimeEdit(this))
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

    connect(m_editor, &QDateTimeEdit::dateTimeChanged, this,
            [this](const QDateTime &wallClock) { emit momentPicked(querydate::fromWallClock(wallClock)); });
    connect(m_follow, &QAbstractButton::toggled, this, &DateControls::followNowToggled);
}

void DateControls::setMoment(const QDateTime &moment, bool followNow)
{
    const QSignalBlocker editorQuiet(m_editor);
    const QSignalBlocker switchQuiet(m_follow);
    const QDateTime wallClock = querydate::toWallClock(moment);
    if (m_editor->dateTime() != wallClock)
        m_editor->setDateTime(wallClock);
    m_editor->setEnabled(!followNow);
    m_follow->setChecked(followNow);
}

void DateControls::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        emit escaped();
    else
        Panel::keyPressEvent(event);
}

} // namespace quorvale
