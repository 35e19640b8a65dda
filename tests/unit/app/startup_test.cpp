// The start-up sequence of the main window: package, checks, language, texts, title, and what
// the window shows when any of it fails.

#include "core/cp1251.h"
#include "datafiles/package_builder.h"
#include "support/app_window.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using test::AppWindow;
using test::Container;
using test::ExecutableWithPackage;
using test::PackagePayload;
using test::PackageWithWrongChecksum;

constexpr const char* kDemoTitle = "ZEV-DEMO v.1.05 (isp.1, izm.2)";

ABytes OddEepromPayload() {
    TDemoFirmware demo;
    demo.flashSize = 0x100;
    return MakePackagePayload(demo.flashAddress, MakeDemoFlash(demo), demo.eepromAddress,
                              ABytes{1, 0, 2});
}

std::string WriteFile(const ABytes& bytes) {
    return test::WriteScratchFile("updater", std::string(bytes.begin(), bytes.end())).string();
}

void ExpectNothingStarts(AppWindow& app) {
    auto& ui = app.Ui;
    EXPECT_FALSE(ui.tmrStartSearch.Enabled());
    EXPECT_FALSE(ui.btnProg.Enabled());
    app.RunUntil([] { return false; }, 250);
    EXPECT_EQ(app.Window->SearchCount(), 0u);
    EXPECT_EQ(ui.tmrStartSearch.Fired + ui.tmrStopSearch.Fired, 0);
    EXPECT_EQ(app.Loop.ActiveTimers(), 0u);
    EXPECT_FALSE(ui.pgbMain.Marquee);
}

TEST(StartupTest, SoundPackageSetsTextsTitleAndStartsTheSearch) {
    AppWindow app;
    app.CreateWithPayload(PackagePayload());
    auto& ui = app.Ui;
    EXPECT_EQ(ui.LanguageDialogShown, 0);
    EXPECT_FALSE(app.Window->StartupFailed());
    EXPECT_EQ(CurrentLanguage, kLangEnglish) << "ZEV-DEMO is written in Latin letters";
    EXPECT_EQ(ui.Window.Title, kDemoTitle);
    EXPECT_EQ(ui.lblCDevices.Text, "Found Devices:");
    EXPECT_EQ(ui.lblStateC.Text, "Firmware update status:");
    EXPECT_EQ(ui.lblState.Text, "Search . . .");
    EXPECT_EQ(ui.lblState.Color, clWindowText);
    EXPECT_EQ(ui.btnProg.Caption, "Next");
    EXPECT_EQ(ui.btnCancel.Caption, "Close");
    EXPECT_FALSE(ui.btnProg.Enabled());
    EXPECT_TRUE(ui.imgLogoEN.Visible);
    EXPECT_FALSE(ui.imgLogoRU.Visible);
    EXPECT_FALSE(ui.imgDev.Visible);
    EXPECT_TRUE(ui.tmrStartSearch.Enabled());
    EXPECT_EQ(ui.tmrStartSearch.Interval(), 100);
    EXPECT_EQ(app.Window->SearchCount(), 0u) << "the first search waits for its timer";
    EXPECT_TRUE(app.RunUntil([&] { return app.Window->SearchCount() > 0; }, 2000));
    EXPECT_TRUE(ui.pgbMain.Marquee);
}

TEST(StartupTest, CyrillicPackageNameChoosesRussian) {
    TDemoFirmware demo;
    demo.name = Utf8ToCp1251("ЗЭВ-Прибор");
    AppWindow app;
    app.CreateWithPayload(PackagePayload(demo));
    auto& ui = app.Ui;
    EXPECT_EQ(ui.LanguageDialogShown, 0);
    EXPECT_EQ(CurrentLanguage, kLangRussian);
    EXPECT_EQ(ui.Window.Title, "ЗЭВ-Прибор v.1.05 (исп.1, изм.2)");
    EXPECT_EQ(ui.lblState.Text, "Поиск . . .");
    EXPECT_EQ(ui.lblCDevices.Text, "Найденые устройства:");
    EXPECT_EQ(ui.btnProg.Caption, "Продолжить");
    EXPECT_EQ(ui.btnCancel.Caption, "Закрыть");
    EXPECT_TRUE(ui.imgLogoRU.Visible);
    EXPECT_FALSE(ui.imgLogoEN.Visible);
}

