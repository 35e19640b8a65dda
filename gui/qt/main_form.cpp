#include "gui/qt/main_form.h"

#include "gui/qt/lang_select.h"
#include "gui/qt/system_colors.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace zev::qt {

namespace {

// Adds pWidget to pLayout with margins around it (left, top, right, bottom), as a control
// aligned with margins: the margins of neighbours add up.
void AddWithMargins(QBoxLayout* pLayout, QWidget* pWidget, int pLeft, int pTop, int pRight,
                    int pBottom, int pStretch = 0) {
    auto* holder = new QVBoxLayout;
    holder->setContentsMargins(pLeft, pTop, pRight, pBottom);
    holder->setSpacing(0);
    holder->addWidget(pWidget);
    pLayout->addLayout(holder, pStretch);
}

QBoxLayout* Box(QBoxLayout::Direction pDirection, QWidget* pParent) {
    auto* layout = new QBoxLayout(pDirection, pParent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QWidget* Panel(const char* pName, QWidget* pParent = nullptr) {
    auto* panel = new QWidget(pParent);
    panel->setObjectName(QString::fromLatin1(pName));
    return panel;
}

// A line of the separator: one pixel of a colour.
QFrame* Line(const char* pName, TColor pColor) {
    auto* line = new QFrame;
    line->setObjectName(QString::fromLatin1(pName));
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, ToQColor(pColor, palette));
    line->setPalette(palette);
    return line;
}

QLabel* Label(const char* pName, bool pBold) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(pName));
    label->setTextFormat(Qt::PlainText);
    if (pBold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

} // namespace

TQtMainForm::TQtMainForm(TfrmZEVProgrammer::TPackageSource pReadPackage,
                         TSelectLanguage pSelectLanguage)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmZEVProgrammer"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    BuildLayout();

    FWindowCtl = std::make_unique<TQtWindow>(this);
    FStateCtl = std::make_unique<TQtLabel>(FState);
    FStateCCtl = std::make_unique<TQtLabel>(FStateC);
    FCDevicesCtl = std::make_unique<TQtLabel>(FCDevices);
    FProgCtl = std::make_unique<TQtButton>(FProg);
    FCancelCtl = std::make_unique<TQtButton>(FCancel);
    FBarCtl = std::make_unique<TQtProgressBar>(FBar);
    FDevCtl = std::make_unique<TQtImage>(FDev, kPictureDevice);
    FLogoRUCtl = std::make_unique<TQtImage>(FLogoRU, kPictureLogoRU);
    FLogoENCtl = std::make_unique<TQtImage>(FLogoEN, kPictureLogoEN);
    FStartSearch = std::make_unique<TQtTimer>(this);
    FStopSearch = std::make_unique<TQtTimer>(this);
    FStartProg = std::make_unique<TQtTimer>(this);
    FStopProg = std::make_unique<TQtTimer>(this);

    TMainWindowControls controls;
    controls.Window = FWindowCtl.get();
    controls.lblState = FStateCtl.get();
    controls.lblStateC = FStateCCtl.get();
    controls.lblCDevices = FCDevicesCtl.get();
    controls.btnProg = FProgCtl.get();
    controls.btnCancel = FCancelCtl.get();
    controls.pgbMain = FBarCtl.get();
    controls.pnlData = FList;
    controls.imgDev = FDevCtl.get();
    controls.imgLogoRU = FLogoRUCtl.get();
    controls.imgLogoEN = FLogoENCtl.get();
    controls.tmrStartSearch = FStartSearch.get();
    controls.tmrStopSearch = FStopSearch.get();
    controls.tmrStartProg = FStartProg.get();
    controls.tmrStopProg = FStopProg.get();
    controls.SelectLanguage = pSelectLanguage ? std::move(pSelectLanguage)
                                              : [] { return TfrmLangSelect::SelectLanguage(); };
    FLogic = std::make_unique<TfrmZEVProgrammer>(controls, std::move(pReadPackage));

    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                FLogic->ApplicationActivate(state == Qt::ApplicationActive);
            });
}

TQtMainForm::~TQtMainForm() {
    // The logic goes first: its rows and handlers refer to the widgets.
    FLogic.reset();
}

