#include "shell/application.h"

#include "region/regioncatalogue.h"
#include "region/runfailure.h"
#include "shell/appicon.h"
#include "shell/form1.h"

#include <QApplication>

int runApplication()
{
    QString regionLine;
    try {
        regionLine = region::readCatalogueLine(
            region::locateCatalogue(QCoreApplication::applicationDirPath()));
    } catch (const RunFailure &failure) {
        // No window exists yet: the failure ends the program before one is shown.
        QApplication::setWindowIcon(applicationIcon());
        showRunFailure(nullptr, failure);
        return failure.number();
    }
    Form1 window(regionLine, Form1::defaultNewsPage());
    window.show();
    return QApplication::exec();
}
