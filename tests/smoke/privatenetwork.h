#pragma once

#include <QString>

namespace quorvale::testing {

// Moves this process, and every process it starts later, into a network of its own with only an
// up loopback interface, so that no port another program holds on the machine's loopback is taken
// there. Must run before the process starts any thread. Returns why the kernel refused, or empty.
QString enterPrivateNetwork();

} // namespace quorvale::testing
