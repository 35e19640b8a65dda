// Where the controls lie: the docking of the main window and of the language dialog at 96 dpi,
// against positions worked out by hand, and their scaling to other resolutions.

#include "app/window_layout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace zev {

std::ostream& operator<<(std::ostream& pOut, const TRect& r) {
    return pOut << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

TEST(WindowLayoutTest, MainWindowAt96Dpi) {
    const TMainLayout l = MainLayout();
    struct TCase {
        const char* name;
        TRect actual;
        TRect expected;
    };
    // pnlMain is inset 2, 1, 2, 2; the button bar docks 8 from its bottom and sides; the group
    // fills the rest with 8 around it except below; the group keeps 15 above (its caption line)
    // and 2 on the other sides.
    const TCase cases[] = {
        {"client", l.client, {0, 0, 576, 370}},
        {"pnlMain", l.pnlMain, {2, 1, 574, 368}},
        {"pnlBtns", l.pnlBtns, {10, 329, 566, 360}},
        {"btnCancel", l.btnCancel, {446, 329, 531, 360}},
        {"btnProg", l.btnProg, {341, 329, 441, 360}},
        {"GroupBox1", l.GroupBox1, {10, 9, 566, 321}},
        {"Panel1", l.Panel1, {22, 24, 554, 89}},
        {"Panel5", l.Panel5, {22, 24, 192, 89}},
        {"imgLogo", l.imgLogo, {22, 28, 181, 85}},
        {"Panel4", l.Panel4, {202, 24, 554, 89}},
        {"lblStateC", l.lblStateC, {202, 45, 554, 62}},
        {"lblState", l.lblState, {202, 62, 554, 79}},
        {"Shape1", l.Shape1, {22, 99, 554, 100}},
        {"Shape2", l.Shape2, {22, 100, 554, 101}},
        {"pgbMain", l.pgbMain, {22, 279, 554, 304}},
        {"Panel2", l.Panel2, {22, 111, 554, 269}},
        {"Panel3", l.Panel3, {22, 111, 182, 269}},
        {"lblCDevices", l.lblCDevices, {22, 126, 182, 139}},
        {"pnlData", l.pnlData, {202, 111, 554, 269}},
    };
    for (const TCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;

    // Sizes as designed.
    EXPECT_EQ(l.btnProg.Width(), 100);
    EXPECT_EQ(l.btnCancel.Width(), 85);
    EXPECT_EQ(l.btnCancel.left - l.btnProg.right, 5);
    EXPECT_EQ(l.pgbMain.Height(), 25);
    EXPECT_EQ(l.imgLogo.Width(), 159);
    EXPECT_EQ(l.imgLogo.Height(), 57);
    // Three whole rows fit in the list before it scrolls.
    EXPECT_EQ(l.pnlData.Height() / kRowHeight, 3);
}

TEST(WindowLayoutTest, LanguageDialogAt96Dpi) {
    const TLangLayout l = LangLayout();
    EXPECT_EQ(l.client, (TRect{0, 0, 200, 135}));
    EXPECT_EQ(l.pnlButtons, (TRect{20, 20, 180, 115}));
    EXPECT_EQ(l.btnRU, (TRect{25, 25, 175, 65}));
    EXPECT_EQ(l.btnEN, (TRect{25, 70, 175, 110}));
    // The panel ends 5 below the lower button and 20 above the dialog's edge.
    EXPECT_EQ(l.pnlButtons.bottom - l.btnEN.bottom, 5);
    EXPECT_EQ(l.client.bottom - l.pnlButtons.bottom, 20);
}

TEST(WindowLayoutTest, ScalesToTheMonitorResolution) {
    struct TCase {
        int dpi;
        int value;
        int expected;
    };
    const TCase values[] = {
        {96, 41, 41}, {120, 41, 51}, {144, 41, 62}, {192, 41, 82}, {144, 1, 2}, {120, -5, -6},
    };
    for (const TCase& c : values)
        EXPECT_EQ(Scale(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi << " dpi";

    const TMainLayout base = MainLayout();
    const TMainLayout big = Scale(base, 192);
    EXPECT_EQ(big.client, (TRect{0, 0, 1152, 740}));
    EXPECT_EQ(big.btnProg, (TRect{682, 658, 882, 720}));
    EXPECT_EQ(big.pnlData, (TRect{404, 222, 1108, 538}));

    const TMainLayout mid = Scale(base, 144);
    EXPECT_EQ(mid.client, (TRect{0, 0, 864, 555}));
    // Neighbours stay neighbours: the separator's two lines touch.
    EXPECT_EQ(mid.Shape1.bottom, mid.Shape2.top);

    const TLangLayout dialog = Scale(LangLayout(), 144);
    EXPECT_EQ(dialog.client, (TRect{0, 0, 300, 203}));
    EXPECT_EQ(dialog.btnEN, (TRect{38, 105, 263, 165}));
}

} // namespace
} // namespace zev
