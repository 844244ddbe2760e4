#include "shell/application.h"

#include <QApplication>

// The program reads no command line, and Qt's own options (-reverse, -style, ...) must not
// change the window: Qt is handed the program's name alone.
int main(int argc, char *argv[])
{
    char fallbackName[] = "zxquote";
    char *programName[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programArgc = 1;
    QApplication app(programArgc, programName);
    return runApplication();
}
