#include "app/screens/queryview.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/arrival.h"
#include "app/look/glyphwidgets.h"
#include "app/look/primaryactionbutton.h"
#include "app/look/reducemotion.h"
#include "app/look/searchactionbutton.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/answergroup.h"
#include "app/screens/coalescer.h"
#include "app/screens/datecontrols.h"
#include "app/screens/page.h"
#include "app/screens/readingorder.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/segmentedcontrol.h"
#include "app/screens/spinner.h"
#include "app/screens/statecards.h"
#include "app/screens/suggestionlist.h"
#include "app/screens/suggestionpanel.h"
#include "app/screens/topbar.h"
#include "app/state/model.h"
#include "core/base/shanghai.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <utility>

namespace quorvale {

namespace {

using namespace std::chrono_literals;

constexpr auto debounceInterval = 350ms;
constexpr int columnWidth = 1100;
constexpr int emptySpacer = 28;
constexpr int dateControlsDrop = 28;

} // namespace

QueryView::QueryView(Model *model, Clock clock, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_clock(std::move(clock))
    , m_pass(new Coalescer([this] { pass(); }, this))
    , m_momentPass(new Coalescer([this] { momentPass(); }, this))
    , m_debounce(new QTimer(this))
{
    m_debounce->setObjectName(QStringLiteral("debounce"));
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(debounceInterval);
    connect(m_debounce, &QTimer::timeout, this, &QueryView::runDebounced);

    build();
    buildFloating();

    for (auto signal : {&Model::queryKindChanged,
                        &Model::teacherSearchKindChanged,
                        &Model::queryChanged,
                        &Model::studentsChanged,
                        &Model::selectedChanged,
                        &Model::teachersChanged,
                        &Model::selectedTeacherChanged,
                        &Model::selectedTeacherTaskChanged,
                        &Model::coursesChanged,
                        &Model::selectedCourseIDChanged,
                        &Model::teacherDirectoryChanged,
                        &Model::teacherScheduleChanged,
                        &Model::tableChanged,
                        &Model::weekChanged,
                        &Model::followNowChanged,
                        &Model::errorChanged,
                        &Model::suggestionErrorChanged,
                        &Model::suggestionStageChanged,
                        &Model::suggestionPulseChanged,
                        &Model::selectionPulseChanged,
                        &Model::busyChanged,
                        &Model::didSearchChanged,
                        &Model::taskChoicesChanged,
                        &Model::chosenTaskIDChanged,
                        &Model::loadingScheduleChanged,
                        &Model::scheduleStatusChanged})
        connect(m_model, signal, m_pass, &Coalescer::request);
    // A new moment alone, as the follow-now tick brings it every 15 seconds, asks for the narrower pass.
    connect(m_model, &Model::dateValueChanged, m_momentPass, &Coalescer::request);
    QuorvaleClient *client = m_model->client();
    for (auto signal : {&QuorvaleClient::workingChanged, &QuorvaleClient::userChanged,
                        &QuorvaleClient::storageMessageChanged})
        connect(client, signal, m_pass, &Coalescer::request);

    // Change handlers are not run for the values the screen starts with.
    m_seen = observe();
    render();
}

QueryView::~QueryView() = default;

void QueryView::build()
{
    m_scroll = fillWithPage(this);
    m_scroll->viewport()->installEventFilter(this);
    m_content = m_scroll->widget();
    auto *centring = new QHBoxLayout(m_content);
    centring->setContentsMargins(36, 26, 36, 28);
    m_column = new QWidget(m_content);
    m_column->setMaximumWidth(columnWidth);
    // The column takes the width up to its maximum; the two stretches share what is left, so a wide
    // window keeps it centred.
    centring->addStretch(1);
    centring->addWidget(m_column, 1000);
    centring->addStretch(1);
    // Holds the column at least as high as the window less the page's margins, so that with nothing
    // searched the spacers can centre the search area; the column's own content may be higher.
    m_heightStrut = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
    centring->addItem(m_heightStrut);

    m_columnLayout = new QVBoxLayout(m_column);
    m_columnLayout->setContentsMargins(0, 0, 0, 0);
    m_topBar = new TopBar(m_model->client(), m_column);
    m_columnLayout->addWidget(m_topBar);
    arrive(m_topBar, 0);
    m_topSpacer = new QSpacerItem(0, emptySpacer, QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_columnLayout->addItem(m_topSpacer);
    m_searchArea = new SearchArea(m_column);
    m_columnLayout->addWidget(m_searchArea);
    arrive(m_searchArea, 1);

    m_hint = new TintedLabel(QStringLiteral("输入关键词开始查询"), textStyleFont(font(), TextStyle::callout),
                             m_column);
    m_hint->setTint(Appearance::secondaryText);
    m_hint->setAlignment(Qt::AlignHCenter);
    m_hint->setContentsMargins(0, 12, 0, 12);
    m_columnLayout->addWidget(m_hint);
    m_bottomSpacer = new QSpacerItem(0, emptySpacer, QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_columnLayout->addItem(m_bottomSpacer);
    m_footnote =
        new TintedLabel(QStringLiteral("按课表推算"), textStyleFont(font(), TextStyle::caption2), m_column);
    m_footnote->setTint(Appearance::secondaryText);
    m_footnote->setAlignment(Qt::AlignHCenter);
    m_footnote->setContentsMargins(0, 8, 0, 0);
    m_columnLayout->addWidget(m_footnote);
    m_endSpacer = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_columnLayout->addItem(m_endSpacer);

    connect(m_topBar, &TopBar::dismissRequested, this, &QueryView::dismissSuggestions);
    connect(m_searchArea, &SearchArea::kindChosen, this,
            [this](int index) { m_model->setQueryKind(allQueryKinds().value(index)); });
    connect(m_searchArea, &SearchArea::teacherKindChosen, this,
            [this](int index) { m_model->setTeacherSearchKind(allTeacherSearchKinds().value(index)); });
    connect(m_searchArea, &SearchArea::calendarClicked, this, [this] {
        dismissSuggestions();
        setShowDate(!m_showDate);
    });
    for (QWidget *anchor : {static_cast<QWidget *>(m_searchArea), m_searchArea->fieldAnchor(),
                            m_searchArea->dateLine(), m_column})
        anchor->installEventFilter(this);
}

void QueryView::buildFloating()
{
    m_shadow = new SearchShadow(m_content);
    m_box = new SearchBox(m_content);
    m_dateControls = new DateControls(m_content);
    m_dateControls->hide();
    m_dateControls->adjustSize();
    // Its size follows its content; its place follows its size.
    m_dateControls->installEventFilter(this);
    arrive(m_shadow, 1);
    arrive(m_box, 1);
    // The floating parts lie over the column, in this order, from the start.
    m_shadow->raise();
    m_box->raise();
    m_dateControls->raise();

    SearchField *field = m_box->field();
    connect(field, &QLineEdit::textEdited, this, [this](const QString &text) { m_model->setQuery(text); });
    connect(field, &SearchField::stepped, this, &QueryView::moveHighlight);
    connect(field, &SearchField::confirmed, this, &QueryView::confirmOrSearch);
    connect(field, &SearchField::escaped, this, &QueryView::dismissSuggestions);
    connect(field, &SearchField::focusMoved, m_pass, &Coalescer::request);
    connect(m_box->magnifier(), &QAbstractButton::clicked, this, [this] {
        focusSearch();
        m_suggestionsOpen = true;
        changed();
    });
    connect(m_box->searchButton(), &QAbstractButton::clicked, this, &QueryView::performSearch);
    connect(m_box, &SearchBox::heightChanged, this, &QueryView::place);

    SuggestionPanel *panel = m_box->panel();
    connect(panel, &SuggestionPanel::chosen, this, &QueryView::choose);
    connect(panel, &SuggestionPanel::rowEntered, this, [this](const QString &id) {
        m_hovered = id;
        changed();
    });
    connect(panel, &SuggestionPanel::rowLeft, this, [this](const QString &id) {
        if (m_hovered == id)
            m_hovered.reset();
        changed();
    });

    connect(m_dateControls, &DateControls::momentPicked, this, [this](const QDateTime &moment) {
        m_momentPicked = true;
        m_model->setDate(moment);
    });
    connect(m_dateControls, &DateControls::followNowToggled, this,
            [this](bool on) { m_model->setFollowNow(on); });
    connect(m_dateControls, &DateControls::escaped, this, [this] { setShowDate(false); });
    // A day picked in the calendar closes the controls, and the answer for it takes the keyboard.
    connect(m_dateControls, &DateControls::dayPicked, this, [this] {
        m_momentPicked = true;
        setShowDate(false);
    });
}

void QueryView::changed()
{
    m_pass->request();
}

void QueryView::pass()
{
    m_momentPass->cancel();
    react();
    render();
}

void QueryView::momentPass()
{
    // The whole pass, when one is due, covers the moment too; a new day is a change of its own.
    if (m_pass->pending())
        return;
    if (shanghai::dateOf(m_model->date()) != m_seen.day) {
        pass();
        return;
    }
    renderMoment();
}

void QueryView::renderMoment()
{
    m_searchArea->showMoment(m_model->date());
    m_dateControls->setMoment(m_model->date(), m_model->followNow());
    if (m_result)
        m_result->refresh();
}

bool QueryView::dropdownVisible() const
{
    return m_suggestionsOpen &&
           (!m_model->query().isEmpty() || m_model->suggestionStage() == SuggestionStage::Tasks);
}

QList<SearchSuggestion> QueryView::suggestions() const
{
    return suggestionlist::suggestions(*m_model);
}

void QueryView::render()
{
    const bool selection = m_model->hasSelection();
    const bool empty = !m_model->didSearch() && !selection;
    // The column is laid out again only when its arrangement changes, never on a plain tick.
    if (const std::pair arrangement{selection, empty}; arrangement != m_arrangement) {
        m_arrangement = arrangement;
        m_columnLayout->setSpacing(selection ? 20 : 26);
        for (QSpacerItem *spacer : {m_topSpacer, m_bottomSpacer}) {
            spacer->changeSize(0, empty ? emptySpacer : 0, QSizePolicy::Minimum,
                               empty ? QSizePolicy::Expanding : QSizePolicy::Fixed);
        }
        m_endSpacer->changeSize(0, 0, QSizePolicy::Minimum,
                                empty ? QSizePolicy::Fixed : QSizePolicy::Expanding);
        m_columnLayout->invalidate();
    }

    m_topBar->refresh();
    m_searchArea->present(m_model->queryKind(), m_model->teacherSearchKind(), selection, m_model->date(),
                          m_showDate);

    SearchField *field = m_box->field();
    field->setPlaceholderText(m_model->placeholder());
    if (field->accessibleName() != m_model->placeholder())
        field->setAccessibleName(m_model->placeholder());
    if (field->text() != m_model->query())
        field->setText(m_model->query());
    m_box->spinner()->setVisible(m_model->busy());
    m_box->searchButton()->setEnabled(!m_model->query().trimmed().isEmpty() && !m_model->client()->working());
    const QList<SearchSuggestion> rows = suggestions();
    m_box->panel()->setContent({suggestionlist::title(*m_model), m_model->busy(), m_model->suggestionError(),
                                rows, m_highlighted, m_hovered});
    m_box->setDropdown(dropdownVisible(), suggestionlist::listHeight(rows));
    // The field's description is its placeholder too, told anew as the search mode changes it, with
    // the note about the saved sign-in while the client holds one, so that it is heard as the screen
    // opens on the field; while the dropdown shows, what it lists, told as it opens and as its rows
    // change. A list that waits for the typing to pause is not told as empty.
    QStringList resting{m_model->placeholder(), m_model->client()->storageMessage()};
    resting.removeAll(QString());
    const QString description =
        dropdownVisible() ? m_box->panel()->summary() : resting.join(QLatin1Char('\n'));
    if (field->accessibleDescription() != description && !m_debounce->isActive())
        field->setAccessibleDescription(description);
    m_shadow->setLook(searchFocused(), dropdownVisible());

    m_dateControls->setMoment(m_model->date(), m_model->followNow());
    // Closing controls that hold the keyboard hand it to the answer for the moment picked in them, or
    // back to the button that opens them; left inside them as they close, it would move on down the
    // page and scroll there.
    if (!m_showDate && m_dateControls->isAncestorOf(window()->focusWidget())) {
        QWidget *next = m_momentPicked && m_result ? static_cast<QWidget *>(m_result->answer())
                                                   : m_searchArea->calendarButton();
        // The answer is named for the moment picked before it is told as the focus.
        if (next != m_searchArea->calendarButton())
            m_result->refresh();
        next->setFocus(Qt::OtherFocusReason);
    }
    if (!m_showDate)
        m_momentPicked = false;
    m_dateControls->setVisible(m_showDate);

    // A screen reader follows the highlighted row as the focus. As the list closes under it, by
    // Escape or a press elsewhere, the reader is taken back to the field, which has kept the keyboard;
    // after a choice the answer takes it instead.
    const bool rowTold = dropdownVisible() && m_highlighted.has_value();
    if (std::exchange(m_rowTold, rowTold) && !dropdownVisible() && searchFocused() && !m_answerWanted) {
        QAccessibleEvent back(field, QAccessible::Focus);
        QAccessible::updateAccessibility(&back);
    }

    fitHeight();
    renderCards();
    m_hint->setVisible(!selection && !m_model->didSearch());
    place();
    focusAnswer();
}

void QueryView::focusAnswer()
{
    if (!m_answerWanted)
        return;
    const QWidget *focused = window()->focusWidget();
    const bool stayed = !focused || focused == m_box->field();
    if (!m_result || !stayed) {
        m_answerWanted = false;
        return;
    }
    // A selection whose timetable is still to be asked for shows no answer yet, not even the reading
    // indicator: the answer takes the keyboard on the next pass.
    if (m_result->awaitingLoad())
        return;
    m_answerWanted = false;
    AnswerGroup *answer = m_result->answer();
    answer->setFocus(Qt::OtherFocusReason);
    m_scroll->ensureWidgetVisible(answer);
}

void QueryView::renderCards()
{
    const Transition reveal = Appearance::reveal(motion::reduced());
    const Curve motion = springCurve<springs::standard>();
    const bool failed = !m_model->error().isEmpty();
    if (failed && !m_error) {
        m_error = new ErrorCard(m_column);
        m_columnLayout->insertWidget(m_columnLayout->indexOf(m_searchArea) + 1, m_error);
        playInsertion(m_error, reveal, motion);
    } else if (!failed && m_error) {
        playRemoval(m_error, reveal, motion);
        m_error = nullptr;
    }
    if (m_error)
        m_error->setContent(QStringLiteral("查询失败"), m_model->error());

    const bool selection = m_model->hasSelection();
    if (selection && !m_result) {
        m_result = new ResultArea(m_model, m_column);
        m_columnLayout->insertWidget(m_columnLayout->indexOf(m_hint), m_result);
        connect(m_result, &ResultArea::taskRequested, this, &QueryView::openTasks);
        connect(m_result, &ResultArea::reloadRequested, this, &QueryView::reload);
        playInsertion(m_result, reveal, motion);
        // Shown now, not on the layout's next turn, so that it can take the focus at once.
        m_result->show();
    } else if (!selection && m_result) {
        // A keyboard left in the answer or the week as they go would be held by nothing; a new search
        // starts at the field.
        if (m_result->isAncestorOf(window()->focusWidget()))
            m_box->field()->setFocus(Qt::OtherFocusReason);
        playRemoval(m_result, reveal, motion);
        m_result = nullptr;
    }
    if (m_result)
        m_result->refresh();
}

void QueryView::place()
{
    const QWidget *anchor = m_searchArea->fieldAnchor();
    const QRect field(anchor->mapTo(m_content, QPoint()), QSize(anchor->width(), m_box->currentHeight()));
    m_box->setGeometry(field);
    m_shadow->setGeometry(field.marginsAdded(SearchShadow::margins));
    const QWidget *line = m_searchArea->dateLine();
    const QPoint lineRight = line->mapTo(m_content, QPoint(line->width(), 0));
    m_dateControls->move(lineRight.x() - m_dateControls->width(), lineRight.y() + dateControlsDrop);
}

void QueryView::fitHeight()
{
    // A load swaps the lessons and the week for its indicator. The page keeps its height meanwhile, so
    // that a reader down at the week stays in place for the timetable that comes.
    m_heldHeight = m_model->loadingSchedule() ? std::max(m_heldHeight, m_column->height()) : 0;
    const int height = std::max({0, m_scroll->viewport()->height() - 54, m_heldHeight});
    if (m_heightStrut->sizeHint().height() == height)
        return;
    m_heightStrut->changeSize(0, height, QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_content->layout()->invalidate();
}

void QueryView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    watchWindow();
    // Signed in to an empty screen, the keyboard goes to the search: a name typed at once is not lost.
    // One made after a new sign-in that shows a search or a person takes no focus, which would open the
    // dropdown over the answer.
    if (!m_appeared) {
        m_appeared = true;
        if (m_model->query().isEmpty() && !m_model->hasSelection())
            m_box->field()->setFocus(Qt::OtherFocusReason);
    }
}

void QueryView::tellFocus()
{
    QWidget *focused = window()->focusWidget();
    if (!isAncestorOf(focused))
        return;
    QAccessibleEvent told(focused, QAccessible::Focus);
    QAccessible::updateAccessibility(&told);
    // The highlighted row is told after the field, as the row the keys are on.
    if (focused == m_box->field())
        m_box->panel()->tellHighlight();
}

QList<QWidget *> QueryView::focusRegions() const
{
    return {m_topBar, m_searchArea, m_dateControls, m_box, m_error, m_result};
}

bool QueryView::focusNextPrevChild(bool next)
{
    // A screen being hidden leaves its focus to the window.
    if (!isVisible())
        return QWidget::focusNextPrevChild(next);
    QWidget *target = readingorder::step(focusRegions(), window()->focusWidget(), next);
    if (!target)
        return false;
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    m_scroll->ensureWidgetVisible(target);
    return true;
}

// Presses anywhere in the window pass through its window-system window first, whichever widget
// takes them; watching that one window sees every press on the screen and nothing of other windows.
void QueryView::watchWindow()
{
    QWindow *handle = window()->windowHandle();
    if (!handle || handle == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = handle;
    handle->installEventFilter(this);
}

bool QueryView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (watched == m_watchedWindow) {
            const QPoint point = static_cast<QMouseEvent *>(event)->position().toPoint();
            QWidget *top = window();
            QWidget *target = top->childAt(point);
            pressed(target ? target : top);
        }
        break;
    case QEvent::KeyPress:
        // With no control focused the keys reach the window itself, whose own Tab order is the one the
        // widgets were made in.
        if (watched == m_watchedWindow && !isAncestorOf(window()->focusWidget())) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
            if (plain && key->key() == Qt::Key_Backtab)
                return focusNextPrevChild(false);
            if (plain && key->key() == Qt::Key_Tab)
                return focusNextPrevChild(!(key->modifiers() & Qt::ShiftModifier));
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (watched == m_scroll->viewport()) {
            fitHeight();
        } else if (watched == m_searchArea || watched == m_searchArea->fieldAnchor() ||
                   watched == m_searchArea->dateLine() || watched == m_column || watched == m_dateControls) {
            place();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void QueryView::pressed(QWidget *widget)
{
    if (widget != this && !isAncestorOf(widget))
        return;
    if (keepsSuggestions(widget))
        return;
    dismissSuggestions();
    if (isBackground(widget))
        setShowDate(false);
}

bool QueryView::keepsSuggestions(const QWidget *widget) const
{
    const auto within = [widget](const QWidget *area) {
        return area && (area == widget || area->isAncestorOf(widget));
    };
    return within(m_box) || within(m_dateControls) || within(m_searchArea->kindPicker()) ||
           within(m_searchArea->teacherPicker()) || (m_result && within(m_result->taskButton()));
}

bool QueryView::isBackground(const QWidget *widget) const
{
    return widget == this || widget == m_scroll->viewport() || widget == m_content || widget == m_column ||
           widget == m_searchArea;
}

} // namespace quorvale
