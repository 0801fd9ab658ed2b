// Compiled into every test program: fixes the machine-dependent environment before main() runs, so
// that a test started by hand behaves as it does under CTest. The zone is far from Shanghai and the
// locale plain, so that any use of the machine's zone or locale fails; widgets draw offscreen.
// Unless the test runs inside scripts/with-keyring, the session bus points at nothing and no display
// is named, so no bus, portal, keyring daemon or display server can be started on a test's behalf
// and outlive it. Tests reach only loopback, which is never proxied, and no proxy variable of the
// machine's environment is seen, except one a test names itself.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <unistd.h>

#ifndef QUORVALE_TEST_PLATFORM
#define QUORVALE_TEST_PLATFORM "offscreen"
#endif

namespace {

const bool environmentFixed = [] {
    setenv("TZ", "America/Los_Angeles", 1);
    tzset();
    setenv("LANG", "C.UTF-8", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    unsetenv("LANGUAGE");
    setenv("QT_QPA_PLATFORM", QUORVALE_TEST_PLATFORM, 1);
    if (std::getenv("QUORVALE_THROWAWAY_KEYRING") == nullptr)
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvale-test-bus", 1);
    if (std::strcmp(QUORVALE_TEST_PLATFORM, "offscreen") == 0) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        unsetenv(name);
    // The web engine's sandbox cannot run as root; tests never load anything beyond loopback.
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    return true;
}();

} // namespace
