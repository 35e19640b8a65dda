#pragma once
// TInfoPanel: one row of the device list. It builds the row from the list's controls and later
// shows the row's state: ticked or not, enabled or not, a status line under the device's text
// and its colour.
//
// Row states: -1 (and anything outside 0..3) the package does not fit the device, 0 the device
// needs no update, 1 to be updated, 2 written successfully, 3 writing failed.

#include "app/controls.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zev {

inline constexpr std::int32_t kRowNotSupported = -1;
inline constexpr std::int32_t kRowNotRequired = 0;
inline constexpr std::int32_t kRowToUpdate = 1;
inline constexpr std::int32_t kRowDone = 2;
inline constexpr std::int32_t kRowFailed = 3;

struct TInfoPanel {
    IDeviceRow* P = nullptr; // the row; owned by its list
    std::int32_t Tag = kRowNotSupported;
    std::string Caption; // the row text, without a status line

    // Builds the row at the bottom of pP with the text pN (UTF-8), the picture of pI as its icon
    // and the state pC. onChecked runs when the user changes the tick, never for the ticks set
    // here or by SetC.
    void New(IDeviceList& pP, const std::string& pN, const IImage& pI, std::int32_t pC,
             std::function<void()> onChecked);
    // Above every other row of the list; below them.
    void MoveU();
    void MoveD();
    void SetI(const IImage& pI);
    // Sets the state and shows it: tick, box, row, colour and status line.
    void SetC(std::int32_t pC);
    // The text shown while the pointer rests on the row (a failed row's reason); the caption,
    // colours and state stay as they are.
    void SetHint(const std::string& pHint);
    void ScrollIntoView();

    bool Checked() const { return P != nullptr && P->Checked(); }
};

using AInfoPanels = std::vector<TInfoPanel>;

// The row text followed by CR LF, three spaces and text pText of the text table.
std::string RowCaptionWithStatus(const std::string& pRowText, std::uint32_t pText);

} // namespace zev
