#include "tools/zev-pack/part_layout.h"

#include "core/format.h"
#include "datafiles/package_check.h"

namespace zev::pack {

namespace {

constexpr std::uint32_t kRecordBytes = 32;

std::optional<std::uint32_t> Number(const Args& args, const std::string& option,
                                    std::uint32_t max) {
    const auto text = args.Value(option);
    if (!text) return std::nullopt;
    return ParseNumber(option, *text, max);
}

} // namespace

std::uint32_t TPartLayout::FlashLimit() const {
    return flashEnd ? *flashEnd + 1 : kPackageFlashLimit;
}

std::uint32_t TPartLayout::PackageEepromAddress() const {
    return eepromAt > kPackageFlashLimit ? eepromAt : kPackageEepromAddress;
}

const std::vector<std::string>& PartLayoutOptionNames() {
    static const std::vector<std::string> names = {"--record-at", "--flash-end", "--eeprom-at",
                                                   "--eeprom-fill"};
    return names;
}

bool PartLayoutGiven(const Args& args) {
    for (const std::string& name : PartLayoutOptionNames())
        if (args.Value(name)) return true;
    return false;
}

TPartLayout PartLayoutOptions(const Args& args) {
    TPartLayout layout;
    if (const auto at = Number(args, "--record-at", kPackageFlashLimit - kRecordBytes)) {
        if (*at % 2 != 0)
            throw UsageError{"--record-at takes an even byte address (twice the record's word "
                             "address)"};
        layout.recordAt = *at;
    }
    layout.flashEnd = Number(args, "--flash-end", kPackageFlashLimit - 1);
    if (layout.flashEnd && (*layout.flashEnd % 2 == 0 ||
                            *layout.flashEnd < std::uint64_t{layout.recordAt} + kRecordBytes - 1))
        throw UsageError{Format("--flash-end takes the part's last flash byte: an odd address "
                                "(twice its last word address + 1) past the 32-byte record at "
                                "0x%x",
                                {layout.recordAt})};
    if (const auto at = Number(args, "--eeprom-at", kPackageEepromLimit)) {
        const std::uint32_t limit = layout.FlashLimit();
        if (*at <= limit && !layout.flashEnd && *at < kPackageFlashLimit)
            throw UsageError{Format("--eeprom-at 0x%x lies among the flash addresses below "
                                    "0x%x: give the part's last flash byte with --flash-end as "
                                    "well (0x3FFF for a part of 8K words)",
                                    {*at, kPackageFlashLimit})};
        if (*at <= limit || *at % 2 != 0)
            throw UsageError{Format("--eeprom-at takes an even address above the flash limit "
                                    "0x%x and at most 0x%x",
                                    {limit, kPackageEepromLimit})};
        layout.eepromAt = *at;
    }
    if (const auto fill = Number(args, "--eeprom-fill", 0xFF))
        layout.eepromFill = static_cast<std::uint8_t>(*fill);
    return layout;
}

} // namespace zev::pack
