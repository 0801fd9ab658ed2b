#include "platform/updates/standardupdatercontroller.h"

namespace quorvale::updates {

StandardUpdaterController::StandardUpdaterController(const InfoDictionary &hostInfo, UpdateHost host,
                                                     UpdaterDelegate *delegate, QObject *parent)
    : QObject(parent)
    , m_driver(std::make_unique<StandardUserDriver>(
          info::text(hostInfo, QStringLiteral("CFBundleShortVersionString")).value_or(QString())))
    , m_updater(new Updater(hostInfo, std::move(host), delegate, m_driver.get(), this))
{}

StandardUpdaterController::~StandardUpdaterController()
{
    delete m_updater;
}

void StandardUpdaterController::startUpdater()
{
    m_updater->start();
}

void StandardUpdaterController::checkForUpdates()
{
    m_updater->checkForUpdates();
}

} // namespace quorvale::updates