void TQtMainForm::BuildLayout() {
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);

    // pnlMain: the content, inset so that the window's own colour shows as a thin frame.
    FMain = Panel("pnlMain", this);
    FMain->setAutoFillBackground(true);
    QPalette mainPalette = FMain->palette();
    mainPalette.setColor(QPalette::Window, mainPalette.color(QPalette::Window));
    FMain->setPalette(mainPalette);
    auto* outer = Box(QBoxLayout::TopToBottom, this);
    outer->setContentsMargins(2, 1, 2, 2);
    outer->addWidget(FMain);
    auto* main = Box(QBoxLayout::TopToBottom, FMain);

    auto* group = new QGroupBox;
    group->setObjectName(QStringLiteral("GroupBox1"));
    AddWithMargins(main, group, 8, 8, 8, 0, 1);
    auto* buttons = Panel("pnlBtns");
    buttons->setFixedHeight(31);
    AddWithMargins(main, buttons, 8, 8, 8, 8);

    // The group: header, separator, device area, progress bar.
    auto* inner = Box(QBoxLayout::TopToBottom, group);
    auto* header = Panel("Panel1");
    header->setFixedHeight(65);
    AddWithMargins(inner, header, 10, 0, 10, 5);
    AddWithMargins(inner, Line("Shape1", clGradientInactiveCaption), 10, 5, 10, 0);
    AddWithMargins(inner, Line("Shape2", clBtnHighlight), 10, 0, 10, 5);
    auto* devices = Panel("Panel2");
    AddWithMargins(inner, devices, 10, 5, 10, 5, 1);
    FBar = new QProgressBar;
    FBar->setObjectName(QStringLiteral("pgbMain"));
    FBar->setFixedHeight(25);
    FBar->setRange(0, 1000);
    FBar->setValue(0);
    FBar->setTextVisible(false);
    AddWithMargins(inner, FBar, 10, 5, 10, 15);

    // Header: the logos at the left, the status at the bottom of the rest.
    auto* headerRow = Box(QBoxLayout::LeftToRight, header);
    auto* logos = Panel("Panel5");
    logos->setFixedWidth(170);
    AddWithMargins(headerRow, logos, 0, 0, 10, 0);
    auto* logoBox = Box(QBoxLayout::LeftToRight, logos);
    FLogoRU = Label("imgLogoRU", false);
    FLogoEN = Label("imgLogoEN", false);
    logoBox->addWidget(FLogoRU, 0, Qt::AlignLeft | Qt::AlignVCenter);
    logoBox->addWidget(FLogoEN, 0, Qt::AlignLeft | Qt::AlignVCenter);
    logoBox->addStretch(1);
    auto* status = Panel("Panel4");
    headerRow->addWidget(status, 1);
    auto* statusBox = Box(QBoxLayout::TopToBottom, status);
    statusBox->addStretch(1);
    FStateC = Label("lblStateC", true);
    FStateC->setFixedHeight(17);
    statusBox->addWidget(FStateC);
    FState = Label("lblState", false);
    FState->setFixedHeight(17);
    AddWithMargins(statusBox, FState, 0, 0, 0, 10);

    // Device area: the caption column at the left, the list filling the rest.
    auto* deviceRow = Box(QBoxLayout::LeftToRight, devices);
    auto* caption = Panel("Panel3");
    caption->setFixedWidth(160);
    AddWithMargins(deviceRow, caption, 0, 0, 20, 0);
    auto* captionBox = Box(QBoxLayout::TopToBottom, caption);
    FCDevices = Label("lblCDevices", true);
    FCDevices->setAlignment(Qt::AlignRight | Qt::AlignTop);
    AddWithMargins(captionBox, FCDevices, 0, 15, 0, 0);
    FDev = Label("imgDev", false);
    captionBox->addWidget(FDev);
    captionBox->addStretch(1);
    FList = new TQtDeviceList(devices);
    FList->setObjectName(QStringLiteral("pnlData"));
    deviceRow->addWidget(FList, 1);

    // Buttons at the right, 35 pixels from the edge.
    auto* buttonRow = Box(QBoxLayout::LeftToRight, buttons);
    buttonRow->setContentsMargins(0, 0, 35, 0);
    buttonRow->addStretch(1);
    FProg = new QPushButton;
    FProg->setObjectName(QStringLiteral("btnProg"));
    FProg->setFixedSize(100, 31);
    AddWithMargins(buttonRow, FProg, 5, 0, 0, 0);
    FCancel = new QPushButton;
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    FCancel->setFixedSize(85, 31);
    AddWithMargins(buttonRow, FCancel, 5, 0, 0, 0);
}

void TQtMainForm::Start() {
    FLogic->FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TQtMainForm::closeEvent(QCloseEvent* pEvent) {
    FLogic->FormClose();
    pEvent->accept();
}

void TQtMainForm::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            FLogic->FormActivate();
        else
            FLogic->FormDeactivate();
    }
    QWidget::changeEvent(pEvent);
}

} // namespace zev::qt
