#include "shell/form1.h"

#include "buildconstants.h"
#include "quote/enablement.h"
#include "quote/quotation.h"
#include "region/regioncatalogue.h"
#include "shell/appicon.h"
#include "shell/apptitle.h"
#include "shell/centring.h"
#include "shell/newsfetch.h"
#include "text/chars.h"
#include "text/runfailure.h"
#include "ui_form1.h"
#include "web/links.h"

#include <QApplication>
#include <QButtonGroup>
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

// The heading keeps its Song face: Windows names it 宋体 in a Chinese locale and SimSun in
// others. Systems without it get another Song-style CJK face (NSimSun on Windows, Noto or
// AR PL on Linux), and at worst Windows' own CJK face, rather than a Latin fallback.
QFont headingFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Microsoft YaHei")});
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
    ui->headingLabel->setFont(headingFont());

    for (PickList *list : {ui->provinceList, ui->cityList, ui->districtList, ui->bathroomList,
                           ui->balconyList, ui->houseTypeList}) {
        list->setCurrentIndex(-1);
        list->setEditText(text::Placeholder.toString());
    }
    styleGroup = new QButtonGroup(this);
    styleGroup->addButton(ui->modernStyleOption, quote::ModernStyle);
    styleGroup->addButton(ui->fusionStyleOption, quote::FusionStyle);
    styleGroup->addButton(ui->chineseStyleOption, quote::ChineseStyle);
    styleGroup->addButton(ui->europeanStyleOption, quote::EuropeanStyle);
    styleGroup->addButton(ui->countryStyleOption, quote::CountryStyle);
    gradeGroup = new QButtonGroup(this);
    gradeGroup->addButton(ui->economyGradeOption, quote::EconomyGrade);
    gradeGroup->addButton(ui->comfortGradeOption, quote::ComfortGrade);
    gradeGroup->addButton(ui->luxuryGradeOption, quote::LuxuryGrade);
    headlines = {ui->headline0, ui->headline1, ui->headline2, ui->headline3, ui->headline4,
                 ui->headline5, ui->headline6, ui->headline7, ui->headline8, ui->headline9};
    connectControls();

    // The window's own cover takes over from the early one in the same turn of the event loop,
    // so the screen never shows the controls before the tick.
    showLoadingPage(ui->loadingPage);
    // A child added to a window already shown stays hidden until told otherwise.
    ui->formPane->setVisible(true);
    delete earlyCover;
    earlyCover = nullptr;
    ui->formPane->setFocus();
}

// Only a pick from a list runs its rule; typed text is only text.
void Form1::connectControls()
{
    connect(ui->provinceList, &QComboBox::activated, this,
            [this] { guarded([this] { fillCities(); }); });
    connect(ui->cityList, &QComboBox::activated, this,
            [this] { guarded([this] { fillDistricts(); }); });
    connect(ui->houseTypeList, &QComboBox::activated, this, &Form1::updateHallAreas);
    connect(ui->bathroomList, &QComboBox::activated, this,
            [this] { updateCountArea(ui->bathroomList, ui->bathroomArea); });
    connect(ui->balconyList, &QComboBox::activated, this,
            [this] { updateCountArea(ui->balconyList, ui->balconyArea); });

    onPress(ui->submitButton, [this] { submitQuotation(); });
    for (int i = 0; i < int(headlines.size()); ++i)
        onPress(headlines[std::size_t(i)], [this, i] { openHeadline(i); });
    using web::Link;
    const std::pair<QAbstractButton *, Link> links[] = {
        {ui->corporateSiteButton, Link::CorporateSite},
        {ui->renderingsButton, Link::Renderings},
        {ui->exactQuoteButton, Link::ExactQuote},
        {ui->userGuideButton, Link::UserGuide},
        {ui->websiteChatButton, Link::Chat},
        {ui->advertisingChatButton, Link::Chat},
        {ui->franchiseChatButton, Link::Chat},
        {ui->adviceChatButton, Link::Chat},
        {ui->mainSiteLink, Link::MainSite}};
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
        if (ui->loadingPage->isHidden() && !QApplication::activeModalWidget())
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
        ui->loadingPage->hide();
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
    ui->provinceList->appendItems(region::provinces(regionEntries));
}

// A new province empties both lower lists, so that a city or district of another province can
// never be sent with it.
void Form1::fillCities()
{
    const QString placeholder = text::Placeholder.toString();
    ui->cityList->resetTo(placeholder);
    ui->districtList->resetTo(placeholder);
    ui->cityList->appendItems(region::cities(regionEntries, ui->provinceList->currentText()));
}

void Form1::fillDistricts()
{
    ui->districtList->resetTo(text::Placeholder.toString());
    ui->districtList->appendItems(region::districts(regionEntries, ui->provinceList->currentText(),
                                                    ui->cityList->currentText()));
}

void Form1::updateHallAreas()
{
    const quote::HallAreas open = quote::hallAreas(ui->houseTypeList->currentText());
    ui->livingRoomArea->setEnabled(open.livingRoom);
    ui->diningRoomArea->setEnabled(open.diningRoom);
    ui->bedroomArea->setEnabled(open.bedroom);
}

void Form1::updateCountArea(const QComboBox *list, QLineEdit *box)
{
    box->setEnabled(quote::countAreaEnabled(list->currentText()));
}

void Form1::submitQuotation()
{
    quote::QuotationForm form;
    form.province = ui->provinceList->currentText();
    form.city = ui->cityList->currentText();
    form.district = ui->districtList->currentText();
    form.phone = ui->phoneEdit->text();
    form.style = styleGroup->checkedId();
    form.grade = gradeGroup->checkedId();
    form.houseType = ui->houseTypeList->currentText();
    form.bathrooms = ui->bathroomList->currentText();
    form.balconies = ui->balconyList->currentText();
    form.livingRoomArea = ui->livingRoomArea->text();
    form.diningRoomArea = ui->diningRoomArea->text();
    form.bedroomArea = ui->bedroomArea->text();
    form.kitchenArea = ui->kitchenArea->text();
    form.bathroomArea = ui->bathroomArea->text();
    form.balconyArea = ui->balconyArea->text();
    form.areaEnabled = {ui->livingRoomArea->isEnabled(), ui->diningRoomArea->isEnabled(),
                        ui->bedroomArea->isEnabled(),    ui->kitchenArea->isEnabled(),
                        ui->bathroomArea->isEnabled(),   ui->balconyArea->isEnabled()};

    const quote::Quotation quotation = quote::composeQuotation(form, MainSiteOrigin);
    if (!quotation.refusal.isEmpty()) {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), quotation.refusal, QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    // The number is kept when the browser could not be started, so that the user can try again.
    if (!web::openUrl(quotation.request)) {
        QMessageBox box(QMessageBox::Warning, applicationTitle(),
                        QStringLiteral("无法打开浏览器查看报价，请检查电脑的默认浏览器设置后再试。"),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    ui->phoneEdit->clear();
}

void showRunFailure(QWidget *parent, const RunFailure &failure)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), failure.message(), QMessageBox::Ok,
                    parent);
    box.exec();
}
