#include "app/screens/suggestionpanel.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/painting.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/spinner.h"
#include "app/screens/suggestionlist.h"
#include "app/screens/suggestionrow.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quorvale {

namespace {

constexpr int headerPadding = 22;
constexpr int dividerInset = 18;
constexpr int listPadding = 8;

} // namespace

SuggestionPanel::SuggestionPanel(QWidget *parent)
    : QWidget(parent)
    , m_title(new TintedLabel(QString(), textStyleFont(font(), TextStyle::caption, QFont::DemiBold), this))
    , m_spinner(new Spinner(11, this))
    , m_scroll(new QScrollArea(this))
    , m_list(new QWidget)
    , m_listLayout(new QVBoxLayout(m_list))
    , m_message(new TintedLabel(QString(), textStyleFont(font(), TextStyle::callout), m_list))
    , m_scrollTween(new Tween(0.0, this))
{
    setFocusPolicy(Qt::NoFocus);
    m_title->setTint(Appearance::secondaryText);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *header = new QHBoxLayout;
    header->setContentsMargins(headerPadding, 0, headerPadding, 0);
    header->addWidget(m_title);
    header->addStretch();
    header->addWidget(m_spinner);
    auto *headerBox = new QWidget(this);
    headerBox->setLayout(header);
    headerBox->setFixedHeight(headerHeight - 1);
    column->addWidget(headerBox);
    // The divider is painted across this gap.
    column->addSpacing(1);

    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setWidget(m_list);
    // The scroll area fills its widget with the window colour; the background behind shows instead.
    m_list->setAutoFillBackground(false);
    // The scroll bar keeps clear of the rounded corner of the shared background.
    auto *list = new QHBoxLayout;
    list->setContentsMargins(0, 0, 10, 0);
    list->addWidget(m_scroll);
    column->addLayout(list);
    m_listLayout->setContentsMargins(listPadding, listPadding, listPadding, listPadding);
    m_listLayout->setSpacing(2);
    m_message->setWordWrap(true);
    m_listLayout->addWidget(m_message);
    m_listLayout->addStretch();

    connect(m_scrollTween, &Tween::valueChanged, this,
            [this](qreal value) { m_scroll->verticalScrollBar()->setValue(qRound(value)); });
}

void SuggestionPanel::setContent(const SuggestionContent &content)
{
    m_title->setText(content.title);
    m_spinner->setVisible(content.busy);

    QString message;
    const AdaptiveColor *tint = &Appearance::secondaryText;
    Qt::Alignment alignment = Qt::AlignHCenter;
    int margin = 18;
    if (content.busy && content.rows.isEmpty()) {
        message = QStringLiteral("正在查询…");
    } else if (!content.error.isEmpty()) {
        message = content.error;
        tint = &Appearance::errorRed;
        alignment = Qt::AlignLeft;
        margin = 15;
    } else if (content.rows.isEmpty()) {
        message = QStringLiteral("没有匹配结果");
    }
    m_message->setText(message);
    m_message->setTint(*tint);
    m_message->setAlignment(alignment);
    m_message->setContentsMargins(margin, margin, margin, margin);
    m_message->setVisible(!message.isEmpty());
    showRows(message.isEmpty() ? content : SuggestionContent{});

    const bool highlightMoved = content.highlighted != m_highlighted;
    m_highlighted = content.highlighted;
    for (int index = 0; index < m_order.size(); ++index) {
        SuggestionRow *row = m_rows.value(m_order.at(index).id());
        const bool keyboard = content.highlighted == index;
        row->setHighlighted(keyboard);
        row->setMarked(content.hovered ? *content.hovered == row->suggestion().id() : keyboard);
    }
    m_scroll->setFixedHeight(suggestionlist::listHeight(content.rows));
    if (highlightMoved)
        scrollToHighlight();
}

void SuggestionPanel::showRows(const SuggestionContent &content)
{
    QHash<QString, SuggestionRow *> kept;
    for (const SearchSuggestion &suggestion : content.rows) {
        const QString id = suggestion.id();
        SuggestionRow *row = m_rows.take(id);
        if (!row) {
            row = new SuggestionRow(suggestion, m_list);
            connect(row, &QAbstractButton::clicked, this, [this, row] { emit chosen(row->suggestion()); });
            connect(row, &SuggestionRow::entered, this, &SuggestionPanel::rowEntered);
            connect(row, &SuggestionRow::left, this, &SuggestionPanel::rowLeft);
        } else if (!(row->suggestion() == suggestion)) {
            row->setSuggestion(suggestion);
        }
        kept.insert(id, row);
    }
    qDeleteAll(m_rows);
    m_rows = kept;
    const bool sameOrder =
        content.rows.size() == m_order.size() &&
        std::equal(m_order.cbegin(), m_order.cend(), content.rows.cbegin(),
                   [](const SearchSuggestion &a, const SearchSuggestion &b) { return a.id() == b.id(); });
    m_order = content.rows;
    if (sameOrder)
        return;
    // The rows follow the message in list order; the stretch stays last.
    for (int index = 0; index < m_order.size(); ++index) {
        SuggestionRow *row = m_rows.value(m_order.at(index).id());
        m_listLayout->removeWidget(row);
        m_listLayout->insertWidget(1 + index, row);
        row->show();
    }
}

void SuggestionPanel::scrollToHighlight()
{
    if (!m_highlighted || *m_highlighted < 0 || *m_highlighted >= m_order.size())
        return;
    m_list->layout()->activate();
    const SuggestionRow *row = m_rows.value(m_order.at(*m_highlighted).id());
    QScrollBar *bar = m_scroll->verticalScrollBar();
    const int centred = row->y() + row->height() / 2 - m_scroll->viewport()->height() / 2;
    const int target = std::clamp(centred, bar->minimum(), bar->maximum());
    m_scrollTween->jumpTo(bar->value());
    m_scrollTween->moveTo(target, springCurve<springs::standard>());
}

QList<SuggestionRow *> SuggestionPanel::rows() const
{
    QList<SuggestionRow *> ordered;
    for (const SearchSuggestion &suggestion : m_order)
        ordered.append(m_rows.value(suggestion.id()));
    return ordered;
}

QString SuggestionPanel::message() const
{
    return m_message->isVisibleTo(m_list) ? m_message->text() : QString();
}

bool SuggestionPanel::spinnerShown() const
{
    return m_spinner->isVisibleTo(this);
}

void SuggestionPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(painting::primary(palette(), 0.1), 1.0));
    const qreal y = headerHeight - 0.5;
    painter.drawLine(QPointF(dividerInset, y), QPointF(width() - dividerInset, y));
}

} // namespace quorvale
