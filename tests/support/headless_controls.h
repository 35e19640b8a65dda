#pragma once
// The main window's controls without a screen: each records what the window shows, so a test
// can read the status line, the rows and the buttons, and press or tick like a user. Timers run
// on a HeadlessLoop, so the window's one-shot timers fire while the test drives the loop.
// Header only.

#include "app/controls.h"
#include "threads/headless_loop.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zev::test {

// Which control has the keyboard focus: the one that took it last; nullptr before any did.
struct HeadlessFocus {
    const void* Owner = nullptr;
};

class HeadlessLabel : public ILabel {
public:
    void SetText(const std::string& pText) override {
        Text = pText;
        History.push_back(pText);
    }
    void SetColor(TColor pColor) override { Color = pColor; }

    std::string Text;
    TColor Color = clWindowText;
    std::vector<std::string> History; // every text shown, in order
};

class HeadlessButton : public IButton {
public:
    void SetCaption(const std::string& pCaption) override { Caption = pCaption; }
    void SetEnabled(bool pEnabled) override { FEnabled = pEnabled; }
    bool Enabled() const override { return FEnabled; }
    void SetOnClick(std::function<void()> pOnClick) override { FOnClick = std::move(pOnClick); }
    void SetFocus() override {
        if (Focus) Focus->Owner = this;
    }

    // The user presses the button; a disabled button does nothing. True when it was pressed.
    bool Click() {
        if (!FEnabled) return false;
        if (FOnClick) FOnClick();
        return true;
    }

    std::string Caption;
    HeadlessFocus* Focus = nullptr;

private:
    bool FEnabled = true;
    std::function<void()> FOnClick;
};

class HeadlessProgressBar : public IProgressBar {
public:
    void SetPosition(int pPosition) override {
        Position = pPosition;
        Positions.push_back(pPosition);
    }
    void SetMarquee(bool pMarquee) override { Marquee = pMarquee; }
    void SetFocus() override {
        if (Focus) Focus->Owner = this;
    }

    int Position = 0;
    bool Marquee = false;
    HeadlessFocus* Focus = nullptr;
    std::vector<int> Positions; // every position set, in order
};

// Fires on the loop every interval while enabled, like a GUI timer.
class HeadlessTimer : public ITimer {
public:
    explicit HeadlessTimer(HeadlessLoop& pLoop) : FLoop(pLoop) {}
    ~HeadlessTimer() override { Disarm(); }

    void SetInterval(int pMs) override { FInterval = pMs; }
    void SetEnabled(bool pEnabled) override {
        if (pEnabled == FEnabled) return;
        FEnabled = pEnabled;
        if (pEnabled)
            Arm();
        else
            Disarm();
    }
    bool Enabled() const override { return FEnabled; }
    void SetOnTimer(std::function<void()> pOnTimer) override { FOnTimer = std::move(pOnTimer); }

    int Interval() const { return FInterval; }
    int Fired = 0;

private:
    void Arm() {
        FId = FLoop.SetTimer(FInterval, [this] {
            FId = 0;
            ++Fired;
            if (FOnTimer) FOnTimer();
            if (FEnabled && FId == 0) Arm();
        });
    }
    void Disarm() {
        if (FId != 0) FLoop.KillTimer(FId);
        FId = 0;
    }

    HeadlessLoop& FLoop;
    int FInterval = 1000;
    bool FEnabled = false;
    std::uint64_t FId = 0;
    std::function<void()> FOnTimer;
};

class HeadlessImage : public IImage {
public:
    explicit HeadlessImage(std::string pPicture) : FPicture(std::move(pPicture)) {}
    void SetVisible(bool pVisible) override { Visible = pVisible; }
    std::string Picture() const override { return FPicture; }

    bool Visible = true;

private:
    std::string FPicture;
};

class HeadlessDeviceList;

class HeadlessDeviceRow : public IDeviceRow {
public:
    HeadlessDeviceRow(HeadlessDeviceList& pList, std::function<void()> pOnChecked)
        : FList(pList), FOnChecked(std::move(pOnChecked)) {}

    void SetIcon(const std::string& pPicture) override { Icon = pPicture; }
    void SetCaption(const std::string& pCaption) override { Caption = pCaption; }
    void SetChecked(bool pChecked) override { FChecked = pChecked; }
    bool Checked() const override { return FChecked; }
    void SetBoxEnabled(bool pEnabled) override { BoxEnabled = pEnabled; }
    void SetRowEnabled(bool pEnabled) override { RowEnabled = pEnabled; }
    void SetColor(TColor pColor) override { Color = pColor; }
    void MoveToTop() override;
    void MoveToBottom() override;
    void SetHint(const std::string& pHint) override { Hint = pHint; }
    void ScrollIntoView() override;
    void SetFocus() override;

    // The user clicks the box: it toggles and the tick handler runs, unless the box or the row
    // is disabled. True when the tick changed.
    bool Click() {
        if (!BoxEnabled || !RowEnabled) return false;
        FChecked = !FChecked;
        ++UserClicks;
        if (FOnChecked) FOnChecked();
        return true;
    }

