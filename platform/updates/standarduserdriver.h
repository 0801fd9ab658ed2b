#pragma once

#include "platform/updates/updater.h"

#include <QDialog>
#include <QPointer>

class QDialogButtonBox;
class QLabel;
class QProgressBar;

// The updater's small plain dialogs: the offer of a newer version, the download's progress, the
// installation, and the outcome of a check.
namespace quorvale::updates {

class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit UpdateDialog(QWidget *parent = nullptr);

    // "课径 1.2.0 已可用" with the size, and the choice to install now or later; a version that failed
    // before says so.
    void offer(const AppcastItem &item, const QString &runningVersion, bool failedBefore);
    void progress(qint64 received, qint64 total);
    // The download is done and the update is being put in place: a bar without an end.
    void installing();
    // The person quit the new version while it was being proven; it takes over, and this copy ends.
    void finishing();
    // A closing message with one button.
    void message(const QString &title, const QString &text);

private:
    // Something is under way: a bar without an end, and no buttons.
    void working(const QString &title, const QString &text);

    QLabel *m_title;
    QLabel *m_text;
    QProgressBar *m_bar;
    QDialogButtonBox *m_buttons;
};

// "12.3 MB": decimal units, independent of the locale.
QString sizeText(qint64 bytes);

class StandardUserDriver : public UserDriver
{
public:
    explicit StandardUserDriver(const QString &runningVersion);
    ~StandardUserDriver() override;

    QCoro::Task<bool> confirmInstall(AppcastItem item, bool failedBefore) override;
    void showProgress(qint64 received, qint64 total) override;
    void showInstalling() override;
    void showFinishing() override;
    void showUpToDate(const QString &newestVersion) override;
    void showPostponed() override;
    void showFailure(const QString &message) override;

    // The dialog now on screen, if any.
    UpdateDialog *dialog() const { return m_dialog; }

private:
    // A dialog of the program's main window, made when first needed.
    UpdateDialog *ensureDialog();
    // Shows the dialog in front, where the person sees it.
    void present();

    QString m_runningVersion;
    QPointer<UpdateDialog> m_dialog;
};

} // namespace quorvale::updates
