#pragma once
// TThreadCtrlActions: the timed action queue each worker controller owns. Actions fall due at an
// absolute time in performance-counter ticks; among the due ones the earliest inserted is taken
// first. Every operation holds the queue's own lock and may be called from any thread.

#include <cstdint>
#include <mutex>
#include <vector>

namespace zev {

struct TThreadCtrlAction {
    std::int64_t When = 0;  // due time, performance-counter ticks
    std::uint32_t Code = 0; // action code
    std::intptr_t Data = 0; // opaque to the queue
};

class TThreadCtrlActions {
public:
    // Appends an action due pDelay milliseconds from now (zero or negative: due at once);
    // returns its index.
    std::int32_t Insert(double pDelay, std::uint32_t pCode, std::intptr_t pData);

    // Removes the actions whose Code equals pCode, or with pIsMask those whose Code has every bit
    // of pCode set. pCode 0xFFFFFFFF empties the queue.
    void Clear(std::uint32_t pCode, bool pIsMask);
    // The same, limited to actions due not later than pWhen.
    void Clear(std::int64_t pWhen, std::uint32_t pCode, bool pIsMask);

    // Takes out the earliest inserted action that is due; raises "BREAK" when none is due.
    TThreadCtrlAction Get();

    // A copy of the queue in its order, for inspection.
    std::vector<TThreadCtrlAction> Items() const;

private:
    mutable std::mutex FCS;
    std::vector<TThreadCtrlAction> FCA;
};

} // namespace zev
