#include "app/search_hint.h"

#include "core/format.h"
#include "core/hint_text.h"
#include "platform/error.h"
#include "platform/port_users.h"

namespace zev {

namespace {

std::string HintText(std::uint32_t pNumber) {
    std::string text;
    GetHintText(pNumber, text);
    return text;
}

std::string Joined(const std::vector<std::string>& pParts, const char* pSeparator) {
    std::string text;
    for (const auto& part : pParts) text += (text.empty() ? "" : pSeparator) + part;
    return text;
}

std::string NoAccess(const std::string& pPort) {
    const std::string group = os::PortGroup(pPort);
    const std::string user = os::UserName();
    if (group.empty() || user.empty()) return Format(HintText(kHintNoAccessNoGroup), {pPort});
    return Format(HintText(kHintNoAccess), {pPort, user, group, group, user});
}

std::string InUse(const std::string& pPort, const std::vector<std::string>& pHolders) {
    if (pHolders.empty()) return Format(HintText(kHintInUse), {pPort});
    return Format(HintText(kHintInUseBy), {pPort, Joined(pHolders, ", ")});
}

} // namespace

std::string SearchHint(std::size_t pPortCount, const std::vector<TPortFault>& pFaults) {
    if (pPortCount == 0) return HintText(kHintNoPort);
    // The programs holding the busy ports, found in one pass.
    std::vector<std::string> busy;
    for (const auto& fault : pFaults)
        if (fault.Code == os::TErrorKind::Busy) busy.push_back(fault.Port);
    const auto holders = os::PortHolders(busy);

    std::vector<std::string> lines;
    std::size_t nextBusy = 0;
    for (const auto& fault : pFaults) {
        if (!fault.Code || fault.Code == os::TErrorKind::NotFound) continue;
        if (fault.Code == os::TErrorKind::AccessDenied)
            lines.push_back(NoAccess(fault.Port));
        else if (fault.Code == os::TErrorKind::Busy)
            lines.push_back(InUse(fault.Port, holders[nextBusy++]));
        else
            lines.push_back(Format(HintText(kHintCannotOpen),
                                   {fault.Port, os::SystemErrorMessage(fault.Code)}));
    }
    lines.push_back(Format(HintText(kHintSearched), {static_cast<std::uint64_t>(pPortCount)}));
    return Joined(lines, "\r\n");
}

} // namespace zev
