#pragma once

#include <QDateTimeEdit>
#include <QTimer>

// The editor of the query moment, worked a part at a time. A click selects the part under the
// pointer, so typed digits replace it. A step (arrow keys, wheel) or a day from the calendar counts
// at once; typed digits count once the text is a whole, valid moment and the typing pauses, or on
// Return, or when the focus leaves. A part typed halfway never counts.
namespace quorvale {

class MomentEditor : public QDateTimeEdit
{
    Q_OBJECT

public:
    explicit MomentEditor(QWidget *parent = nullptr);

    void stepBy(int steps) override;

signals:
    // The moment shown may have become another one.
    void settled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void typed();
    void pausedTyping();

    // Set from the first typed key until the typing is taken or dropped; changes the editor makes
    // while it is set belong to the typing and wait for it.
    bool m_typing = false;
    QTimer m_pause;
};

} // namespace quorvale
