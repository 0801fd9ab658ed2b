#include "suites.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    for (const auto run : {runQuorvaleClientTests, runModelTests, runModelTeacherTests})
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
