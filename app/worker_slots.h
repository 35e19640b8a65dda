#pragma once
// The window's workers, one slot each: a search worker per port, a programming worker per row.
// A slot holds its worker from the start until the worker's final event, then nothing.

#include "core/error.h"
#include "threads/thread_ctrl.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace zev {

// Makes a worker with pMake, sets it up with pSetup and starts it in pSlots[pSlot]; false when
// it could not be made, set up or started: it is deleted then, and the slot stays empty, since
// a worker that never ran never reports.
template <class TWorker, class TSetup>
bool StartInSlot(std::vector<TWorker*>& pSlots, std::size_t pSlot,
                 const std::function<TWorker*()>& pMake, TSetup&& pSetup) {
    TWorker* worker = nullptr;
    try {
        worker = pMake();
        if (worker == nullptr) Raise("no worker");
        pSetup(*worker);
        pSlots[pSlot] = worker;
        worker->ThreadBegin();
        return true;
    } catch (...) {
        pSlots[pSlot] = nullptr;
        delete worker;
        return false;
    }
}

// The slot of the worker that sent an event: the one its index names, or the sender's own slot
// when indices repeat (a worker's index is 8 bits; there may be more slots). None for a sender
// that holds no slot.
template <class TWorker>
std::optional<std::size_t> SlotOf(const std::vector<TWorker*>& pSlots, std::size_t pIndex,
                                  const TCustomThreadCtrl* pSender) {
    if (pSender == nullptr) return std::nullopt;
    if (pIndex < pSlots.size() && pSlots[pIndex] == pSender) return pIndex;
    const auto it = std::find(pSlots.begin(), pSlots.end(), pSender);
    if (it == pSlots.end()) return std::nullopt;
    return static_cast<std::size_t>(it - pSlots.begin());
}

// True when no slot holds a worker any more.
template <class TWorker> bool AllEnded(const std::vector<TWorker*>& pSlots) {
    return std::none_of(pSlots.begin(), pSlots.end(),
                        [](const TWorker* w) { return w != nullptr; });
}

} // namespace zev
