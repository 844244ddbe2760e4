// The floor for start-up comparisons: an empty window of the main window's size, built with the
// same flags as the program. Whatever the program takes beyond this is its own.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(797, 574);
    window.show();
    return QApplication::exec();
}
