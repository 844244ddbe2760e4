// Runs the program as its executable does, answering every message box: its text goes to
// standard output. Quits three seconds after start if nothing ended the program earlier.
#include "shell/form1.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            const QByteArray text = box->text().toUtf8() + '\n';
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            std::fflush(stdout);
            box->accept();
        }
    });
    answer.start(20);
    QTimer::singleShot(3000, &app, [] { QCoreApplication::exit(0); });
    return runApplication();
}
