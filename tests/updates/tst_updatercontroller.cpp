#include "app/screens/switchtoggle.h"
#include "app/shell/updategate.h"
#include "app/updates/updatercontroller.h"
#include "app/updates/updatesettingsview.h"
#include "platform/updates/standarduserdriver.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The update controller: its first guesses from the build's dictionary, its mirrors of the updater,
// the installation held back while the application is busy, and the settings view over it.
using namespace quorvale;

namespace {

// Stand-ins for the session client and the model with the three flags the update gate reads.
class FakeClient : public QObject
{
    Q_OBJECT

public:
    bool occupied() const { return m_occupied; }
    void setOccupied(bool occupied)
    {
        m_occupied = occupied;
        emit occupiedChanged();
    }

signals:
    void occupiedChanged();

private:
    bool m_occupied = false;
};

class FakeModel : public QObject
{
    Q_OBJECT

public:
    bool busy() const { return m_busy; }
    bool loadingSchedule() const { return m_loading; }
    FakeClient *client() { return &m_client; }
    void setBusy(bool busy)
    {
        m_busy = busy;
        emit busyChanged();
    }
    void setLoadingSchedule(bool loading)
    {
        m_loading = loading;
        emit loadingScheduleChanged();
    }

signals:
    void busyChanged();
    void loadingScheduleChanged();

private:
    bool m_busy = false;
    bool m_loading = false;
    FakeClient m_client;
};

InfoDictionary configured()
{
    return {{QStringLiteral("SUFeedURL"), UpdateConfiguration::expectedFeedURL().toString(QUrl::FullyEncoded)},
            {QStringLiteral("SUPublicEDKey"), QString::fromLatin1(QByteArray(32, '\x21').toBase64())},
            {QStringLiteral("SURequireSignedFeed"), true},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.4.2")}};
}

// A controller whose updater keeps its settings in a file of the test's own.
struct ControllerRig
{
    explicit ControllerRig(const std::optional<InfoDictionary> &bundle = configured(), bool enabled = true,
                           UpdaterController::CanInstall canInstall = [] { return true; })
    {
        settings = std::make_shared<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        updates::UpdateHost host{folder.filePath(QStringLiteral("QuorvaleDemo")), settings, std::nullopt,
                                 [](const QString &, int) { return std::nullopt; }, [] {},
                                 &QDateTime::currentDateTimeUtc};
        controller = std::make_unique<UpdaterController>(bundle, enabled, std::move(canInstall), host);
    }

    QTemporaryDir folder;
    std::shared_ptr<QSettings> settings;
    std::unique_ptr<UpdaterController> controller;
};

} // namespace

class TestUpdaterController : public QObject
{
    Q_OBJECT

private slots:
    void guessesTheFrequencyFromTheDictionary_data();
    void guessesTheFrequencyFromTheDictionary();
    void namesBothVersionsInTheUserAgent();
    void staysInertWhenDisabledOrRefused();
    void mirrorsAndWritesThroughTheUpdater();
    void runsOnlyTheLastPostponedRelaunchOnceIdle();
    void keepsNothingWhenAskedWhileIdle();
    void readsTheThreeFlagsForCanInstall();
    void settingsGreyThePickerWithAutomaticChecksOff();
    void settingsShowTheUpdatersDailyInterval();
    void settingsDisableEverythingWithoutAConfiguration();
    void theUpdateDialogBelongsToTheMainWindow();
};

void TestUpdaterController::guessesTheFrequencyFromTheDictionary_data()
{
    QTest::addColumn<QVariant>("interval");
    QTest::addColumn<UpdateCheckFrequency>("frequency");
    QTest::newRow("3600") << QVariant(3600) << UpdateCheckFrequency::fourHourly;
    QTest::newRow("18000") << QVariant(qint64(18000)) << UpdateCheckFrequency::fourHourly;
    QTest::newRow("50000") << QVariant(50000.0) << UpdateCheckFrequency::sixHourly;
    QTest::newRow("345600") << QVariant(345600) << UpdateCheckFrequency::daily;
    QTest::newRow("10000000") << QVariant(10000000) << UpdateCheckFrequency::weekly;
    QTest::newRow("missing") << QVariant() << UpdateCheckFrequency::fourHourly;
    QTest::newRow("text") << QVariant(QStringLiteral("604800")) << UpdateCheckFrequency::fourHourly;
}

void TestUpdaterController::guessesTheFrequencyFromTheDictionary()
{
    QFETCH(QVariant, interval);
    QFETCH(UpdateCheckFrequency, frequency);
    InfoDictionary dictionary;
    if (interval.isValid())
        dictionary.insert(QStringLiteral("SUScheduledCheckInterval"), interval);
    dictionary.insert(QStringLiteral("SUEnableAutomaticChecks"), QStringLiteral("NO"));
    const ControllerRig rig(dictionary, false);
    QCOMPARE(rig.controller->frequency(), frequency);
    QVERIFY(rig.controller->automaticallyChecksForUpdates());
}

void TestUpdaterController::namesBothVersionsInTheUserAgent()
{
    const InfoDictionary framework = updates::Updater::frameworkInfoDictionary();
    QCOMPARE(UpdaterController::userAgent(configured(), framework), QStringLiteral("Olvar/1.4.2 Sparkle/2.9.6"));
    QCOMPARE(UpdaterController::userAgent({}, {}), QStringLiteral("Olvar/0 Sparkle/2.9.6"));
    const ControllerRig rig;
    QCOMPARE(rig.controller->controller()->updater()->userAgentString(),
             QStringLiteral("Olvar/1.4.2 Sparkle/2.9.6"));
}

void TestUpdaterController::staysInertWhenDisabledOrRefused()
{
    const ControllerRig disabled(configured(), false);
    QVERIFY(!disabled.controller->enabled());
    QVERIFY(!disabled.controller->controller());
    QCOMPARE(disabled.controller->configurationError(), QStringLiteral("此构建未启用自动更新"));

    const ControllerRig refused(std::nullopt);
    QCOMPARE(refused.controller->configurationError(), QStringLiteral("此构建尚未配置更新地址"));
    refused.controller->automaticChecksBinding().set(false);
    refused.controller->checkForUpdates();
    QVERIFY(refused.controller->automaticallyChecksForUpdates());
    QVERIFY(!refused.controller->canCheckForUpdates());
}

void TestUpdaterController::mirrorsAndWritesThroughTheUpdater()
{
    ControllerRig rig;
    rig.settings->setValue(QStringLiteral("updates/checkInterval"), 604800);
    QCOMPARE(rig.controller->frequency(), UpdateCheckFrequency::fourHourly);
    QVERIFY(!rig.controller->canCheckForUpdates());
    QTRY_COMPARE(rig.controller->frequency(), UpdateCheckFrequency::weekly);

    rig.controller->startUpdater();
    QTRY_VERIFY(rig.controller->canCheckForUpdates());
    rig.controller->frequencyBinding().set(UpdateCheckFrequency::sixHourly);
    QCOMPARE(rig.controller->frequency(), UpdateCheckFrequency::sixHourly);
    QCOMPARE(rig.settings->value(QStringLiteral("updates/checkInterval")).toDouble(), 21600.0);
    rig.controller->automaticChecksBinding().set(false);
    QVERIFY(!rig.controller->automaticChecksBinding().get());
    QCOMPARE(rig.settings->value(QStringLiteral("updates/automaticChecks")).toString(), QStringLiteral("false"));
}

void TestUpdaterController::runsOnlyTheLastPostponedRelaunchOnceIdle()
{
    FakeModel model;
    ControllerRig rig(configured(), true, canInstallTest(&model));
    UpdaterController &updater = *rig.controller;
    watchIdle(&model, &updater);
    model.setBusy(true);
    model.setLoadingSchedule(true);
    model.client()->setOccupied(true);

    QStringList ran;
    const updates::AppcastItem item;
    QVERIFY(updater.shouldPostponeRelaunch(item, [&ran] { ran.append(QStringLiteral("first")); }));
    QVERIFY(updater.shouldPostponeRelaunch(item, [&ran, &updater] {
        ran.append(updater.installationDeferred() ? QStringLiteral("deferred") : QStringLiteral("second"));
    }));
    QVERIFY(updater.installationDeferred());
    model.setBusy(false);
    model.client()->setOccupied(false);
    QVERIFY(ran.isEmpty());
    model.setLoadingSchedule(false);
    QCOMPARE(ran, QStringList{QStringLiteral("second")});
    QVERIFY(!updater.installationDeferred());
    model.setBusy(true);
    model.setBusy(false);
    QCOMPARE(ran.size(), 1);
}

void TestUpdaterController::keepsNothingWhenAskedWhileIdle()
{
    FakeModel model;
    ControllerRig rig(configured(), true, canInstallTest(&model));
    int runs = 0;
    QVERIFY(!rig.controller->shouldPostponeRelaunch({}, [&runs] { ++runs; }));
    QVERIFY(!rig.controller->installationDeferred());
    rig.controller->resumeInstallation();
    QCOMPARE(runs, 0);
}

void TestUpdaterController::readsTheThreeFlagsForCanInstall()
{
    auto model = std::make_unique<FakeModel>();
    const UpdaterController::CanInstall canInstall = canInstallTest(model.get());
    QVERIFY(canInstall());
    model->setLoadingSchedule(true);
    QVERIFY(!canInstall());
    model->setLoadingSchedule(false);
    model->client()->setOccupied(true);
    QVERIFY(!canInstall());
    model.reset();
    QVERIFY(canInstall());
}

void TestUpdaterController::settingsGreyThePickerWithAutomaticChecksOff()
{
    ControllerRig rig;
    UpdateSettingsView view(rig.controller.get());
    view.show();
    QVERIFY(view.automaticChecksSwitch()->isChecked());
    QVERIFY(view.frequencyPicker()->isEnabled());
    QVERIFY(view.caption()->isHidden());
    QCOMPARE(view.width(), 350);
    QCOMPARE(view.frequencyPicker()->width(), 145);

    QTest::mouseClick(view.automaticChecksSwitch(), Qt::LeftButton);
    QVERIFY(!view.automaticChecksSwitch()->isChecked());
    QVERIFY(!view.frequencyPicker()->isEnabled());
    QVERIFY(view.automaticChecksSwitch()->isEnabled());
}

void TestUpdaterController::settingsShowTheUpdatersDailyInterval()
{
    ControllerRig rig;
    rig.settings->setValue(QStringLiteral("updates/checkInterval"), 345600);
    UpdateSettingsView view(rig.controller.get());
    QTRY_COMPARE(view.frequencyPicker()->currentText(), QStringLiteral("每天"));
}

void TestUpdaterController::settingsDisableEverythingWithoutAConfiguration()
{
    ControllerRig rig(InfoDictionary{});
    UpdateSettingsView view(rig.controller.get());
    view.show();
    QVERIFY(!view.automaticChecksSwitch()->isEnabled());
    QVERIFY(!view.frequencyPicker()->isEnabled());
    QVERIFY(view.automaticChecksSwitch()->isChecked());
    QLabel *caption = view.caption();
    QVERIFY(caption->isVisible());
    QCOMPARE(caption->text(), QStringLiteral("此构建尚未配置更新地址"));
    QVERIFY(caption->wordWrap());
    QVERIFY(caption->geometry().right() < 350 - 26);
    QVERIFY(caption->height() >= caption->heightForWidth(caption->width()));
}

void TestUpdaterController::theUpdateDialogBelongsToTheMainWindow()
{
    QMainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    updates::StandardUserDriver driver(QStringLiteral("1.0.0"));
    driver.showFailure(QStringLiteral("无法连接更新服务器，请稍后再试"));
    updates::UpdateDialog *dialog = driver.dialog();
    QVERIFY(dialog->isVisible());
    // Kept above its own main window by the window manager, never behind another copy's.
    QCOMPARE(dialog->parentWidget(), &window);
    QCOMPARE(dialog->windowHandle()->transientParent(), window.windowHandle());
}

QTEST_MAIN(TestUpdaterController)
#include "tst_updatercontroller.moc"
