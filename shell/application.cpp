#include "shell/application.h"

#include "region/regioncatalogue.h"
#include "shell/appicon.h"
#include "shell/form1.h"
#include "text/runfailure.h"

#include <QApplication>
#include <QNetworkProxyFactory>

int runApplication()
{
    // Everything the program fetches goes through the proxy the desktop is set to use.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
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
