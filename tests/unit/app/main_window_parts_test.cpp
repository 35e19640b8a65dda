// The controls a binding owns, handed to the window logic: each control the logic drives is the
// one of its name, seen through what the start-up sequence shows and what a press does.

#include "app/main_window_parts.h"
#include "support/app_window.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using test::HeadlessButton;
using test::HeadlessDeviceList;
using test::HeadlessImage;
using test::HeadlessLabel;
using test::HeadlessProgressBar;
using test::HeadlessTimer;
using test::HeadlessWindow;

using TParts = TMainWindowParts<HeadlessWindow, HeadlessLabel, HeadlessButton, HeadlessProgressBar,
                                HeadlessImage, HeadlessTimer>;

// The parts as a binding makes them, and the window logic on them. Searches see no port.
class MainWindowPartsTest : public ::testing::Test {
protected:
    MainWindowPartsTest() {
        CurrentLanguage = kLangRussian;
        P.Window = std::make_unique<HeadlessWindow>();
        P.lblState = std::make_unique<HeadlessLabel>();
        P.lblStateC = std::make_unique<HeadlessLabel>();
        P.lblCDevices = std::make_unique<HeadlessLabel>();
        P.btnProg = std::make_unique<HeadlessButton>();
        P.btnCancel = std::make_unique<HeadlessButton>();
        P.pgbMain = std::make_unique<HeadlessProgressBar>();
        P.imgDev = std::make_unique<HeadlessImage>(kPictureDevice);
        P.imgLogoRU = std::make_unique<HeadlessImage>(kPictureLogoRU);
        P.imgLogoEN = std::make_unique<HeadlessImage>(kPictureLogoEN);
        P.tmrStartSearch = std::make_unique<HeadlessTimer>(Loop);
        P.tmrStopSearch = std::make_unique<HeadlessTimer>(Loop);
        P.tmrStartProg = std::make_unique<HeadlessTimer>(Loop);
        P.tmrStopProg = std::make_unique<HeadlessTimer>(Loop);
    }
    ~MainWindowPartsTest() override {
        Window.reset();
        CurrentLanguage = kLangRussian;
    }

    void Create(const ABytes& pPayload) {
        const TMainWindowControls c = P.Controls(&List, [this] {
            ++DialogShown;
            return kLangRussian;
        });
        EXPECT_EQ(c.pnlData, &List);
        Window =
            std::make_unique<TfrmZEVProgrammer>(c, [pPayload](ABytes& bytes) { bytes = pPayload; });
        P.Window->OnClose = [this] { Window->FormClose(); };
        Window->FormCreate();
    }

    HeadlessLoop Loop;
    MainThreadScope Scope{&Loop};
    test::PortsEnv Ports{std::vector<std::string>{}};
    TParts P;
    HeadlessDeviceList List;
    int DialogShown = 0;
    std::unique_ptr<TfrmZEVProgrammer> Window;
};

TEST_F(MainWindowPartsTest, EachControlShowsWhatTheWindowGivesItsName) {
    Create(test::PackagePayload());
    EXPECT_EQ(DialogShown, 0);
    EXPECT_EQ(P.Window->Title, "ZEV-DEMO v.1.05 (isp.1, izm.2)");
    EXPECT_EQ(P.lblState->Text, "Search . . .");
    EXPECT_EQ(P.lblStateC->Text, "Firmware update status:");
    EXPECT_EQ(P.lblCDevices->Text, "Found Devices:");
    EXPECT_EQ(P.btnProg->Caption, "Next");
    EXPECT_FALSE(P.btnProg->Enabled());
    EXPECT_EQ(P.btnCancel->Caption, "Close");
    EXPECT_TRUE(P.imgLogoEN->Visible);
    EXPECT_FALSE(P.imgLogoRU->Visible);
    EXPECT_FALSE(P.imgDev->Visible);
    // Every timer is the window's own (it sets each to 100 ms); the first search is started by
    // its own timer, the others wait.
    for (const HeadlessTimer* timer :
         {P.tmrStartSearch.get(), P.tmrStopSearch.get(), P.tmrStartProg.get(), P.tmrStopProg.get()})
        EXPECT_EQ(timer->Interval(), 100);
    EXPECT_TRUE(P.tmrStartSearch->Enabled());
    EXPECT_FALSE(P.tmrStopSearch->Enabled());
    EXPECT_FALSE(P.tmrStartProg->Enabled());
    EXPECT_FALSE(P.tmrStopProg->Enabled());
    ASSERT_TRUE(Loop.ProcessUntil([this] { return P.tmrStartSearch->Fired > 0; }, 2000));
    EXPECT_TRUE(P.pgbMain->Marquee) << "the search shows the moving bar";
    EXPECT_EQ(Window->SearchCount(), 1u);

    // "Close" closes this window.
    EXPECT_TRUE(P.btnCancel->Click());
    EXPECT_TRUE(P.Window->Closed);
}

TEST_F(MainWindowPartsTest, DamagedPackageAsksTheGivenLanguageDialog) {
    Create(ABytes{0, 0});
    EXPECT_EQ(DialogShown, 1);
    EXPECT_EQ(P.lblState->Text, "Ошибка [0x0303]: Данные повреждены.");
    EXPECT_EQ(P.lblState->Color, clRed);
    EXPECT_TRUE(P.imgLogoRU->Visible);
    EXPECT_FALSE(P.imgLogoEN->Visible);
    EXPECT_FALSE(P.imgDev->Visible);
    EXPECT_FALSE(P.tmrStartSearch->Enabled());
}

} // namespace
} // namespace zev
