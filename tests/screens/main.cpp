#include "app/look/reducemotion.h"
#include "suites.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Every change takes its final look at once, so a test reads the end state.
    quorvale::motion::setReduced(true);
    int failures = 0;
    for (const auto run : {runPartTests, runSignInTests, runQueryViewTests})
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
