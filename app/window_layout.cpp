#include "app/window_layout.h"

namespace zev {

TRect TDock::Top(int pHeight, TMargins m) {
    const TRect r{FRest.left + m.left, FRest.top + m.top, FRest.right - m.right,
                  FRest.top + m.top + pHeight};
    FRest.top = r.bottom + m.bottom;
    return r;
}

TRect TDock::Bottom(int pHeight, TMargins m) {
    const TRect r{FRest.left + m.left, FRest.bottom - m.bottom - pHeight, FRest.right - m.right,
                  FRest.bottom - m.bottom};
    FRest.bottom = r.top - m.top;
    return r;
}

TRect TDock::Left(int pWidth, TMargins m) {
    const TRect r{FRest.left + m.left, FRest.top + m.top, FRest.left + m.left + pWidth,
                  FRest.bottom - m.bottom};
    FRest.left = r.right + m.right;
    return r;
}

TRect TDock::Right(int pWidth, TMargins m) {
    const TRect r{FRest.right - m.right - pWidth, FRest.top + m.top, FRest.right - m.right,
                  FRest.bottom - m.bottom};
    FRest.right = r.left - m.left;
    return r;
}

TRect TDock::Client(TMargins m) const {
    return TRect{FRest.left + m.left, FRest.top + m.top, FRest.right - m.right,
                 FRest.bottom - m.bottom};
}

int Scale(int pValue, int pDpi) {
    const long long scaled = static_cast<long long>(pValue) * pDpi;
    // Round half away from zero, as MulDiv does.
    return static_cast<int>(scaled >= 0 ? (scaled + kBaseDpi / 2) / kBaseDpi
                                        : -((-scaled + kBaseDpi / 2) / kBaseDpi));
}

TRect Scale(const TRect& r, int pDpi) {
    return TRect{Scale(r.left, pDpi), Scale(r.top, pDpi), Scale(r.right, pDpi),
                 Scale(r.bottom, pDpi)};
}

TMainLayout MainLayout(TMargins pGroupInset) {
    TMainLayout l;
    l.client = TRect{0, 0, 576, 370};

    TDock window(l.client);
    l.pnlMain = window.Client({2, 1, 2, 2});

    // The button bar docks before the frame that fills the rest.
    TDock main(TRect{0, 0, l.pnlMain.Width(), l.pnlMain.Height()});
    TRect btns = main.Bottom(31, {8, 8, 8, 8});
    TRect group = main.Client({8, 8, 8, 0});
    const auto offset = [&](TRect r) {
        return TRect{r.left + l.pnlMain.left, r.top + l.pnlMain.top, r.right + l.pnlMain.left,
                     r.bottom + l.pnlMain.top};
    };
    l.pnlBtns = offset(btns);
    l.GroupBox1 = offset(group);

    TDock buttons(TRect{l.pnlBtns.left, l.pnlBtns.top, l.pnlBtns.right - 35, l.pnlBtns.bottom});
    l.btnCancel = buttons.Right(85, {5, 0, 0, 0});
    l.btnProg = buttons.Right(100, {5, 0, 0, 0});

    TDock group1(TDock(l.GroupBox1).Client(pGroupInset));
    l.Panel1 = group1.Top(65, {10, 0, 10, 5});
    l.Shape1 = group1.Top(1, {10, 5, 10, 0});
    l.Shape2 = group1.Top(1, {10, 0, 10, 5});
    l.pgbMain = group1.Bottom(25, {10, 5, 10, 15});
    l.Panel2 = group1.Client({10, 5, 10, 5});

    TDock header(l.Panel1);
    l.Panel5 = header.Left(170, {0, 0, 10, 0});
    l.Panel4 = header.Client();
    // The logo keeps its picture's size at the left of its panel, centred from top to bottom.
    const int logoTop = l.Panel5.top + (l.Panel5.Height() - 57) / 2;
    l.imgLogo = TRect{l.Panel5.left, logoTop, l.Panel5.left + 159, logoTop + 57};
    TDock status(l.Panel4);
    l.lblState = status.Bottom(17, {0, 0, 0, 10});
    l.lblStateC = status.Bottom(17);

    TDock devices(l.Panel2);
    l.Panel3 = devices.Left(160, {0, 0, 20, 0});
    l.pnlData = devices.Client();
    TDock caption(l.Panel3);
    l.lblCDevices = caption.Top(13, {0, 15, 0, 0});
    return l;
}

TMainLayout Scale(const TMainLayout& l, int pDpi) {
    TMainLayout s;
    TRect TMainLayout::*const fields[] = {
        &TMainLayout::client,    &TMainLayout::pnlMain,     &TMainLayout::GroupBox1,
        &TMainLayout::Panel1,    &TMainLayout::Panel5,      &TMainLayout::Panel4,
        &TMainLayout::imgLogo,   &TMainLayout::lblStateC,   &TMainLayout::lblState,
        &TMainLayout::Shape1,    &TMainLayout::Shape2,      &TMainLayout::Panel2,
        &TMainLayout::Panel3,    &TMainLayout::lblCDevices, &TMainLayout::pnlData,
        &TMainLayout::pgbMain,   &TMainLayout::pnlBtns,     &TMainLayout::btnProg,
        &TMainLayout::btnCancel,
    };
    for (auto field : fields) s.*field = Scale(l.*field, pDpi);
    return s;
}

TLangLayout LangLayout() {
    TLangLayout l;
    l.client = TRect{0, 0, 200, 135};
    TDock dialog(l.client);
    // The panel is sized to its buttons: two of 40 with their margins, and 5 of padding below.
    l.pnlButtons = dialog.Top(95, {20, 20, 20, 20});
    TDock panel(
        TRect{l.pnlButtons.left, l.pnlButtons.top, l.pnlButtons.right, l.pnlButtons.bottom - 5});
    l.btnRU = panel.Top(40, {5, 5, 5, 0});
    l.btnEN = panel.Top(40, {5, 5, 5, 0});
    return l;
}

TLangLayout Scale(const TLangLayout& l, int pDpi) {
    return TLangLayout{Scale(l.client, pDpi), Scale(l.pnlButtons, pDpi), Scale(l.btnRU, pDpi),
                       Scale(l.btnEN, pDpi)};
}

} // namespace zev
