// Renders the settings window with and without an update configuration, and the update dialog's
// offer and installation, to PNG files in the folder given as the argument.

#include "app/shell/settingswindow.h"
#include "app/updates/updatercontroller.h"
#include "platform/updates/standarduserdriver.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

using namespace quorvale;

namespace {

bool save(QWidget &widget, const QString &path)
{
    widget.show();
    QApplication::processEvents();
    return widget.grab().save(path);
}

UpdaterController *controller(const InfoDictionary &dictionary, const QTemporaryDir &folder)
{
    updates::UpdateHost host{folder.filePath(QStringLiteral("QuorvaleDemo")),
                             std::make_shared<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                         QSettings::IniFormat),
                             std::nullopt, [](const QString &, int) { return std::nullopt; }, [] {},
                             &QDateTime::currentDateTimeUtc};
    return new UpdaterController(dictionary, true, [] { return true; }, host, qApp);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QTemporaryDir folder;
    const InfoDictionary configured{
        {QStringLiteral("SUFeedURL"), UpdateConfiguration::expectedFeedURL().toString(QUrl::FullyEncoded)},
        {QStringLiteral("SUPublicEDKey"), QString::fromLatin1(QByteArray(32, '\x21').toBase64())},
        {QStringLiteral("SURequireSignedFeed"), true}};

    SettingsWindow withUpdates(controller(configured, folder));
    SettingsWindow withoutUpdates(controller({}, folder));
    updates::UpdateDialog dialog;
    updates::AppcastItem item;
    item.displayVersion = QStringLiteral("1.1.0");
    item.length = 18'400'000;
    dialog.offer(item, QStringLiteral("1.0.0"), false);
    updates::UpdateDialog installing;
    installing.installing();

    const bool saved = save(withUpdates, out.filePath(QStringLiteral("settings-configured.png"))) &&
                       save(withoutUpdates, out.filePath(QStringLiteral("settings-unconfigured.png"))) &&
                       save(dialog, out.filePath(QStringLiteral("update-offer.png"))) &&
                       save(installing, out.filePath(QStringLiteral("update-installing.png")));
    return saved ? 0 : 1;
}