    // The first or the second line of the caption (lines end with CR LF).
    std::string Line(std::size_t pIndex) const {
        std::size_t start = 0;
        for (std::size_t k = 0; k < pIndex; ++k) {
            const std::size_t at = Caption.find("\r\n", start);
            if (at == std::string::npos) return "";
            start = at + 2;
        }
        return Caption.substr(start, Caption.find("\r\n", start) - start);
    }

    std::string Icon;
    std::string Caption;
    bool BoxEnabled = true;
    bool RowEnabled = true;
    TColor Color = clWindowText;
    std::string Hint;
    int UserClicks = 0;

private:
    HeadlessDeviceList& FList;
    std::function<void()> FOnChecked;
    bool FChecked = false;
};

class HeadlessDeviceList : public IDeviceList {
public:
    IDeviceRow* AddRow(std::function<void()> pOnChecked) override {
        FRows.push_back(std::make_unique<HeadlessDeviceRow>(*this, std::move(pOnChecked)));
        Shown.push_back(FRows.back().get());
        return FRows.back().get();
    }
    void SetNotice(const std::string& pNotice) override {
        Notice = pNotice;
        ++NoticesSet;
    }

    void Move(HeadlessDeviceRow* pRow, bool pTop) {
        Shown.erase(std::remove(Shown.begin(), Shown.end(), pRow), Shown.end());
        if (pTop)
            Shown.insert(Shown.begin(), pRow);
        else
            Shown.push_back(pRow);
    }

    // The rows from the top of the list down.
    std::vector<HeadlessDeviceRow*> Shown;
    // Every row the list was asked to bring into view, in order.
    std::vector<HeadlessDeviceRow*> ScrolledTo;
    std::string Notice;
    int NoticesSet = 0;
    HeadlessFocus* Focus = nullptr;

private:
    std::vector<std::unique_ptr<HeadlessDeviceRow>> FRows;
};

inline void HeadlessDeviceRow::MoveToTop() {
    FList.Move(this, true);
}

inline void HeadlessDeviceRow::MoveToBottom() {
    FList.Move(this, false);
}

inline void HeadlessDeviceRow::ScrollIntoView() {
    FList.ScrolledTo.push_back(this);
}

inline void HeadlessDeviceRow::SetFocus() {
    if (FList.Focus) FList.Focus->Owner = this;
}

class HeadlessWindow : public IWindow {
public:
    void SetTitle(const std::string& pTitle) override { Title = pTitle; }
    void SetFrameColor(TColor pColor) override { FrameColor = pColor; }
    void Close() override {
        if (Closed) return;
        Closed = true;
        if (OnClose) OnClose();
    }

    std::string Title = "(never set)";
    TColor FrameColor = TColor::Rgb(1, 2, 3);
    bool Closed = false;
    std::function<void()> OnClose; // the binding's close: the test wires it to FormClose
};

// All the controls of one main window.
class HeadlessControls {
public:
    explicit HeadlessControls(HeadlessLoop& pLoop)
        : tmrStartSearch(pLoop), tmrStopSearch(pLoop), tmrStartProg(pLoop), tmrStopProg(pLoop) {
        btnProg.Focus = btnCancel.Focus = pgbMain.Focus = pnlData.Focus = &Focus;
    }
    HeadlessControls(const HeadlessControls&) = delete;
    HeadlessControls& operator=(const HeadlessControls&) = delete;

    // pLanguage: what the language dialog answers when it is shown.
    TMainWindowControls Controls(std::uint32_t pLanguage = 1) {
        TMainWindowControls c;
        c.Window = &Window;
        c.lblState = &lblState;
        c.lblStateC = &lblStateC;
        c.lblCDevices = &lblCDevices;
        c.btnProg = &btnProg;
        c.btnCancel = &btnCancel;
        c.pgbMain = &pgbMain;
        c.pnlData = &pnlData;
        c.imgDev = &imgDev;
        c.imgLogoRU = &imgLogoRU;
        c.imgLogoEN = &imgLogoEN;
        c.tmrStartSearch = &tmrStartSearch;
        c.tmrStopSearch = &tmrStopSearch;
        c.tmrStartProg = &tmrStartProg;
        c.tmrStopProg = &tmrStopProg;
        c.SelectLanguage = [this, pLanguage] {
            ++LanguageDialogShown;
            return pLanguage;
        };
        return c;
    }

    HeadlessWindow Window;
    HeadlessLabel lblState, lblStateC, lblCDevices;
    HeadlessButton btnProg, btnCancel;
    HeadlessProgressBar pgbMain;
    HeadlessDeviceList pnlData;
    HeadlessImage imgDev{kPictureDevice}, imgLogoRU{kPictureLogoRU}, imgLogoEN{kPictureLogoEN};
    HeadlessTimer tmrStartSearch, tmrStopSearch, tmrStartProg, tmrStopProg;
    HeadlessFocus Focus;
    int LanguageDialogShown = 0;
};

} // namespace zev::test
