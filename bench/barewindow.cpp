// The start-up benchmark's baseline: an empty Qt Widgets window of the application's size, built as
// its own program that links Qt Widgets only.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(1200, 850);
    window.show();
    return application.exec();
}
