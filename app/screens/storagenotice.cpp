#include "app/screens/storagenotice.h"

#include "app/look/glyph.h"
#include "app/screens/safetext.h"

#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

namespace quorvale {

namespace {

// The mark reads as its note. The tool tip is the note marked up to show as written, so it is not
// read again as a description.
class StorageNoticeAccessible : public QAccessibleWidget
{
public:
    explicit StorageNoticeAccessible(StorageNotice *notice)
        : QAccessibleWidget(notice, QAccessible::StaticText)
    {}

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Description ? QString() : QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface *storageNoticeFactory(const QString &className, QObject *object)
{
    auto *notice = className == QLatin1String("quorvale::StorageNotice")
                       ? qobject_cast<StorageNotice *>(object)
                       : nullptr;
    return notice ? new StorageNoticeAccessible(notice) : nullptr;
}

} // namespace

StorageNotice::StorageNotice(const QFont &font, QWidget *parent)
    : GlyphText(glyphPath(Glyph::questionmarkCircle), Appearance::warningAmber, font, parent)
{
    // Before anything asks for the widget's accessible element, which is kept once made.
    static const bool accessible = (QAccessible::installFactory(&storageNoticeFactory), true);
    Q_UNUSED(accessible)
    setFocusPolicy(Qt::TabFocus);
}

void StorageNotice::setNote(const QString &note)
{
    setVisible(!note.isEmpty());
    // Setting a tool tip tells the widget even when it stays the same.
    if (const QString tip = safetext::toolTip(note); tip != toolTip())
        setToolTip(tip);
    if (note != accessibleName())
        setAccessibleName(note);
}

void StorageNotice::paintEvent(QPaintEvent *event)
{
    GlyphText::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.0));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void StorageNotice::focusInEvent(QFocusEvent *event)
{
    GlyphText::focusInEvent(event);
    update();
    // Reached from the keyboard, the mark shows its note as the pointer resting on it does.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        showNote();
}

void StorageNotice::keyReleaseEvent(QKeyEvent *event)
{
    GlyphText::keyReleaseEvent(event);
    // A tool tip closes as any key is let go, the Tab that brought the focus here too.
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        showNote();
}

void StorageNotice::showNote()
{
    QToolTip::showText(mapToGlobal(QPoint(0, height())), toolTip(), this);
}

void StorageNotice::focusOutEvent(QFocusEvent *event)
{
    GlyphText::focusOutEvent(event);
    update();
    QToolTip::hideText();
}

} // namespace quorvale
