#include "app/screens/momenteditor.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <chrono>

namespace quorvale {

namespace {

using namespace std::chrono_literals;

// Long enough for the second digit of a part, short enough that the answer follows the editor.
constexpr auto typingPause = 600ms;

} // namespace

MomentEditor::MomentEditor(QWidget *parent)
    : QDateTimeEdit(parent)
{
    // Typed text is read by this editor itself, when it is complete, not at every key.
    setKeyboardTracking(false);
    m_pause.setSingleShot(true);
    m_pause.setInterval(typingPause);
    connect(&m_pause, &QTimer::timeout, this, &MomentEditor::pausedTyping);
    connect(lineEdit(), &QLineEdit::textEdited, this, &MomentEditor::typed);
    lineEdit()->installEventFilter(this);
    // Return and the focus leaving read the typed text before they report the end of editing.
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        m_pause.stop();
        m_typing = false;
        emit settled();
    });
    // The calendar sets the moment as its days are chosen or browsed; moving on to another part
    // while typing reads the typed text, which still waits for the pause.
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_typing)
            emit settled();
    });
}

void MomentEditor::stepBy(int steps)
{
    QDateTimeEdit::stepBy(steps);
    m_pause.stop();
    m_typing = false;
    emit settled();
}

bool MomentEditor::eventFilter(QObject *watched, QEvent *event)
{
    // The press has put the caret where it landed; the release selects that part for typing,
    // unless the pointer dragged a selection of its own.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && !lineEdit()->hasSelectedText())
        setSelectedSection(currentSection());
    return QDateTimeEdit::eventFilter(watched, event);
}

void MomentEditor::typed()
{
    m_typing = true;
    m_pause.start();
}

void MomentEditor::pausedTyping()
{
    QString text = lineEdit()->text();
    int position = lineEdit()->cursorPosition();
    if (validate(text, position) != QValidator::Acceptable)
        return;
    interpretText();
    m_typing = false;
    emit settled();
}

} // namespace quorvale
