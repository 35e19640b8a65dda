#pragma once
// TQtMainForm: the program's window on Qt widgets. It puts the controls where the window layout
// (app/window_layout.h) places them, gives them to the window logic (TfrmZEVProgrammer) and
// passes the window's events on: closing, activation.
//
// Widgets carry the names of the window's controls (btnProg, lblState, pnlData ...) as their
// object names.

#include "app/main_window.h"
#include "gui/qt/device_list.h"
#include "gui/qt/qt_controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace zev::qt {

class TQtMainForm : public QWidget {
    Q_OBJECT
public:
    // pReadPackage: where the package comes from (the program's own file when empty);
    // pSelectLanguage: the language dialog (TfrmLangSelect when empty).
    explicit TQtMainForm(TfrmZEVProgrammer::TPackageSource pReadPackage = {},
                         TSelectLanguage pSelectLanguage = {});
    ~TQtMainForm() override;

    // The start-up sequence, before the window is first shown; then centres the window.
    void Start();

    TfrmZEVProgrammer& Logic() { return *FLogic; }
    TQtDeviceList* DeviceList() const { return FList; }

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    // Return and keypad Enter press the focused button, else "Next" while it is enabled: the
    // window's default button, as in a dialog.
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void BuildLayout();

    QWidget* FMain;
    QLabel* FState;
    QLabel* FStateC;
    QLabel* FCDevices;
    QPushButton* FProg;
    QPushButton* FCancel;
    QProgressBar* FBar;
    TQtDeviceList* FList;
    QLabel* FDev;
    QLabel* FLogoRU;
    QLabel* FLogoEN;

    TQtMainWindowParts FParts;
    std::unique_ptr<TfrmZEVProgrammer> FLogic;
};

} // namespace zev::qt
