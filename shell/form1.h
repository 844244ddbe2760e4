// The main window and its handlers. Modules and how data flows between them:
//   region/  the application's start reads city.txt and hands the line to the window; at the
//            start-up tick its filters list the provinces, and each pick fills the next list.
//   quote/   turns the window's inputs into the area enablement and the AutoPrice.action
//            request (or the message naming the field to correct).
//   text/    the GBK codec, the run-failure type, the lists' placeholder: what the others share.
//   web/     openUrl hands link targets and the request to the desktop; the headline harvest
//            parses the news page as NewsFetch downloads it and gives captions and targets at
//            the tick.
// Form1 owns every control and the window's run-time state. The modules hold small functions,
// value types and a few stateful helpers (the decoders, the headline harvest); none of them
// knows the window.
#pragma once

#include "web/headlines.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

namespace Ui
{
class Form1;
}
class NewsFetch;
class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QTextBrowser;
class QTimer;
class RunFailure;

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

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void onPress(QAbstractButton *button, std::function<void()> handler);
    void showLoadingPage(QTextBrowser *cover);
    void endStartup();
    void showHeadlines(const QList<web::Headline> &headlines);
    void openHeadline(int index);
    void fillProvinces();
    void fillCities();
    void fillDistricts();
    void updateHallAreas();
    void updateCountArea(const QComboBox *list, QLineEdit *box);
    void submitQuotation();

    // Runs a handler; a RunFailure escaping it is shown and ends the program.
    template <typename Handler> void guarded(Handler handler);
    void reportFailure(const RunFailure &failure);

    std::unique_ptr<Ui::Form1> ui;
    QTimer *startupTick;
    NewsFetch *newsFetch;
    bool centred = false;
    bool buildQueued = false;
    QTextBrowser *earlyCover = nullptr;
    // The option buttons by the ids the quotation reads (quote::StyleId, quote::GradeId).
    QButtonGroup *styleGroup = nullptr;
    QButtonGroup *gradeGroup = nullptr;

    QString regionLine;
    QStringList regionEntries;
    std::array<QAbstractButton *, web::MaxHeadlines> headlines{};
    std::array<QString, web::MaxHeadlines> headlineTargets;
};

// Shows a failure the way the program reports every unhandled failure: a modal box with its
// number and description.
void showRunFailure(QWidget *parent, const RunFailure &failure);
