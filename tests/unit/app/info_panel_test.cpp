#include "app/info_panel.h"
#include "core/lang.h"
#include "support/headless_controls.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using test::HeadlessDeviceList;
using test::HeadlessDeviceRow;
using test::HeadlessImage;

class InfoPanelTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentLanguage = kLangEnglish; }
    void TearDown() override { CurrentLanguage = kLangRussian; }

    // A row built with New; counts the tick handler's calls.
    HeadlessDeviceRow& Build(TInfoPanel& panel, const std::string& text, std::int32_t state) {
        panel.New(list, text, icon, state, [this] { ++handlerCalls; });
        return *static_cast<HeadlessDeviceRow*>(panel.P);
    }

    HeadlessDeviceList list;
    HeadlessImage icon{kPictureDevice};
    int handlerCalls = 0;
};

TEST_F(InfoPanelTest, NewShowsEachInitialState) {
    struct Case {
        std::int32_t state;
        bool ticked, boxEnabled;
        std::string caption;
    };
    const Case cases[] = {
        {1, true, true, "dev"},
        {0, false, true, "dev\r\n   update is not required"},
        {-1, false, false, "dev\r\n   update not supported"},
        {7, false, false, "dev\r\n   update not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        TInfoPanel panel;
        HeadlessDeviceRow& row = Build(panel, "dev", c.state);
        EXPECT_EQ(panel.Tag, c.state);
        EXPECT_EQ(row.Checked(), c.ticked);
        EXPECT_EQ(row.BoxEnabled, c.boxEnabled);
        EXPECT_TRUE(row.RowEnabled);
        EXPECT_EQ(row.Color, clWindowText);
        EXPECT_EQ(row.Caption, c.caption);
        EXPECT_EQ(row.Icon, kPictureDevice);
    }
    EXPECT_EQ(handlerCalls, 0) << "ticks set by New must not run the tick handler";
}

TEST_F(InfoPanelTest, SetCShowsEachState) {
    struct Case {
        std::int32_t state;
        bool ticked, boxEnabled, rowEnabled;
        TColor color;
        std::string second;
    };
    const Case cases[] = {
        {0, false, true, true, clWindowText, "   update is not required"},
        {1, true, true, true, clWindowText, ""},
        {2, false, false, false, clGreen, "   update successful"},
        {3, false, false, false, clRed, "   update error"},
        {5, false, false, true, clGrayText, "   update not supported"},
        {-1, false, false, true, clGrayText, "   update not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        TInfoPanel panel;
        HeadlessDeviceRow& row = Build(panel, "\"SIG-5\" 0000001A", kRowToUpdate);
        panel.SetC(c.state);
        EXPECT_EQ(panel.Tag, c.state);
        EXPECT_EQ(row.Checked(), c.ticked);
        EXPECT_EQ(row.BoxEnabled, c.boxEnabled);
        EXPECT_EQ(row.RowEnabled, c.rowEnabled);
        EXPECT_EQ(row.Color, c.color);
        EXPECT_EQ(row.Line(0), "\"SIG-5\" 0000001A");
        if (c.second.empty())
            EXPECT_EQ(row.Caption, "\"SIG-5\" 0000001A");
        else
            EXPECT_EQ(row.Line(1), c.second);
    }
    EXPECT_EQ(handlerCalls, 0);
}

TEST_F(InfoPanelTest, FinishedRowCannotBeTickedAgain) {
    TInfoPanel panel;
    HeadlessDeviceRow& row = Build(panel, "dev", kRowToUpdate);
    EXPECT_TRUE(row.Click()); // the user unticks it
    EXPECT_EQ(handlerCalls, 1);
    panel.SetC(kRowDone);
    EXPECT_FALSE(row.Click());
    EXPECT_FALSE(row.Checked());
    EXPECT_EQ(handlerCalls, 1);
}

TEST_F(InfoPanelTest, MoveUPutsEachNewRowOnTop) {
    TInfoPanel a, b, c;
    Build(a, "A", 1);
    a.MoveU();
    Build(b, "B", 1);
    b.MoveU();
    Build(c, "C", 1);
    c.MoveU();
    ASSERT_EQ(list.Shown.size(), 3u);
    EXPECT_EQ(list.Shown[0]->Caption, "C");
    EXPECT_EQ(list.Shown[1]->Caption, "B");
    EXPECT_EQ(list.Shown[2]->Caption, "A");
    c.MoveD();
    EXPECT_EQ(list.Shown[2]->Caption, "C");
}

TEST_F(InfoPanelTest, StatusTextsFollowTheLanguage) {
    CurrentLanguage = kLangRussian;
    TInfoPanel panel;
    HeadlessDeviceRow& row = Build(panel, "устройство", kRowNotRequired);
    EXPECT_EQ(row.Caption, "устройство\r\n   обновление не требуется");
    panel.SetC(kRowFailed);
    EXPECT_EQ(row.Line(1), "   ошибка обновления");
}

} // namespace
} // namespace zev
