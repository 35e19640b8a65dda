#include "core/cp1251.h"
#include "core/error.h"
#include "core/format.h"
#include "datafiles/hex_data_file.h"
#include "datafiles/intel_hex_writer.h"
#include "datafiles/package_builder.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/file_io.h"

#include <iostream>

namespace zev::pack {

namespace {

// 0x0105, 261, or 1.05 (the high and low byte in hexadecimal, as the title shows them).
std::uint16_t ParseVersion(const std::string& text) {
    const auto dot = text.find('.');
    if (dot == std::string::npos)
        return static_cast<std::uint16_t>(ParseNumber("--version", text, 0xFFFF));
    const std::uint32_t high = ParseNumber("--version", "0x" + text.substr(0, dot), 0xFF);
    const std::uint32_t low = ParseNumber("--version", "0x" + text.substr(dot + 1), 0xFF);
    return static_cast<std::uint16_t>(high << 8 | low);
}

} // namespace

int RunDemoHex(const std::vector<std::string>& words) {
    const Args args(words,
                    {"-o", "--output", "--name", "--version", "--type", "--variant", "--revision",
                     "--seed", "--flash-address", "--flash-size", "--eeprom-address",
                     "--eeprom-size"},
                    {});
    if (!args.Positional().empty())
        throw UsageError{"unexpected argument \"" + args.Positional().front() + "\""};
    const std::string out = args.Output();

    TDemoFirmware demo;
    if (const auto name = args.Value("--name")) {
        demo.name = Utf8ToCp1251(*name);
        if (demo.name.size() > 10) throw UsageError{"--name: at most 10 characters"};
    }
    if (const auto v = args.Value("--version")) demo.version = ParseVersion(*v);
    const auto number = [&args](const char* option, std::uint32_t max, auto& field) {
        if (const auto v = args.Value(option))
            field =
                static_cast<std::remove_reference_t<decltype(field)>>(ParseNumber(option, *v, max));
    };
    number("--type", 0xFFFF, demo.type);
    number("--variant", 0xFF, demo.variant);
    number("--revision", 0xFF, demo.revision);
    number("--seed", 0xFFFFFFFF, demo.seed);
    number("--flash-address", 0xFFFF, demo.flashAddress);
    number("--flash-size", 0x20000, demo.flashSize);
    number("--eeprom-address", 0x20000, demo.eepromAddress);
    number("--eeprom-size", 0x10000, demo.eepromSize);
    if (demo.eepromSize != 0 && demo.eepromAddress <= 0x10000)
        throw UsageError{"--eeprom-address must lie above 0x10000"};

    const ABytes flash = MakeDemoFlash(demo);
    ADataBlocks blocks = {{demo.flashAddress, 0, static_cast<std::uint32_t>(flash.size())}};
    ABytes data = flash;
    if (demo.eepromSize != 0) {
        const ABytes eeprom = MakeDemoEeprom(demo);
        blocks.push_back({demo.eepromAddress, static_cast<std::uint32_t>(flash.size()),
                          static_cast<std::uint32_t>(eeprom.size())});
        data = ABytesConcat(flash, eeprom);
    }
    const std::string text = IntelHexText(blocks, data);
    WriteFileAtomically(out, ABytes(text.begin(), text.end()));
    std::cout << "wrote " << out << ": demo firmware " << Cp1251ToUtf8(demo.name) << ", "
              << Format("%d flash bytes at 0x%x, %d EEPROM bytes at 0x%x",
                        {flash.size(), demo.flashAddress, demo.eepromSize, demo.eepromAddress})
              << "\n";
    return kExitOk;
}

} // namespace zev::pack
