#include "app/week/deferredsection.h"

#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/tintedlabel.h"
#include "app/week/coursetext.h"
#include "app/week/daylabels.h"
#include "app/week/deferredevents.h"

#include "app/look/animation.h"
#include "app/look/statusbadge.h"
#include "app/look/typography.h"

#include "core/base/shanghai.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace quorvale {

namespace {

constexpr int dayLabelWidth = 82;
constexpr int periodWidth = 48;
constexpr int roomWidth = 170;
constexpr int badgeSlack = 4;

// One listed event on a faint amber card: period, then subject, class and time, then the room. Tab
// reaches it, and a reader hears its day, as the list shows it beside the day's events, and its lines.
class DeferredRow : public QWidget
{
public:
    DeferredRow(const WeekEvent &event, const QString &day, QWidget *parent)
        : QWidget(parent)
    {
        setFocusPolicy(Qt::TabFocus);
        QStringList spoken{day, event.period, event.subject};
        const QFont caption = textStyleFont(font(), TextStyle::caption);
        auto *period =
            new TintedLabel(event.period, textStyleFont(font(), TextStyle::caption, QFont::DemiBold));
        period->setTint(Appearance::warningAmber);
        period->setFixedWidth(periodWidth);

        auto *details = new QVBoxLayout;
        details->setSpacing(3);
        auto *subject =
            new TintedLabel(event.subject, textStyleFont(font(), TextStyle::callout, QFont::Medium));
        subject->setWordWrap(true);
        details->addWidget(subject);
        if (event.className && !event.className->isEmpty() &&
            normalized(*event.className) != normalized(event.subject)) {
            spoken.append(*event.className);
            auto *classes = new TintedLabel(*event.className, caption);
            classes->setTint(Appearance::secondaryText);
            classes->setWordWrap(true);
            details->addWidget(classes);
        }
        if (const auto times = timeRange(event)) {
            spoken.append(*times);
            auto *time = new TintedLabel(*times, caption);
            time->setTint(Appearance::secondaryText);
            details->addWidget(time);
        }

        const QString roomName = roomText(event);
        spoken.append(roomName);
        spoken.removeAll(QString());
        setAccessibleName(spoken.join(QStringLiteral(" · ")));
        auto *room = new TintedLabel(roomName, caption);
        room->setAlignment(Qt::AlignRight | Qt::AlignTop);
        room->setWordWrap(true);
        room->setMaximumWidth(roomWidth);
        // A wrapping label asks for less than its text's width, and the row would break a short room
        // name inside a word; it keeps its whole width up to the limit and wraps only beyond it.
        const int whole = int(std::ceil(QFontMetricsF(caption).horizontalAdvance(roomName))) + 1;
        room->setMinimumWidth(std::min(whole, roomWidth));

        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(10, 8, 10, 8);
        layout->setSpacing(12);
        layout->addWidget(period, 0, Qt::AlignTop);
        layout->addLayout(details, 1);
        layout->addWidget(room, 0, Qt::AlignTop);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(painting::withOpacity(Appearance::warningAmber.resolve(palette()), 0.035));
        painter.drawRoundedRect(QRectF(rect()), 9.0, 9.0);
        if (hasFocus()) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0), 8.0, 8.0);
        }
    }
};

// Neither has a class name of its own to be found by.
QAccessibleInterface *deferredFactory(const QString &className, QObject *object);

// The events of one day, and the whole list: to a reader each a group named by what it holds.
class DeferredGroup : public QWidget
{
public:
    DeferredGroup(const QString &name, QWidget *parent)
        : QWidget(parent)
    {
        // Before the name is told, which makes the group's accessible element.
        static const bool accessible = (QAccessible::installFactory(&deferredFactory), true);
        Q_UNUSED(accessible)
        setAccessibleName(name);
    }
};

QAccessibleInterface *deferredFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QWidget"))
        return nullptr;
    if (auto *row = dynamic_cast<DeferredRow *>(object))
        return new QAccessibleWidget(row, QAccessible::StaticText);
    if (auto *group = dynamic_cast<DeferredGroup *>(object))
        return new QAccessibleWidget(group, QAccessible::Grouping);
    return nullptr;
}

} // namespace

// The section's title row: a disclosure chevron and the badge with the count; a click opens or closes.
// Assistive technologies hear a button that expands, and whether the section is open.
class DisclosureHeader : public QAbstractButton
{
public:
    DisclosureHeader(StatusBadge *badge, QWidget *parent)
        : QAbstractButton(parent)
    {
        static const bool accessible = (QAccessible::installFactory(&DisclosureHeader::accessibleFactory), true);
        Q_UNUSED(accessible)
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(chevronBox + 6, 0, 0, 0);
        layout->addWidget(badge);
        layout->addStretch(1);
    }

    void setTurn(qreal turn)
    {
        m_turn = turn;
        update();
    }

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded)
    {
        m_expanded = expanded;
        tellExpanded(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(chevronBox / 2.0, height() / 2.0);
        painter.translate(centre);
        painter.rotate(90.0 * m_turn);
        const qreal side = 11.0;
        painter.fillPath(glyphPath(Glyph::disclosure, QRectF(-side / 2.0, -side / 2.0, side, side)),
                         Appearance::accentBlue.resolve(palette()));
    }

private:
    // The header has no class name of its own to be found by.
    static QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
    {
        auto *header = className == QLatin1String("QAbstractButton") ? dynamic_cast<DisclosureHeader *>(object)
                                                                      : nullptr;
        return header ? new ExpandingAccessible(header, [header] { return header->expanded(); }) : nullptr;
    }

    static constexpr int chevronBox = 14;
    qreal m_turn = 0.0;
    bool m_expanded = false;
};

