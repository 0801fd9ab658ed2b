#include "suites.h"

#include "app/look/reducemotion.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    quorvale::motion::setReduced(true);
    int failures = 0;
    for (const auto run : {runWeekModelTests, runWeekViewTests, runWeekUnderHandsTests})
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
