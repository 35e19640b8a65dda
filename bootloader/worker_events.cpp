#include "bootloader/worker_events.h"

namespace zev {

std::uint32_t ProgressPercent(std::int64_t k, std::int64_t pTotal) {
    if (pTotal <= 0) return 100;
    const std::int64_t scaled = k * 100;
    std::int64_t q = scaled / pTotal;
    const std::int64_t twice = (scaled % pTotal) * 2;
    if (twice > pTotal || (twice == pTotal && q % 2 != 0)) ++q;
    return static_cast<std::uint32_t>(q);
}

} // namespace zev
