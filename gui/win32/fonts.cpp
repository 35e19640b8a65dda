#include "gui/win32/fonts.h"

#include <utility>

namespace zev::win32 {

TFont::TFont(const wchar_t* pFace, int pPoints, bool pBold, int pDpi) {
    FFont = CreateFontW(-MulDiv(pPoints, pDpi, 72), 0, 0, 0, pBold ? FW_BOLD : FW_NORMAL, FALSE,
                        FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, pFace);
}

TFont::~TFont() {
    if (FFont != nullptr) DeleteObject(FFont);
}

TFont::TFont(TFont&& pOther) noexcept : FFont(std::exchange(pOther.FFont, nullptr)) {}

TFont& TFont::operator=(TFont&& pOther) noexcept {
    if (this != &pOther) {
        if (FFont != nullptr) DeleteObject(FFont);
        FFont = std::exchange(pOther.FFont, nullptr);
    }
    return *this;
}

} // namespace zev::win32
