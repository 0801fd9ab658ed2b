#include "app/look/caretrest.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace quorvale {

CaretRest::CaretRest(int restMs, QObject *parent)
    : QObject(parent)
    , m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(restMs);
    connect(&m_timer, &QTimer::timeout, this, &CaretRest::rest);
    QCoreApplication::instance()->installEventFilter(this);
    m_timer.start();
}

CaretRest::~CaretRest()
{
    wake();
}

bool CaretRest::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
        wake();
        m_timer.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretRest::rest()
{
    m_resting = true;
    // A flash time of zero keeps the caret drawn and stops its timer.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretRest::wake()
{
    if (!m_resting)
        return;
    m_resting = false;
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

} // namespace quorvale
