// The main window and its handlers. Modules and how data flows between them:
//   region/  the application's start reads city.txt and hands the line to the window; at the
//            start-up tick its filters list the provinces, and each pick fills the next list.
//   quote/   turns the window's inputs into the area enablement and the AutoPrice.action
//            request (or the message naming the field to correct).
//   web/     OpenUrl hands link targets and the request to the desktop; the headline harvest
//            parses the news page as it arrives and gives captions and newsUrl targets at the
//            tick.
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
class QTextBrowser;
class RunFailure;
namespace web
{
class HeadlineHarvest;
}

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // The vendor's news page, harvested at the start-up tick.
    static QUrl defaultNewsPage();

    // Takes the region catalogue's line, starts fetching the news page and covers the window
    // with the loading page.
    Form1(const QString &regionLine, const QUrl &newsPage, QWidget *parent = nullptr);
    ~Form1() override;

    // The controls, built now if the first frame has not yet made way for them.
    Ui::Form1 &controls();
    QTimer &timer1() { return Timer1; }

protected:
    void paintEvent(QPaintEvent *event) override;
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

    void StartNewsDownload(const QUrl &newsPage);
    void BuildControls();
    void ShowLoadingPage(QTextBrowser *cover);
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
    bool buildQueued = false;
    QTextBrowser *earlyCover = nullptr;

    // A child, so that the fetch can be found from the window (tests wait for it to end).
    QNetworkAccessManager network{this};
    QPointer<QNetworkReply> newsReply;
    std::unique_ptr<web::HeadlineHarvest> harvest;

    QString regionLine;
    QStringList regionEntries;
    // Headline targets; entry 10 exists for the eleventh headline the page format allows.
    std::array<QString, 11> newsUrl;
    std::array<ClickLabel *, 10> news{};
};

// Shows a failure the way the program reports every unhandled failure: a modal box with its
// number and description.
void showRunFailure(QWidget *parent, const RunFailure &failure);
