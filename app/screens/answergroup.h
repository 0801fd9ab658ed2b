#pragma once

#include <QWidget>

// The answer of the query screen, the lessons or the reason there are none, as one stop for the
// keyboard and one element for screen readers, named by the whole answer. The name is told again
// only when the answer itself changes: a countdown that moves on each minute is read afresh when
// asked for, but not announced.
namespace quorvale {

class AnswerGroup : public QWidget
{
    Q_OBJECT

public:
    explicit AnswerGroup(QWidget *parent = nullptr);

    // The answer as it reads now, and the same without what changes by itself as time passes.
    void setAnswer(const QString &spoken, const QString &lasting);
    QString spoken() const { return m_spoken; }

protected:
    bool event(QEvent *event) override;

private:
    QString m_spoken;
    QString m_lasting;
    // Drawn over the cards, which cover the group, while the group has the focus.
    QWidget *m_ring = nullptr;
};

} // namespace quorvale
