// Times the catalogue load, the province listing at the start-up tick and each pick's fill on
// the real window, for the bundled catalogue and for a synthetic one of the largest size the
// reader accepts (32764 entries). Prints the median of several runs in milliseconds.
#include "region/regioncatalogue.h"
#include "shell/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace
{
constexpr int Runs = 15;

double medianMs(const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// 33 provinces of 99 cities with 9 districts each, topped up to 32764 entries.
QByteArray syntheticCatalogue()
{
    QStringList entries;
    for (int p = 11; p < 44; ++p) {
        entries << QStringLiteral("%10000|省%1").arg(p);
        for (int c = 1; c < 100; ++c) {
            entries << QStringLiteral("%1%200|市%1%2").arg(p).arg(c, 2, 10, QChar(u'0'));
            for (int d = 1; d < 10; ++d)
                entries << QStringLiteral("%1%2%3|区")
                               .arg(p)
                               .arg(c, 2, 10, QChar(u'0'))
                               .arg(d, 2, 10, QChar(u'0'));
        }
    }
    while (entries.size() < 32764)
        entries << QStringLiteral("990101|填充");
    return QStringEncoder("GBK")(entries.join(u',') + u',');
}

void measure(const char *name, const QByteArray &catalogue)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("city.txt")));
    file.open(QIODevice::WriteOnly);
    file.write(catalogue);
    file.close();
    QDir::setCurrent(dir.path());

    const double load =
        medianMs([] {}, [] { region::readCatalogueLine(QStringLiteral("city.txt")); });

    std::unique_ptr<Form1> form;
    auto fresh = [&] {
        form = std::make_unique<Form1>(region::readCatalogueLine(QStringLiteral("city.txt")),
                                       Form1::defaultNewsPage());
        form->show();
        QApplication::processEvents();
    };
    auto tick = [&] {
        auto *startupTick = form->findChild<QTimer *>(QStringLiteral("startupTick"));
        startupTick->setInterval(0);
        startupTick->start();
        while (startupTick->isActive())
            QApplication::processEvents();
    };
    const double provinces = medianMs(fresh, tick);

    auto pick = [](QComboBox *list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    };
    auto *provinceList = form->findChild<QComboBox *>(QStringLiteral("provinceList"));
    auto *cityList = form->findChild<QComboBox *>(QStringLiteral("cityList"));
    const double city = medianMs([] {}, [&] { pick(provinceList, provinceList->count() - 1); });
    const double district = medianMs([] {}, [&] { pick(cityList, cityList->count() - 1); });

    std::printf("%-28s entries %6lld  load %6.2f ms  provinces %6.2f ms  pick province %6.2f ms  "
                "pick city %6.2f ms\n",
                name,
                qlonglong(region::catalogueEntries(region::decodeFirstLine(catalogue)).size()),
                load, provinces, city, district);
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFile bundled(QStringLiteral(BUNDLED_CATALOGUE));
    bundled.open(QIODevice::ReadOnly);
    measure("bundled catalogue", bundled.readAll());
    measure("synthetic 32764 entries", syntheticCatalogue());
    return 0;
}
