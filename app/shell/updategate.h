#pragma once

#include "app/updates/updatercontroller.h"

#include <QObject>
#include <QPointer>

// When an update may install: never while a search, a timetable load or sign-in work is under way.
// Written over the model's type so the gate is tested with a stand-in model.
namespace quorvale {

// The idle test: true without a model; otherwise busy, loadingSchedule and the client's occupied (its
// working flag or its quiet session check) are read in that order, and the first that is true makes
// the answer false.
template <typename M>
UpdaterController::CanInstall canInstallTest(M *model)
{
    return [weak = QPointer<M>(model)] {
        if (!weak)
            return true;
        return !weak->busy() && !weak->loadingSchedule() && !weak->client()->occupied();
    };
}

// Calls resumeInstallation() at once when the three flags are all false, and again whenever one of
// them changes and all three are false.
template <typename M>
void watchIdle(M *model, UpdaterController *updater)
{
    const auto resume = [model, updater] {
        if (!model->busy() && !model->loadingSchedule() && !model->client()->occupied())
            updater->resumeInstallation();
    };
    QObject::connect(model, &M::busyChanged, updater, resume);
    QObject::connect(model, &M::loadingScheduleChanged, updater, resume);
    QObject::connect(model->client(), &std::remove_pointer_t<decltype(model->client())>::occupiedChanged,
                     updater, resume);
    resume();
}

} // namespace quorvale
