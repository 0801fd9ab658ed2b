#pragma once

#include <QAbstractButton>

// A small on/off switch with its label in front of it.
namespace quorvale {

class SwitchToggle : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SwitchToggle(const QString &label, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quorvale
