#include "gui/qt/main_form.h"

#include "app/window_layout.h"
#include "gui/qt/lang_select.h"
#include "gui/qt/place.h"
#include "gui/qt/system_colors.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace zev::qt {

namespace {

QWidget* Panel(const char* pName, QWidget* pParent) {
    auto* panel = new QWidget(pParent);
    panel->setObjectName(QString::fromLatin1(pName));
    return panel;
}

// A line of the separator: one pixel of a colour.
QFrame* Line(const char* pName, TColor pColor, QWidget* pParent) {
    auto* line = new QFrame(pParent);
    line->setObjectName(QString::fromLatin1(pName));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, ToQColor(pColor, palette));
    line->setPalette(palette);
    return line;
}

QLabel* Label(const char* pName, bool pBold, QWidget* pParent) {
    auto* label = new QLabel(pParent);
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

    FParts.Window = std::make_unique<TQtWindow>(this);
    FParts.lblState = std::make_unique<TQtLabel>(FState);
    FParts.lblStateC = std::make_unique<TQtLabel>(FStateC);
    FParts.lblCDevices = std::make_unique<TQtLabel>(FCDevices);
    FParts.btnProg = std::make_unique<TQtButton>(FProg);
    FParts.btnCancel = std::make_unique<TQtButton>(FCancel);
    FParts.pgbMain = std::make_unique<TQtProgressBar>(FBar);
    FParts.imgDev = std::make_unique<TQtImage>(FDev, kPictureDevice);
    FParts.imgLogoRU = std::make_unique<TQtImage>(FLogoRU, kPictureLogoRU);
    FParts.imgLogoEN = std::make_unique<TQtImage>(FLogoEN, kPictureLogoEN);
    FParts.tmrStartSearch = std::make_unique<TQtTimer>(this);
    FParts.tmrStopSearch = std::make_unique<TQtTimer>(this);
    FParts.tmrStartProg = std::make_unique<TQtTimer>(this);
    FParts.tmrStopProg = std::make_unique<TQtTimer>(this);

    const TMainWindowControls controls = FParts.Controls(
        FList, pSelectLanguage ? std::move(pSelectLanguage)
                               : [] { return TfrmLangSelect::SelectLanguage(); });
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
    // pnlMain: the content, inset so that the window's own colour shows as a thin frame.
    FMain = Panel("pnlMain", this);
    auto* group = new QGroupBox(FMain);
    group->setObjectName(QStringLiteral("GroupBox1"));
    const TMainLayout l = MainLayout(GroupInset(group));
    setFixedSize(l.client.Width(), l.client.Height());
    setAutoFillBackground(true);
    Place(FMain, l.pnlMain, l.client);
    FMain->setAutoFillBackground(true);
    QPalette mainPalette = FMain->palette();
    mainPalette.setColor(QPalette::Window, mainPalette.color(QPalette::Window));
    FMain->setPalette(mainPalette);

    Place(group, l.GroupBox1, l.pnlMain);
    auto* buttons = Panel("pnlBtns", FMain);
    Place(buttons, l.pnlBtns, l.pnlMain);

    // The group: header, separator, device area, progress bar.
    auto* header = Panel("Panel1", group);
    Place(header, l.Panel1, l.GroupBox1);
    Place(Line("Shape1", clGradientInactiveCaption, group), l.Shape1, l.GroupBox1);
    Place(Line("Shape2", clBtnHighlight, group), l.Shape2, l.GroupBox1);
    auto* devices = Panel("Panel2", group);
    Place(devices, l.Panel2, l.GroupBox1);
    FBar = new QProgressBar(group);
    FBar->setObjectName(QStringLiteral("pgbMain"));
    Place(FBar, l.pgbMain, l.GroupBox1);
    FBar->setRange(0, 1000);
    FBar->setValue(0);
    FBar->setTextVisible(false);

    // Header: the logos at the left, the status at the bottom of the rest.
    auto* logos = Panel("Panel5", header);
    Place(logos, l.Panel5, l.Panel1);
    FLogoRU = Label("imgLogoRU", false, logos);
    FLogoEN = Label("imgLogoEN", false, logos);
    Place(FLogoRU, l.imgLogo, l.Panel5);
    Place(FLogoEN, l.imgLogo, l.Panel5);
    auto* status = Panel("Panel4", header);
    Place(status, l.Panel4, l.Panel1);
    FStateC = Label("lblStateC", true, status);
    Place(FStateC, l.lblStateC, l.Panel4);
    FState = Label("lblState", false, status);
    Place(FState, l.lblState, l.Panel4);

    // Device area: the caption column at the left, the list filling the rest. The device icon
    // is never shown itself.
    auto* caption = Panel("Panel3", devices);
    Place(caption, l.Panel3, l.Panel2);
    FCDevices = Label("lblCDevices", true, caption);
    FCDevices->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Place(FCDevices, l.lblCDevices, l.Panel3);
    FDev = Label("imgDev", false, caption);
    FList = new TQtDeviceList(devices);
    FList->setObjectName(QStringLiteral("pnlData"));
    Place(FList, l.pnlData, l.Panel2);

    FProg = new QPushButton(buttons);
    FProg->setObjectName(QStringLiteral("btnProg"));
    Place(FProg, l.btnProg, l.pnlBtns);
    FCancel = new QPushButton(buttons);
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    Place(FCancel, l.btnCancel, l.pnlBtns);
    // Tab runs from the rows, top down, to "Next" and "Close".
    FList->SetTabTail({FProg, FCancel});
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

void TQtMainForm::keyPressEvent(QKeyEvent* pEvent) {
    const bool enter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (enter && (pEvent->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* button = focused != nullptr ? focused : FProg;
        if (button->isEnabled() && button->isVisible()) button->click();
        pEvent->accept();
        return;
    }
    QWidget::keyPressEvent(pEvent);
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
