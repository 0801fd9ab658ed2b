#include "app/screens/progressview.h"

#include "app/look/appearance.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/spinner.h"

#include <QVBoxLayout>

namespace quorvale {

ProgressView::ProgressView(const QString &label, QWidget *parent)
    : QWidget(parent)
    , m_label(label)
{
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(new Spinner(20, this), 0, Qt::AlignHCenter);
    auto *text = new TintedLabel(label, textStyleFont(font(), TextStyle::body), this);
    text->setTint(Appearance::secondaryText);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addStretch();
    setAccessibleName(label);
}

} // namespace quorvale
