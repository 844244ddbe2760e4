#include "shell/form1.h"

#include "buildconstants.h"
#include "region/regioncatalogue.h"
#include "region/runfailure.h"
#include "shell/apptitle.h"
#include "shell/controls.h"
#include "ui_form1.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace {
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
} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("装修报价器1.001（Ruveloxp版,技术qq:%1）").arg(SupportAccount));
    setFont(uiFont());
    ui->Label1->setFont(headingFont());
    setFixedSize(797, 574);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ui->Picture1->setPicture(QPixmap(QStringLiteral(":/assets/background.jpg")));

    for (PickList *list : {ui->city1, ui->city2, ui->city3, ui->Combo4, ui->Combo5, ui->Combo6}) {
        list->setCurrentIndex(-1);
        list->setEditText(region::Placeholder.toString());
    }
    ui->Picture1->setFocus();

    connect(ui->city1, &QComboBox::activated, this, [this] { city1_Click(); });
    connect(ui->city2, &QComboBox::activated, this, [this] { city2_Click(); });

    LoadRegionCatalogue();

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setSingleShot(true);
    Timer1.setInterval(StartupDelayMs);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    Timer1.start();
}

Form1::~Form1() = default;

void Form1::showEvent(QShowEvent *event)
{
    if (!centred) {
        centred = true;
        const QRect screenArea = screen()->availableGeometry();
        move(screenArea.center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(event);
}

template<typename Handler>
void Form1::guarded(Handler handler)
{
    try {
        handler();
    } catch (const RunFailure &failure) {
        reportFailure(failure);
    }
}

void Form1::reportFailure(const RunFailure &failure)
{
    Timer1.stop();
    showRunFailure(this, failure);
    QCoreApplication::exit(failure.number());
}

void Form1::Timer1_Timer()
{
    guarded([this] {
        FillProvinces();
        Timer1.stop();
    });
}

void Form1::city1_Click()
{
    guarded([this] { FillCities(); });
}

void Form1::city2_Click()
{
    guarded([this] { FillDistricts(); });
}

void Form1::LoadRegionCatalogue()
{
    regionLine = region::readCatalogueLine(region::locateCatalogue(QCoreApplication::applicationDirPath()));
}

void Form1::FillProvinces()
{
    regionEntries = region::catalogueEntries(regionLine);
    ui->city1->appendItems(region::provinces(regionEntries));
}

// A new province empties both lower lists, so that a city or district of another province can
// never be sent with it.
void Form1::FillCities()
{
    const QString placeholder = region::Placeholder.toString();
    ui->city2->resetTo(placeholder);
    ui->city3->resetTo(placeholder);
    ui->city2->appendItems(region::cities(regionEntries, ui->city1->currentText()));
}

void Form1::FillDistricts()
{
    ui->city3->resetTo(region::Placeholder.toString());
    ui->city3->appendItems(
        region::districts(regionEntries, ui->city1->currentText(), ui->city2->currentText()));
}

void showRunFailure(QWidget *parent, const RunFailure &failure)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), failure.message(), QMessageBox::Ok,
                    parent);
    box.exec();
}

int runApplication()
{
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/app.ico")));
    std::unique_ptr<Form1> window;
    try {
        window = std::make_unique<Form1>();
    } catch (const RunFailure &failure) {
        showRunFailure(nullptr, failure);
        return failure.number();
    }
    window->show();
    return QApplication::exec();
}
