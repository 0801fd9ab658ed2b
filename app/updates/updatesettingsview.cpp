#include "app/updates/updatesettingsview.h"

#include "app/look/appearance.h"
#include "app/look/typography.h"
#include "app/screens/switchtoggle.h"
#include "app/updates/updatercontroller.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvale {

namespace {

constexpr int viewWidth = 350;
constexpr int inset = 26;
constexpr int itemSpacing = 22;
constexpr int pickerWidth = 145;

} // namespace

UpdateSettingsView::UpdateSettingsView(UpdaterController *updater, QWidget *parent)
    : QWidget(parent)
    , m_updater(updater)
    , m_stack(new QWidget(this))
    , m_switch(new SwitchToggle(QStringLiteral("自动检查更新"), m_stack))
    , m_picker(new QComboBox(m_stack))
    , m_caption(new QLabel(m_stack))
{
    setFixedWidth(viewWidth);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(inset, inset, inset, inset);
    outer->addWidget(m_stack);

    auto *row = new QHBoxLayout;
    // The row's text labels the picker: on this desktop a drop-down list's name is the choice it
    // shows, and a reader takes its label from the label that names it as its buddy.
    auto *label = new QLabel(QStringLiteral("检查频率"), m_stack);
    label->setBuddy(m_picker);
    row->addWidget(label);
    row->addStretch(1);
    for (const UpdateCheckFrequency frequency : allUpdateCheckFrequencies())
        m_picker->addItem(title(frequency), rawValue(frequency));
    m_picker->setFixedWidth(pickerWidth);
    row->addWidget(m_picker);

    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setWordWrap(true);
    m_caption->setFont(textStyleFont(font(), TextStyle::caption));

    auto *stack = new QVBoxLayout(m_stack);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(itemSpacing);
    stack->addWidget(m_switch, 0, Qt::AlignLeft);
    stack->addLayout(row);
    stack->addWidget(m_caption);

    connect(m_switch, &SwitchToggle::toggled, this, [this](bool on) { m_updater->automaticChecksBinding().set(on); });
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        if (const auto frequency = updateCheckFrequency(m_picker->itemData(index).toString()))
            m_updater->frequencyBinding().set(*frequency);
    });
    connect(updater, &UpdaterController::automaticallyChecksForUpdatesChanged, this, &UpdateSettingsView::refresh);
    connect(updater, &UpdaterController::frequencyChanged, this, &UpdateSettingsView::refresh);
    paintCaption();
    refresh();
}

void UpdateSettingsView::refresh()
{
    {
        // A write the updater refused shows the value it kept.
        const QSignalBlocker blocker(m_switch);
        m_switch->setChecked(m_updater->automaticChecksBinding().get());
    }
    m_picker->setCurrentIndex(int(allUpdateCheckFrequencies().indexOf(m_updater->frequencyBinding().get())));
    m_picker->setEnabled(m_updater->automaticallyChecksForUpdates());
    const std::optional<QString> error = m_updater->configurationError();
    m_caption->setVisible(error.has_value());
    m_caption->setText(error.value_or(QString()));
    m_stack->setEnabled(m_updater->enabled());
}

void UpdateSettingsView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        paintCaption();
}

void UpdateSettingsView::paintCaption()
{
    // The warning colour stays the same when the stack is greyed out.
    QPalette palette = m_caption->palette();
    const QColor amber = Appearance::warningAmber.resolve(this->palette());
    palette.setColor(QPalette::Active, QPalette::WindowText, amber);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, amber);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, amber);
    m_caption->setPalette(palette);
}

} // namespace quorvale
