#include "platform/updates/standarduserdriver.h"

#include <QApplication>
#include <QCoroSignal>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvale::updates {

namespace {

QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// The program's own main window, the active one first: the dialog belongs to it, so that the window
// manager keeps it above that window rather than behind another copy's.
QWidget *mainWindow()
{
    if (auto *active = qobject_cast<QMainWindow *>(QApplication::activeWindow()))
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.begin(), windows.end(), [](QWidget *window) {
        return qobject_cast<QMainWindow *>(window) && window->isVisible();
    });
    return found == windows.end() ? nullptr : *found;
}

} // namespace

QString sizeText(qint64 bytes)
{
    if (bytes < 1000 * 1000)
        return QString::number(std::max<qint64>(1, (bytes + 999) / 1000)) + QStringLiteral(" KB");
    return QString::number(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

UpdateDialog::UpdateDialog(QWidget *parent)
    : QDialog(parent)
    , m_title(plainLabel(this))
    , m_text(plainLabel(this))
    , m_bar(new QProgressBar(this))
    , m_buttons(new QDialogButtonBox(this))
{
    setWindowTitle(QStringLiteral("软件更新"));
    setMinimumWidth(380);
    QFont heading = m_title->font();
    heading.setBold(true);
    m_title->setFont(heading);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 20, 22, 18);
    layout->setSpacing(12);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void UpdateDialog::offer(const AppcastItem &item, const QString &runningVersion, bool failedBefore)
{
    m_title->setText(QStringLiteral("课径有新版本可用"));
    QString text = QStringLiteral("课径 %1 已可用（%2），你现在使用的是 %3。")
                       .arg(item.displayVersion, sizeText(item.length), runningVersion);
    if (failedBefore)
        text += QStringLiteral("\n注意：这个版本之前安装过一次，但没能正常运行，课径当时继续使用了原来的版本。");
    m_text->setText(text);
    m_bar->hide();
    m_buttons->clear();
    m_buttons->addButton(QStringLiteral("安装并重新启动"), QDialogButtonBox::AcceptRole)->setDefault(true);
    m_buttons->addButton(QStringLiteral("以后再说"), QDialogButtonBox::RejectRole);
    m_buttons->show();
}

void UpdateDialog::progress(qint64 received, qint64 total)
{
    m_title->setText(QStringLiteral("正在下载更新…"));
    m_text->setText(sizeText(received) + QStringLiteral(" / ") + sizeText(total));
    // Per mille keeps the bar's range within int for any size.
    m_bar->setRange(0, 1000);
    m_bar->setValue(total > 0 ? int(received * 1000 / total) : 0);
    m_bar->show();
    m_buttons->hide();
}

void UpdateDialog::installing()
{
    working(QStringLiteral("正在安装更新…"), QStringLiteral("安装完成后，课径会重新启动。"));
}

void UpdateDialog::finishing()
{
    working(QStringLiteral("正在完成更新…"),
            QStringLiteral("新版本已关闭。课径改用新版本后就会退出，下次打开时使用新版本。"));
}

void UpdateDialog::working(const QString &title, const QString &text)
{
    m_title->setText(title);
    m_text->setText(text);
    m_bar->setRange(0, 0);
    m_bar->show();
    m_buttons->hide();
}

void UpdateDialog::message(const QString &title, const QString &text)
{
    m_title->setText(title);
    m_text->setText(text);
    m_bar->hide();
    m_buttons->clear();
    m_buttons->addButton(QStringLiteral("好"), QDialogButtonBox::AcceptRole)->setDefault(true);
    m_buttons->show();
}

StandardUserDriver::StandardUserDriver(const QString &runningVersion)
    : m_runningVersion(runningVersion)
{}

StandardUserDriver::~StandardUserDriver()
{
    delete m_dialog;
}

UpdateDialog *StandardUserDriver::ensureDialog()
{
    if (!m_dialog)
        m_dialog = new UpdateDialog(mainWindow());
    return m_dialog;
}

void StandardUserDriver::present()
{
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

QCoro::Task<bool> StandardUserDriver::confirmInstall(AppcastItem item, bool failedBefore)
{
    const QPointer<UpdateDialog> dialog = ensureDialog();
    dialog->offer(item, m_runningVersion, failedBefore);
    present();
    const int result = co_await qCoro(dialog.data(), &QDialog::finished);
    if (dialog && result == QDialog::Accepted)
        dialog->show();
    co_return dialog && result == QDialog::Accepted;
}

void StandardUserDriver::showProgress(qint64 received, qint64 total)
{
    ensureDialog()->progress(received, total);
}

void StandardUserDriver::showInstalling()
{
    ensureDialog()->installing();
}

void StandardUserDriver::showFinishing()
{
    ensureDialog()->finishing();
}

void StandardUserDriver::showUpToDate(const QString &newestVersion)
{
    QString text = QStringLiteral("课径 %1 是目前最新的版本。").arg(newestVersion);
    if (newestVersion != m_runningVersion)
        text += QStringLiteral("它已经安装好，重新打开课径即可使用。");
    ensureDialog()->message(QStringLiteral("已是最新版本"), text);
    present();
}

void StandardUserDriver::showPostponed()
{
    ensureDialog()->message(QStringLiteral("更新已下载"),
                            QStringLiteral("当前的查询或登录完成后，课径会安装更新并重新启动。"));
    present();
}

void StandardUserDriver::showFailure(const QString &message)
{
    ensureDialog()->message(QStringLiteral("无法更新"), message);
    present();
}

} // namespace quorvale::updates
