#include "app/screens/suggestionpanel.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/painting.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/overlayscrollbars.h"
#include "app/screens/spinner.h"
#include "app/screens/suggestiondelegate.h"
#include "app/screens/suggestionlist.h"
#include "app/screens/suggestionmodel.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quorvale {

namespace {

constexpr int headerPadding = 22;
constexpr int dividerInset = 18;

} // namespace

SuggestionPanel::SuggestionPanel(QWidget *parent)
    : QWidget(parent)
    , m_title(new TintedLabel(QString(), textStyleFont(font(), TextStyle::caption, QFont::DemiBold), this))
    , m_spinner(new Spinner(11, this))
    , m_list(new QListView(this))
    , m_model(new SuggestionModel(this))
    , m_message(new TintedLabel(QString(), textStyleFont(font(), TextStyle::callout), this))
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

    // A click on a row must leave the search field focused, and rows are chosen, not selected; only
    // the keyboard's highlight is the list's current and selected row. The highlight scrolls with
    // its own spring.
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setAutoScroll(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setCursor(Qt::PointingHandCursor);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    m_list->setItemDelegate(new SuggestionDelegate(m_list));
    m_list->setModel(m_model);
    m_list->viewport()->installEventFilter(this);
    useOverlayScrollBars(m_list);
    m_message->setWordWrap(true);
    // The scroll bar keeps clear of the rounded corner of the shared background.
    auto *list = new QVBoxLayout;
    list->setContentsMargins(0, 0, 10, 0);
    list->addWidget(m_list);
    list->addWidget(m_message);
    list->addStretch();
    column->addLayout(list);

    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { emit chosen(m_model->at(index.row())); });
    connect(m_scrollTween, &Tween::valueChanged, this,
            [this](qreal value) { m_list->verticalScrollBar()->setValue(qRound(value)); });
    // A new list forgets the row under the pointer; the next move finds it again.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_pointed.reset(); });
}

void SuggestionPanel::setContent(const SuggestionContent &content)
{
    m_title->setText(content.title);
    if (m_list->accessibleName() != content.title)
        m_list->setAccessibleName(content.title);
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
    if (m_message->text() != message)
        m_message->setText(message);
    m_message->setTint(*tint);
    m_message->setAlignment(alignment);
    m_message->setContentsMargins(margin + 8, margin, margin, margin);
    m_message->setVisible(!message.isEmpty());
    m_list->setVisible(message.isEmpty());
    m_model->setRows(message.isEmpty() ? content.rows : QList<SearchSuggestion>());

    const bool highlightMoved = content.highlighted != m_highlighted;
    m_highlighted = content.highlighted;
    m_model->setMarks(content.highlighted, content.hovered);
    followHighlight();
    m_list->setFixedHeight(suggestionlist::listHeight(content.rows));
    if (highlightMoved)
        scrollToHighlight();
}

// The keyboard's highlight is the list's current and selected row, so that a screen reader finds it
// as in any list. Qt's list reports each new current row as focused, shown or not: the row becomes
// current only while the list is on screen, and the field keeps the keyboard.
void SuggestionPanel::followHighlight()
{
    QItemSelectionModel *selection = m_list->selectionModel();
    const bool valid = m_highlighted && *m_highlighted >= 0 && *m_highlighted < m_model->rowCount();
    const QModelIndex row = valid && m_list->isVisible() ? m_model->index(*m_highlighted) : QModelIndex();
    if (!row.isValid() && m_rowHeard) {
        // A reader told of a row that is gone or no longer marked hears where the keys go again,
        // unless the dropdown closes with it and the screen moves the focus on.
        m_rowHeard = false;
        QMetaObject::invokeMethod(this, &SuggestionPanel::tellFocusBack, Qt::QueuedConnection);
    }
    if (row == selection->currentIndex())
        return;
    if (row.isValid()) {
        selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        m_rowHeard = true;
    } else {
        selection->clear();
    }
}

void SuggestionPanel::tellFocusBack()
{
    QWidget *focused = QApplication::focusWidget();
    if (!isVisible() || m_rowHeard || !focused || !focused->isVisible())
        return;
    QAccessibleEvent back(focused, QAccessible::Focus);
    QAccessible::updateAccessibility(&back);
}

void SuggestionPanel::tellHighlight()
{
    const QModelIndex row = m_list->selectionModel()->currentIndex();
    if (!m_rowHeard || !row.isValid() || !m_list->isVisible())
        return;
    // As the list tells of a new current row.
    QAccessibleEvent told(m_list, QAccessible::Focus);
    told.setChild(row.row());
    QAccessible::updateAccessibility(&told);
}

QString SuggestionPanel::summary() const
{
    const QString message = this->message();
    return m_title->text() + QStringLiteral(" · ") +
           (message.isEmpty() ? QStringLiteral("%1 项").arg(m_model->rowCount()) : message);
}

void SuggestionPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    followHighlight();
}

void SuggestionPanel::scrollToHighlight()
{
    if (!m_highlighted || *m_highlighted < 0 || *m_highlighted >= m_model->rowCount())
        return;
    const QRect row = m_list->visualRect(m_model->index(*m_highlighted));
    QScrollBar *bar = m_list->verticalScrollBar();
    const int centred = bar->value() + row.center().y() - m_list->viewport()->height() / 2;
    const int target = std::clamp(centred, bar->minimum(), bar->maximum());
    m_scrollTween->jumpTo(bar->value());
    m_scrollTween->moveTo(target, springCurve<springs::standard>());
}

QRect SuggestionPanel::rowRect(const QString &id) const
{
    const std::optional<int> row = m_model->rowOf(id);
    return row ? m_list->visualRect(m_model->index(*row)) : QRect();
}

QString SuggestionPanel::message() const
{
    return m_message->isVisibleTo(this) ? m_message->text() : QString();
}

bool SuggestionPanel::spinnerShown() const
{
    return m_spinner->isVisibleTo(this);
}

bool SuggestionPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QModelIndex index =
                m_list->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
            pointerAt(index.isValid() ? std::optional<int>(index.row()) : std::nullopt);
        } else if (event->type() == QEvent::Leave) {
            pointerAt(std::nullopt);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Tells of the row the pointer entered or left, once per row.
void SuggestionPanel::pointerAt(std::optional<int> row)
{
    const std::optional<QString> id = row ? std::optional<QString>(m_model->at(*row).id()) : std::nullopt;
    if (id == m_pointed)
        return;
    if (const std::optional<QString> left = std::exchange(m_pointed, id))
        emit rowLeft(*left);
    if (id)
        emit rowEntered(*id);
}

void SuggestionPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(painting::primary(palette(), 0.1), 1.0));
    const qreal y = headerHeight - 0.5;
    painter.drawLine(QPointF(dividerInset, y), QPointF(width() - dividerInset, y));
}

} // namespace quorvale