DeferredSection::DeferredSection(QWidget *parent)
    : QWidget(parent)
    , m_badge(new StatusBadge(QString(), CourseState::unknown))
    , m_content(new QWidget(this))
    , m_explanation(new TintedLabel(QString(), textStyleFont(font(), TextStyle::caption)))
    , m_groups(new DeferredGroup(QStringLiteral("其他安排"), nullptr))
    , m_open(new Tween(0.0, this))
{
    m_header = new DisclosureHeader(m_badge, this);
    connect(m_header, &QAbstractButton::clicked, this, [this] { setExpanded(!m_expanded); });
    m_explanation->setTint(Appearance::secondaryText);
    m_explanation->setWordWrap(true);

    auto *groups = new QVBoxLayout(m_groups);
    groups->setContentsMargins(0, 0, 0, 0);
    groups->setSpacing(11);

    auto *content = new QVBoxLayout(m_content);
    content->setContentsMargins(0, 14, 0, 0);
    content->setSpacing(11);
    content->addWidget(m_explanation);
    content->addWidget(m_groups);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_content);

    connect(m_open, &Tween::valueChanged, this, &DeferredSection::follow);
    follow(0.0);
}

void DeferredSection::setContent(const QList<WeekEvent> &deferred, const QList<DisplayWeekDay> &days,
                                 const QDateTime &referenceDate)
{
    const QDate referenceDay = shanghai::dateOf(referenceDate);
    if (deferred == m_deferred && days == m_days && referenceDay == m_referenceDay &&
        !m_badge->title().isEmpty())
        return;
    m_deferred = deferred;
    m_days = days;
    m_referenceDay = referenceDay;
    m_badge->setTitle(QStringLiteral("其他安排 · %1").arg(deferred.size()));
    m_header->setAccessibleName(m_badge->title());
    // The badge measures its title without slack, and mixed Chinese and Latin text can elide at exactly
    // that width; a few pixels more keep the count readable.
    m_badge->setMinimumWidth(m_badge->sizeHint().width() + badgeSlack);
    m_explanation->setText(deferredExplanation(deferred));
    rebuildGroups();
    follow(m_open->value());
}

void DeferredSection::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    m_header->setExpanded(expanded);
    m_open->moveTo(expanded ? 1.0 : 0.0, springCurve<springs::standard>());
    emit expandedChanged(expanded);
}

QAbstractButton *DeferredSection::header() const
{
    return m_header;
}

QString DeferredSection::title() const
{
    return m_badge->title();
}

QString DeferredSection::explanation() const
{
    return m_explanation->text();
}

QStringList DeferredSection::groupLabels() const
{
    QStringList labels;
    for (const auto *label : m_groups->findChildren<TintedLabel *>(QStringLiteral("day")))
        labels.append(label->text());
    return labels;
}

void DeferredSection::rebuildGroups()
{
    // A listed event that goes with the keyboard on it hands the keyboard to the title row, not to
    // nothing.
    if (m_groups->isAncestorOf(QApplication::focusWidget()))
        m_header->setFocus(Qt::OtherFocusReason);
    for (QWidget *group : m_groups->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        delete group;
    const QFont caption = textStyleFont(font(), TextStyle::caption, QFont::DemiBold);
    for (const DisplayWeekDay &day : std::as_const(m_days)) {
        QList<WeekEvent> events;
        std::copy_if(m_deferred.cbegin(), m_deferred.cend(), std::back_inserter(events),
                     [&](const WeekEvent &event) { return event.date == day.date; });
        if (events.isEmpty())
            continue;
        const QString dayText = shortDay(day.date);
        auto *group = new DeferredGroup(dayText, m_groups);
        auto *label = new TintedLabel(dayText, caption);
        label->setObjectName(QStringLiteral("day"));
        label->setTint(day.date == m_referenceDay ? Appearance::accentBlue : Appearance::secondaryText);
        label->setFixedWidth(dayLabelWidth);
        label->setContentsMargins(0, 3, 0, 0);
        auto *rows = new QVBoxLayout;
        rows->setSpacing(5);
        for (const WeekEvent &event : std::as_const(events))
            rows->addWidget(new DeferredRow(event, dayText, group));
        auto *layout = new QHBoxLayout(group);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(14);
        layout->addWidget(label, 0, Qt::AlignTop);
        layout->addLayout(rows, 1);
        m_groups->layout()->addWidget(group);
    }
}

void DeferredSection::follow(qreal progress)
{
    m_header->setTurn(progress);
    m_content->setVisible(progress > 0.0);
    if (progress >= 1.0) {
        m_content->setMaximumHeight(QWIDGETSIZE_MAX);
        return;
    }
    const QLayout *layout = m_content->layout();
    const int full = layout->hasHeightForWidth() ? layout->totalHeightForWidth(std::max(1, width()))
                                                 : layout->totalSizeHint().height();
    m_content->setMaximumHeight(qRound(full * std::max(0.0, progress)));
}

} // namespace quorvale
