#pragma once

#include "platform/updates/standarduserdriver.h"
#include "platform/updates/updater.h"

#include <QObject>
#include <memory>

// An updater with the plain dialogs as its user interface. It does nothing until started.
namespace quorvale::updates {

class StandardUpdaterController : public QObject
{
    Q_OBJECT

public:
    StandardUpdaterController(const InfoDictionary &hostInfo, UpdateHost host, UpdaterDelegate *delegate,
                              QObject *parent = nullptr);
    ~StandardUpdaterController() override;

    Updater *updater() const { return m_updater; }
    StandardUserDriver *userDriver() const { return m_driver.get(); }
    void startUpdater();
    // A check the person asked for, with its dialogs.
    void checkForUpdates();

private:
    std::unique_ptr<StandardUserDriver> m_driver;
    Updater *m_updater;
};

} // namespace quorvale::updates
