#include "threads/thread_actions.h"

#include "core/error.h"
#include "platform/timing.h"

#include <algorithm>

namespace zev {

namespace {
constexpr std::uint32_t kAllCodes = 0xFFFFFFFFu;

bool Matches(std::uint32_t code, std::uint32_t pCode, bool pIsMask) {
    return pIsMask ? (code & pCode) == pCode : code == pCode;
}
} // namespace

std::int32_t TThreadCtrlActions::Insert(double pDelay, std::uint32_t pCode, std::intptr_t pData) {
    std::lock_guard<std::mutex> lock(FCS);
    TThreadCtrlAction action;
    action.When = PerfCounter() +
                  static_cast<std::int64_t>(static_cast<double>(PerfFrequency()) * pDelay / 1000.0);
    action.Code = pCode;
    action.Data = pData;
    FCA.push_back(action);
    return static_cast<std::int32_t>(FCA.size() - 1);
}

void TThreadCtrlActions::Clear(std::uint32_t pCode, bool pIsMask) {
    std::lock_guard<std::mutex> lock(FCS);
    if (pCode == kAllCodes) {
        FCA.clear();
        return;
    }
    std::erase_if(FCA, [&](const TThreadCtrlAction& a) { return Matches(a.Code, pCode, pIsMask); });
}

void TThreadCtrlActions::Clear(std::int64_t pWhen, std::uint32_t pCode, bool pIsMask) {
    std::lock_guard<std::mutex> lock(FCS);
    if (pCode == kAllCodes) {
        FCA.clear();
        return;
    }
    std::erase_if(FCA, [&](const TThreadCtrlAction& a) {
        return a.When <= pWhen && Matches(a.Code, pCode, pIsMask);
    });
}

TThreadCtrlAction TThreadCtrlActions::Get() {
    std::lock_guard<std::mutex> lock(FCS);
    const std::int64_t now = PerfCounter();
    auto due = std::find_if(FCA.begin(), FCA.end(),
                            [now](const TThreadCtrlAction& a) { return a.When <= now; });
    if (due == FCA.end()) Raise(kBreak);
    TThreadCtrlAction action = *due;
    FCA.erase(due);
    return action;
}

std::vector<TThreadCtrlAction> TThreadCtrlActions::Items() const {
    std::lock_guard<std::mutex> lock(FCS);
    return FCA;
}

} // namespace zev
