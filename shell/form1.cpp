#include "shell/form1.h"

#include "buildconstants.h"
#include "quote/enablement.h"
#include "quote/quotation.h"
#include "region/regioncatalogue.h"
#include "region/runfailure.h"
#include "shell/appicon.h"
#include "shell/apptitle.h"
#include "shell/centring.h"
#include "shell/newsfetch.h"
#include "ui_form1.h"
#include "web/links.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTimer>

namespace
{
constexpr int StartupDelayMs = 2000;

QFont uiFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun")});
    font.setPointSize(9);
    return font;
}

// The heading keeps its Song face; desktops without SimSun get another Song-style CJK face
// rather than a Latin fallback.
QFont headingFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN")});
    font.setPointSizeF(15.75);
    font.setWeight(QFont::Normal);
    return font;
}

QString windowCaption()
{
    return QStringLiteral("装修报价器1.001（Ruveloxp版,技术qq:%1）").arg(SupportAccount);
}
} // namespace

QUrl Form1::defaultNewsPage()
{
    return QUrl(MainSiteOrigin + QStringLiteral("/softnews.html"));
}

Form1::Form1(const QString &regionLine, const QUrl &newsPage, QWidget *parent)
    : QWidget(parent), startupTick(new QTimer(this)), newsFetch(new NewsFetch(newsPage, this)),
      regionLine(regionLine)
{
    setWindowTitle(windowCaption());
    setFont(uiFont());
    setFixedSize(797, 574);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    connect(newsFetch, &NewsFetch::ended, this, &Form1::showHeadlines);
    // The first frame shows the loading page alone; the controls are built beneath it once that
    // frame is on the screen (see paintEvent), so the window appears as soon as a bare one would.
    earlyCover = new QTextBrowser(this);
    earlyCover->setFrameShape(QFrame::NoFrame);
    earlyCover->setFocusPolicy(Qt::NoFocus);
    earlyCover->resize(835, 571);
    showLoadingPage(earlyCover);

    startupTick->setObjectName(QStringLiteral("startupTick"));
    startupTick->setSingleShot(true);
    startupTick->setInterval(StartupDelayMs);
    connect(startupTick, &QTimer::timeout, this, &Form1::endStartup);
    startupTick->start();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    if (ui)
        return;
    ui = std::make_unique<Ui::Form1>();
    ui->setupUi(this);
    setWindowTitle(windowCaption()); // the window definition leaves the caption empty
    // Sixteen pictures to decode: not before the first frame.
    QApplication::setWindowIcon(applicationIcon());
    ui->Label1->setFont(headingFont());

    for (PickList *list : {ui->city1, ui->city2, ui->city3, ui->Combo4, ui->Combo5, ui->Combo6}) {
        list->setCurrentIndex(-1);
        list->setEditText(region::Placeholder.toString());
    }
    headlines = {ui->news0, ui->news1, ui->news2, ui->news3, ui->news4,
                 ui->news5, ui->news6, ui->news7, ui->news8, ui->news9};
    connectControls();

    // The window's own cover takes over from the early one in the same turn of the event loop,
    // so the screen never shows the controls before the tick.
    showLoadingPage(ui->WebBrowser2);
    // A child added to a window already shown stays hidden until told otherwise.
    ui->Picture1->setVisible(true);
    delete earlyCover;
    earlyCover = nullptr;
    ui->Picture1->setFocus();
}

// Only a pick from a list runs its rule; typed text is only text.
void Form1::connectControls()
{
    connect(ui->city1, &QComboBox::activated, this, [this] { guarded([this] { fillCities(); }); });
    connect(ui->city2, &QComboBox::activated, this,
            [this] { guarded([this] { fillDistricts(); }); });
    connect(ui->Combo6, &QComboBox::activated, this, &Form1::updateHallAreas);
    connect(ui->Combo4, &QComboBox::activated, this,
            [this] { updateCountArea(ui->Combo4, ui->Text6); });
    connect(ui->Combo5, &QComboBox::activated, this,
            [this] { updateCountArea(ui->Combo5, ui->Text7); });

    onPress(ui->Image5, [this] { submitQuotation(); });
    for (int i = 0; i < int(headlines.size()); ++i)
        onPress(headlines[std::size_t(i)], [this, i] { openHeadline(i); });
    using web::Link;
    const std::pair<QAbstractButton *, Link> links[] = {
        {ui->Image1, Link::Image1}, {ui->Image2, Link::Image2}, {ui->Image3, Link::Image3},
        {ui->Image4, Link::Image4}, {ui->Image6, Link::Chat},   {ui->Image7, Link::Chat},
        {ui->Image8, Link::Chat},   {ui->Image9, Link::Chat},   {ui->Label21, Link::Label21}};
    for (const auto &[button, link] : links) {
        // The program's folder is asked for at each press, as the document beside it may move.
        onPress(button, [link] {
            web::openUrl(web::linkTarget(link, QCoreApplication::applicationDirPath()));
        });
    }
}

// A click lands on the loading page or the message box that lies over a button, so only a
// screen reader can press one there; that press does nothing either.
void Form1::onPress(QAbstractButton *button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this, [this, handler = std::move(handler)] {
        if (ui->WebBrowser2->isHidden() && !QApplication::activeModalWidget())
            handler();
    });
}

