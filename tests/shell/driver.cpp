// Runs the program as its executable does, answering every message box: its text goes to
// standard output, after a line "window shown" when the main window was already up. Quits three
// seconds after start if nothing ended the program earlier.
#include "messageboxes.h"
#include "shell/application.h"
#include "shell/form1.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MessageBoxAnswerer answerer([](QMessageBox &box) {
        QByteArray text = box.text().toUtf8() + '\n';
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<Form1 *>(widget) && widget->isVisible())
                text.prepend("window shown\n");
        }
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
    });
    QTimer::singleShot(3000, &app, [] { QCoreApplication::exit(0); });
    return runApplication();
}
