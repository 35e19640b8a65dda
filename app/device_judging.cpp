#include "app/detail/device_judging.h"

#include "app/info_panel.h"
#include "core/cp1251.h"
#include "core/format.h"
#include "core/lang.h"

#include <algorithm>

namespace zev {

std::int32_t JudgeDevice(const TLormanBootLoaderDevID& pDevID, const TLormanBootLoaderInfo& pInfo) {
    if (pDevID.dBootTypeP != pInfo.TD || pDevID.dIspolnenieP != pInfo.IP ||
        pDevID.dPlateIzmP != pInfo.IZ)
        return kRowNotSupported;
    if (pDevID.dVerProg >= pInfo.VP) return kRowNotRequired;
    return kRowToUpdate;
}

std::string DeviceRowText(const TLormanBootLoaderDevID& pDevID) {
    std::string name = pDevID.dName;
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    std::string format;
    GetLangText(7, format);
    return Format(format,
                  {Cp1251ToUtf8(name), static_cast<std::uint64_t>(pDevID.dID), pDevID.dVerProg >> 8,
                   pDevID.dVerProg & 0xFF, pDevID.dIspolnenieP, pDevID.dPlateIzmP});
}

std::string PackageTitle(const TLormanBootLoaderInfo& pInfo) {
    std::string format;
    GetLangText(3, format);
    return Format(format,
                  {Cp1251ToUtf8(pInfo.TX), pInfo.VP >> 8, pInfo.VP & 0xFF, pInfo.IP, pInfo.IZ});
}

} // namespace zev
