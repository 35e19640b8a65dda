#pragma once
// Everything that describes one simulated device: its name and how it is exposed, its
// bootloader identity, the installed program's information record, its timing and its faults.

#include "tools/zev-devsim/fault.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zev::devsim {

// The bootloader's own identity fields, in the host's units (byte addresses, sizes in bytes).
struct TBootIdentity {
    std::uint16_t BootVersion = 0x0102;
    std::uint16_t BootType = 0x001A;
    std::uint8_t Ispolnenie = 1;
    std::uint8_t PlateIzm = 1;
    std::uint16_t Date = 0x1709; // BCD year << 8 | BCD month
    std::uint16_t AdressInf = 0x0400;
    std::uint16_t AdressMax = 0xFFFF;
    std::uint16_t BlockWrite = 128;
    std::uint32_t EepromMax = 256;
    std::uint32_t ID = 1;
};

// Fields of the installed program's information record that the configuration sets; unset
// ones keep what the flash image holds.
struct TProgramFields {
    std::optional<std::uint16_t> EndProg, CSProg, VerProg, BootTypeP, DateProg;
    std::optional<std::uint8_t> IspolnenieP, PlateIzmP;
    std::optional<std::string> Name; // Windows-1251 bytes, at most 10
};

struct TTiming {
    bool Paced = false;
    std::uint32_t Baud = 19200; // 8N1: baud / 10 bytes per second each way
    double IdentityMs = 1;
    double FlashMs = 5;
    double EepromMs = 100; // about 3.3 ms per byte of a 32-byte line
    double ResetMs = 20;
    double GapMs = 50; // a frame left incomplete this long is dropped
};

struct TDeviceConfig {
    std::string Name;
    std::string Link;                    // a symbolic link to the port, or empty
    std::string FlashImage, EepromImage; // binary files loaded at address 0
    TBootIdentity Boot;
    TProgramFields Program;
    TTiming Timing;
    std::vector<TFault> Faults;
};

// Sets one key; raises an Error naming the key and what it accepts. Keys are not case-sensitive.
void ApplyKey(TDeviceConfig& pConfig, const std::string& pKey, const std::string& pValue);

// The keys with a line of explanation each, for --help.
const char* DeviceKeysHelp();

} // namespace zev::devsim
