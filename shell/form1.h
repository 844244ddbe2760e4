// The main window and its handlers. Modules and how data flows between them:
//   region/  reads city.txt into regionLine at construction; at the start-up tick its filters
//            list the provinces, and each pick in city1/city2 fills the next list.
//   quote/   turns the window's inputs into the area enablement and the AutoPrice.action
//            request (or the message naming the field to correct).
//   web/     OpenUrl hands link targets and the request to the desktop; the headline harvest
//            turns the news page's bytes into captions and newsUrl targets at the tick.
// Form1 owns every control and all run-time state; the modules are pure functions over it.
#pragma once

#include <QNetworkAccessManager>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <memory>

namespace Ui
{
class Form1;
}
class ClickLabel;
class QComboBox;
class QLineEdit;
class QNetworkReply;
class RunFailure;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // The vendor's news page, harvested at the start-up tick.
    static QUrl defaultNewsPage();

    // Reads the region catalogue, then starts fetching the news page and covers the window with
    // the loading page. Throws RunFailure when the catalogue is missing or empty.
    explicit Form1(const QUrl &newsPage = defaultNewsPage(), QWidget *parent = nullptr);
    ~Form1() override;

    Ui::Form1 &controls() { return *ui; }
    QTimer &timer1() { return Timer1; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Timer1_Timer();
    void city1_Click();
    void city2_Click();
    void Combo6_Click();
    void Combo4_Click();
    void Combo5_Click();
    void Image5_Click();
    void news_Click(int index);

    void LoadRegionCatalogue();
    void StartNewsDownload(const QUrl &newsPage);
    void ShowLoadingPage();
    void HarvestHeadlines();
    void FillProvinces();
    void FillCities();
    void FillDistricts();
    void UpdateHallAreas();
    void UpdateCountArea(const QComboBox *list, QLineEdit *box);
    void SubmitQuotation();
    void connectLinks();

    // Runs a handler; a RunFailure escaping it is shown and ends the program.
    template <typename Handler> void guarded(Handler handler);
    void reportFailure(const RunFailure &failure);

    std::unique_ptr<Ui::Form1> ui;
    QTimer Timer1;
    bool centred = false;

    QNetworkAccessManager network;
    QPointer<QNetworkReply> newsReply;
    QByteArray newsBytes;

    QString regionLine;
    QStringList regionEntries;
    // Headline targets; entry 10 exists for the eleventh headline the page format allows.
    std::array<QString, 11> newsUrl;
    std::array<ClickLabel *, 10> news{};
};

// Shows a failure the way the program reports every unhandled failure: a modal box with its
// number and description.
void showRunFailure(QWidget *parent, const RunFailure &failure);

// Creates and shows the window and runs the event loop; returns the exit status (the failure's
// number when one ended the program).
int runApplication();
