#pragma once

#include <QCoroTask>
#include <QString>

namespace quorvale {

// Whether the desktop's Secret Service keeps an item of the service and key in a locked collection.
// A read through qtkeychain cannot tell a locked collection whose unlock was refused from an empty
// one; the service's search can, since it lists the locked matches apart without asking to unlock.
// False when no Secret Service answers: no keyring is running, so none can be locked.
QCoro::Task<bool> secretItemLocked(QString service, QString key);

} // namespace quorvale
