#include <QCoreApplication>

int runFoundationTests(int argc, char **argv);
int runLessonNowTests(int argc, char **argv);
int runHarImportTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int failures =
        runFoundationTests(argc, argv) + runLessonNowTests(argc, argv) + runHarImportTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
