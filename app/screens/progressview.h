#pragma once

#include <QWidget>

// A turning indicator above a short secondary text, centred in whatever space it is given: the
// screens' "working on it" placeholder.
namespace quorvale {

class ProgressView : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressView(const QString &label, QWidget *parent = nullptr);

    QString label() const { return m_label; }

private:
    QString m_label;
};

} // namespace quorvale
