#pragma once

#include <QStringList>
#include <QWidget>

// A row of mutually exclusive segments with one chosen, as a segmented picker. It reports only
// choices made by the user; setCurrent() from code is silent.
namespace quorvale {

class SegmentedControl : public QWidget
{
    Q_OBJECT

public:
    SegmentedControl(const QStringList &titles, int width, QWidget *parent = nullptr);

    int current() const { return m_current; }
    void setCurrent(int index);
    // A choice made by the user, by pointer, keys or an assistive technology's press.
    void choose(int index);
    QStringList titles() const { return m_titles; }
    // The rectangle of a segment, for pointers and tests.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;

signals:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    // Tells assistive technologies which segment is chosen now, as the one with the focus when the
    // control has it.
    void announceChoice();

    QStringList m_titles;
    int m_current = 0;
};

} // namespace quorvale
