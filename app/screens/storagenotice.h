#pragma once

#include "app/look/glyphwidgets.h"

// The amber mark of the top bar while the client holds a note about saving the credentials, with the
// note as its hover text. Tab reaches it too and shows the note, and screen readers read the note as
// its text.
namespace quorvale {

class StorageNotice : public GlyphText
{
    Q_OBJECT

public:
    explicit StorageNotice(const QFont &font, QWidget *parent = nullptr);

    // An empty note hides the mark; a note of blanks shows it.
    void setNote(const QString &note);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void showNote();
};

} // namespace quorvale
