#pragma once
// Colours as the window gives them: a plain RGB value, or the index of a system colour that the
// binding looks up in the toolkit's palette.

#include <cstdint>

namespace zev {

struct TColor {
    bool System = false;
    std::uint32_t Value = 0; // RGB as 0xRRGGBB, or the system colour index

    static constexpr TColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return TColor{false, (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b};
    }
    static constexpr TColor Sys(std::uint32_t index) { return TColor{true, index}; }

    constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(Value >> 16); }
    constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>(Value >> 8); }
    constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>(Value); }

    constexpr bool operator==(const TColor&) const = default;
};

// System colour indices.
inline constexpr std::uint32_t kSysWindowText = 8;
inline constexpr std::uint32_t kSysBtnHighlight = 20;
inline constexpr std::uint32_t kSysGrayText = 17;
inline constexpr std::uint32_t kSysGradientActiveCaption = 27;
inline constexpr std::uint32_t kSysGradientInactiveCaption = 28;

inline constexpr TColor clWindowText = TColor::Sys(kSysWindowText);
inline constexpr TColor clGrayText = TColor::Sys(kSysGrayText);
inline constexpr TColor clBtnHighlight = TColor::Sys(kSysBtnHighlight);
inline constexpr TColor clGradientActiveCaption = TColor::Sys(kSysGradientActiveCaption);
inline constexpr TColor clGradientInactiveCaption = TColor::Sys(kSysGradientInactiveCaption);
inline constexpr TColor clRed = TColor::Rgb(255, 0, 0);
inline constexpr TColor clGreen = TColor::Rgb(0, 128, 0);

} // namespace zev
