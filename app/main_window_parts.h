#pragma once
// The controls a binding makes for the main window, owned in one place and handed to the window
// logic in one place. The parameters are the binding's own control classes (each implementing
// its interface of app/controls.h), so the binding keeps its typed access to them: a click to
// pass on, a timer to fire, a colour to paint with.
//
// The device list is not among them: its widget belongs to its parent window.

#include "app/controls.h"

#include <memory>
#include <utility>

namespace zev {

template <class TWindow, class TLabel, class TButton, class TProgressBar, class TImage,
          class TTimer>
struct TMainWindowParts {
    std::unique_ptr<TWindow> Window;
    std::unique_ptr<TLabel> lblState, lblStateC, lblCDevices;
    std::unique_ptr<TButton> btnProg, btnCancel;
    std::unique_ptr<TProgressBar> pgbMain;
    std::unique_ptr<TImage> imgDev, imgLogoRU, imgLogoEN;
    std::unique_ptr<TTimer> tmrStartSearch, tmrStopSearch, tmrStartProg, tmrStopProg;

    // What the window logic works with: these controls, the device list and the language
    // dialog.
    TMainWindowControls Controls(IDeviceList* pList, TSelectLanguage pSelectLanguage) const {
        TMainWindowControls c;
        c.Window = Window.get();
        c.lblState = lblState.get();
        c.lblStateC = lblStateC.get();
        c.lblCDevices = lblCDevices.get();
        c.btnProg = btnProg.get();
        c.btnCancel = btnCancel.get();
        c.pgbMain = pgbMain.get();
        c.pnlData = pList;
        c.imgDev = imgDev.get();
        c.imgLogoRU = imgLogoRU.get();
        c.imgLogoEN = imgLogoEN.get();
        c.tmrStartSearch = tmrStartSearch.get();
        c.tmrStopSearch = tmrStopSearch.get();
        c.tmrStartProg = tmrStartProg.get();
        c.tmrStopProg = tmrStopProg.get();
        c.SelectLanguage = std::move(pSelectLanguage);
        return c;
    }
};

} // namespace zev
