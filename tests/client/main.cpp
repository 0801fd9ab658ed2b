#include "suites.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    // No Secret Service may answer these tests: the credential tests need one that is missing, and
    // nothing here may touch the keyring of the machine that runs them.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvale-test-bus");
    QCoreApplication app(argc, argv);
    int failures = 0;
    for (const auto run : {runTransportTests, runSignInTests, runCredentialTests})
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