TEST(StartupTest, EachFaultOfThePackageShowsItsCodeAndStopsThere) {
    TDemoFirmware shortFlash;
    shortFlash.flashSize = 32;
    ABytes flash31 = MakeDemoFlash(shortFlash);
    flash31.resize(31);
    const ABytes shortFlashPayload = Container({{0x400, 0, 31}}, flash31);
    const ABytes program(100, 0x5A);
    struct Case {
        const char* what;
        ABytes file;
        const char* code;
        const char* title;
    };
    const Case cases[] = {
        {"no package", program, "0x0301", " v.0.00 (isp.0, izm.0)"},
        {"wrong magic", ABytesConcat(program, ABytesFromLongs({0xAAAAAAAB, 10})), "0x0301",
         " v.0.00 (isp.0, izm.0)"},
        {"negative length", ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 0x80000000})),
         "0x0301", " v.0.00 (isp.0, izm.0)"},
        {"length past the file", ABytesConcat(program, ABytesFromLongs({0xAAAAAAAA, 109})),
         "0x0301", " v.0.00 (isp.0, izm.0)"},
        {"one byte of payload", ExecutableWithPackage({0x01}), "0x0301", " v.0.00 (isp.0, izm.0)"},
        {"shorter than its block table",
         ExecutableWithPackage({0x02, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), "0x0302",
         " v.0.00 (isp.0, izm.0)"},
        {"no data", ExecutableWithPackage({0x00, 0x00}), "0x0303", " v.0.00 (isp.0, izm.0)"},
        {"flash block of 31 bytes", ExecutableWithPackage(shortFlashPayload), "0x0306",
         " v.0.00 (isp.0, izm.0)"},
        {"wrong checksum", ExecutableWithPackage(PackageWithWrongChecksum()), "0x0304", kDemoTitle},
        {"odd EEPROM block", ExecutableWithPackage(OddEepromPayload()), "0x0307", kDemoTitle},
        {"EEPROM block one byte short of its data",
         ExecutableWithPackage(test::EepromOneByteShortPayload()), "0x0307", kDemoTitle},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (const auto& m : test::MiswrittenPackages())
        all.push_back({m.what, ExecutableWithPackage(m.payload), m.code, kDemoTitle});
    for (const Case& c : all) {
        SCOPED_TRACE(c.what);
        AppWindow app;
        app.CreateFromFile(WriteFile(c.file), kLangEnglish);
        auto& ui = app.Ui;
        EXPECT_TRUE(app.Window->StartupFailed());
        EXPECT_EQ(ui.LanguageDialogShown, 1);
        EXPECT_EQ(ui.lblState.Text, std::string("Error [") + c.code + "]: Data corrupted.");
        EXPECT_EQ(ui.lblState.Color, clRed);
        EXPECT_EQ(ui.Window.Title, c.title);
        EXPECT_EQ(ui.lblCDevices.Text, "Found Devices:");
        EXPECT_EQ(ui.btnProg.Caption, "Next");
        EXPECT_TRUE(ui.imgLogoEN.Visible);
        ExpectNothingStarts(app);
    }
}

TEST(StartupTest, RussianChosenInTheDialog) {
    AppWindow app;
    app.CreateFromFile(WriteFile(ABytes(64, 1)), kLangRussian);
    EXPECT_EQ(app.Ui.LanguageDialogShown, 1);
    EXPECT_EQ(CurrentLanguage, kLangRussian);
    EXPECT_EQ(app.Ui.lblState.Text, "Ошибка [0x0301]: Данные повреждены.");
    EXPECT_EQ(app.Ui.Window.Title, " v.0.00 (исп.0, изм.0)");
    EXPECT_TRUE(app.Ui.imgLogoRU.Visible);
    EXPECT_FALSE(app.Ui.imgLogoEN.Visible);
}

TEST(StartupTest, UnreadableOwnFileShowsTextOneInRussianInsideTheBrackets) {
    AppWindow app;
    app.CreateFromFile((test::ScratchDir() / "gone" / "updater").string(), kLangEnglish);
    EXPECT_EQ(app.Ui.lblState.Text, "Error [Нет доступа к данным.]: Data corrupted.");
    EXPECT_EQ(app.Ui.lblState.Color, clRed);
    EXPECT_FALSE(app.Window->HasImage());
    ExpectNothingStarts(app);
}

TEST(StartupTest, FailingLanguageDialogGivesRussian) {
    AppWindow app;
    TMainWindowControls controls = app.Ui.Controls();
    controls.SelectLanguage = []() -> std::uint32_t { throw std::runtime_error("no display"); };
    app.Window =
        std::make_unique<TfrmZEVProgrammer>(controls, [](ABytes& bytes) { bytes.clear(); });
    app.Window->FormCreate();
    EXPECT_EQ(CurrentLanguage, kLangRussian);
    EXPECT_EQ(app.Ui.lblState.Text, "Ошибка [0x0301]: Данные повреждены.");
}

TEST(StartupTest, FrameColourFollowsActivationOnceStarted) {
    AppWindow app;
    auto& ui = app.Ui;
    app.Window = std::make_unique<TfrmZEVProgrammer>(
        ui.Controls(), [](ABytes& bytes) { bytes = PackagePayload(); });
    const TColor before = ui.Window.FrameColor;
    app.Window->ApplicationActivate(true);
    EXPECT_EQ(ui.Window.FrameColor, before) << "not routed before the start-up sequence";
    app.Window->FormCreate();
    app.Window->ApplicationActivate(false);
    EXPECT_EQ(ui.Window.FrameColor, clGradientInactiveCaption);
    app.Window->ApplicationActivate(true);
    EXPECT_EQ(ui.Window.FrameColor, clGradientActiveCaption);
    app.Window->FormDeactivate();
    EXPECT_EQ(ui.Window.FrameColor, clGradientInactiveCaption);
}

} // namespace
} // namespace zev