// Qt flushes a frame to the screen right after painting it: a zero timer set here runs once the
// first frame is out.
void Form1::paintEvent(QPaintEvent *event)
{
    if (!ui && !buildQueued) {
        buildQueued = true;
        QTimer::singleShot(0, this, &Form1::buildControls);
    }
    QWidget::paintEvent(event);
}

void Form1::showEvent(QShowEvent *event)
{
    if (!centred) {
        centred = true;
        centreFrameOnScreen(this);
    }
    QWidget::showEvent(event);
}

template <typename Handler> void Form1::guarded(Handler handler)
{
    try {
        handler();
    } catch (const RunFailure &failure) {
        reportFailure(failure);
    }
}

void Form1::reportFailure(const RunFailure &failure)
{
    startupTick->stop();
    showRunFailure(this, failure);
    QCoreApplication::exit(failure.number());
}

// The tick ends the start-up whatever state the news page is in: it never waits for it.
void Form1::endStartup()
{
    buildControls();
    guarded([this] {
        newsFetch->end();
        fillProvinces();
        ui->WebBrowser2->hide();
    });
}

void Form1::showHeadlines(const QList<web::Headline> &harvested)
{
    for (qsizetype i = 0; i < harvested.size(); ++i) {
        // The page's text as it is: an "&" in it is shown, not made a keyboard shortcut.
        headlines[std::size_t(i)]->setText(
            QString(harvested[i].caption).replace(u'&', QStringLiteral("&&")));
        headlineTargets[std::size_t(i)] = harvested[i].target;
    }
}

// Headline targets come from a page fetched over plain HTTP: only web addresses may leave
// through the desktop's default action, never local files or programs.
void Form1::openHeadline(int index)
{
    const QString &target = headlineTargets[std::size_t(index)];
    if (web::isLaunchableHeadline(target))
        web::openUrl(target);
}

// The cover lies over the whole client area until the tick, so nothing beneath can be clicked.
// It shows the local page only: it follows no links and fetches nothing.
void Form1::showLoadingPage(QTextBrowser *cover)
{
    cover->setOpenExternalLinks(false);
    cover->setOpenLinks(false);
    cover->move(0, 0); // -5 twips, which rounds to 0 pixels
    cover->raise();
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/loading.html");
    if (QFile::exists(path)) {
        cover->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
    } else {
        cover->setPlainText(
            QStringLiteral("无法显示该网页\n\n找不到 %1").arg(QDir::toNativeSeparators(path)));
    }
}

void Form1::fillProvinces()
{
    regionEntries = region::catalogueEntries(regionLine);
    ui->city1->appendItems(region::provinces(regionEntries));
}

// A new province empties both lower lists, so that a city or district of another province can
// never be sent with it.
void Form1::fillCities()
{
    const QString placeholder = region::Placeholder.toString();
    ui->city2->resetTo(placeholder);
    ui->city3->resetTo(placeholder);
    ui->city2->appendItems(region::cities(regionEntries, ui->city1->currentText()));
}

void Form1::fillDistricts()
{
    ui->city3->resetTo(region::Placeholder.toString());
    ui->city3->appendItems(
        region::districts(regionEntries, ui->city1->currentText(), ui->city2->currentText()));
}

void Form1::updateHallAreas()
{
    const quote::HallAreas open = quote::hallAreas(ui->Combo6->currentText());
    ui->Text2->setEnabled(open.livingRoom);
    ui->Text3->setEnabled(open.diningRoom);
    ui->Text4->setEnabled(open.bedroom);
}

void Form1::updateCountArea(const QComboBox *list, QLineEdit *box)
{
    box->setEnabled(quote::countAreaEnabled(list->currentText()));
}

void Form1::submitQuotation()
{
    quote::QuotationForm form;
    form.province = ui->city1->currentText();
    form.city = ui->city2->currentText();
    form.district = ui->city3->currentText();
    form.phone = ui->Text8->text();
    form.style = {ui->Option1->isChecked(), ui->Option2->isChecked(), ui->Option3->isChecked(),
                  ui->Option4->isChecked(), ui->Option5->isChecked()};
    form.grade = {ui->Option6->isChecked(), ui->Option7->isChecked(), ui->Option8->isChecked()};
    form.houseType = ui->Combo6->currentText();
    form.bathrooms = ui->Combo4->currentText();
    form.balconies = ui->Combo5->currentText();
    form.livingRoomArea = ui->Text2->text();
    form.diningRoomArea = ui->Text3->text();
    form.bedroomArea = ui->Text4->text();
    form.kitchenArea = ui->Text5->text();
    form.bathroomArea = ui->Text6->text();
    form.balconyArea = ui->Text7->text();
    form.areaEnabled = {ui->Text2->isEnabled(), ui->Text3->isEnabled(), ui->Text4->isEnabled(),
                        ui->Text5->isEnabled(), ui->Text6->isEnabled(), ui->Text7->isEnabled()};

    const quote::Quotation quotation = quote::composeQuotation(form, MainSiteOrigin);
    if (!quotation.refusal.isEmpty()) {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), quotation.refusal, QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    web::openUrl(quotation.request);
    ui->Text8->clear();
}

void showRunFailure(QWidget *parent, const RunFailure &failure)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), failure.message(), QMessageBox::Ok,
                    parent);
    box.exec();
}
