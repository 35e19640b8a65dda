#include "app/info_panel.h"

#include "core/lang.h"

namespace zev {

namespace {
constexpr std::uint32_t kTextNotRequired = 8;
constexpr std::uint32_t kTextSuccessful = 9;
constexpr std::uint32_t kTextError = 10;
constexpr std::uint32_t kTextNotSupported = 11;
} // namespace

std::string RowCaptionWithStatus(const std::string& pRowText, std::uint32_t pText) {
    std::string status;
    GetLangText(pText, status);
    return pRowText + "\r\n   " + status;
}

void TInfoPanel::New(IDeviceList& pP, const std::string& pN, const IImage& pI, std::int32_t pC,
                     std::function<void()> onChecked) {
    P = pP.AddRow(std::move(onChecked));
    Tag = pC;
    Caption = pN;
    SetI(pI);
    switch (pC) {
    case kRowNotRequired:
        P->SetChecked(false);
        P->SetBoxEnabled(true);
        P->SetCaption(RowCaptionWithStatus(pN, kTextNotRequired));
        break;
    case kRowToUpdate:
        P->SetChecked(true);
        P->SetBoxEnabled(true);
        P->SetCaption(pN);
        break;
    default:
        P->SetChecked(false);
        P->SetBoxEnabled(false);
        P->SetCaption(RowCaptionWithStatus(pN, kTextNotSupported));
        break;
    }
}

void TInfoPanel::MoveU() {
    if (P) P->MoveToTop();
}

void TInfoPanel::MoveD() {
    if (P) P->MoveToBottom();
}

void TInfoPanel::SetHint(const std::string& pHint) {
    if (P) P->SetHint(pHint);
}

void TInfoPanel::ScrollIntoView() {
    if (P) P->ScrollIntoView();
}

void TInfoPanel::SetI(const IImage& pI) {
    if (P) P->SetIcon(pI.Picture());
}

void TInfoPanel::SetC(std::int32_t pC) {
    if (!P) return;
    Tag = pC;
    switch (pC) {
    case kRowNotRequired:
        P->SetChecked(false);
        P->SetBoxEnabled(true);
        P->SetRowEnabled(true);
        P->SetColor(clWindowText);
        P->SetCaption(RowCaptionWithStatus(Caption, kTextNotRequired));
        break;
    case kRowToUpdate:
        P->SetChecked(true);
        P->SetBoxEnabled(true);
        P->SetRowEnabled(true);
        P->SetColor(clWindowText);
        P->SetCaption(Caption);
        break;
    case kRowDone:
        P->SetChecked(false);
        P->SetBoxEnabled(false);
        P->SetRowEnabled(false);
        P->SetColor(clGreen);
        P->SetCaption(RowCaptionWithStatus(Caption, kTextSuccessful));
        break;
    case kRowFailed:
        P->SetChecked(false);
        P->SetBoxEnabled(false);
        P->SetRowEnabled(false);
        P->SetColor(clRed);
        P->SetCaption(RowCaptionWithStatus(Caption, kTextError));
        break;
    default:
        P->SetChecked(false);
        P->SetBoxEnabled(false);
        P->SetRowEnabled(true);
        P->SetColor(clGrayText);
        P->SetCaption(RowCaptionWithStatus(Caption, kTextNotSupported));
        break;
    }
}

} // namespace zev
