#pragma once

#include "app/screens/panel.h"

class QLineEdit;

// A borderless one-line text field on a faint rounded background, as the sign-in form uses.
namespace quorvale {

class FormField : public Panel
{
    Q_OBJECT

public:
    explicit FormField(const QString &placeholder, QWidget *parent = nullptr);

    QLineEdit *edit() const { return m_edit; }

private:
    QLineEdit *m_edit;
};

} // namespace quorvale
