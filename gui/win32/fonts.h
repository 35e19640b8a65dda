#pragma once
// Fonts of the windows: Tahoma at a size in points, for a screen resolution.

#include <windows.h>

namespace zev::win32 {

// Owns one font handle.
class TFont {
public:
    TFont() = default;
    TFont(const wchar_t* pFace, int pPoints, bool pBold, int pDpi);
    ~TFont();
    TFont(TFont&& pOther) noexcept;
    TFont& operator=(TFont&& pOther) noexcept;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    HFONT Handle() const { return FFont; }

private:
    HFONT FFont = nullptr;
};

inline constexpr const wchar_t* kFontFace = L"Tahoma";

} // namespace zev::win32
