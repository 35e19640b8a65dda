// TCPCSetup in an INI file: sections DCB, CTO and BUFFERS; every value as the decimal text of the
// field taken as a signed 32-bit number (a timeout of 0xFFFFFFFF is written -1).

#include "comport/cpc_setup.h"
#include "comport/detail/ini_file.h"
#include "core/error.h"

namespace zev {

namespace {

template <typename T> std::string Text(T field) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(field)));
}

// Reads the key into the field, in the field's own width; a missing or unreadable value leaves
// the field as it was.
template <typename T>
void Load(const TIniFile& ini, const char* section, const char* key, T& field) {
    const auto text = ini.Read(section, key);
    if (!text) return;
    if (const auto value = ParseIniInteger(*text))
        field = static_cast<T>(static_cast<std::uint32_t>(*value));
}

} // namespace

void TCPCSetup::IniSave(const std::string& pFileName) const {
    TIniFile ini(pFileName);
    ini.Write("DCB", "BaudRate", Text(DCB.BaudRate));
    ini.Write("DCB", "Flags", Text(DCB.Flags));
    ini.Write("DCB", "ByteSize", Text(DCB.ByteSize));
    ini.Write("DCB", "Parity", Text(DCB.Parity));
    ini.Write("DCB", "StopBits", Text(DCB.StopBits));
    ini.Write("DCB", "XonLim", Text(DCB.XonLim));
    ini.Write("DCB", "XoffLim", Text(DCB.XoffLim));
    ini.Write("DCB", "XonChar", Text(DCB.XonChar));
    ini.Write("DCB", "XoffChar", Text(DCB.XoffChar));
    ini.Write("DCB", "ErrorChar", Text(DCB.ErrorChar));
    ini.Write("DCB", "EofChar", Text(DCB.EofChar));
    ini.Write("DCB", "EvtChar", Text(DCB.EvtChar));
    ini.Write("CTO", "ReadIntervalTimeout", Text(CTO.ReadIntervalTimeout));
    ini.Write("CTO", "ReadTotalTimeoutMultiplier", Text(CTO.ReadTotalTimeoutMultiplier));
    ini.Write("CTO", "ReadTotalTimeoutConstant", Text(CTO.ReadTotalTimeoutConstant));
    ini.Write("CTO", "WriteTotalTimeoutMultiplier", Text(CTO.WriteTotalTimeoutMultiplier));
    ini.Write("CTO", "WriteTotalTimeoutConstant", Text(CTO.WriteTotalTimeoutConstant));
    ini.Write("BUFFERS", "In", Text(BIN));
    ini.Write("BUFFERS", "Out", Text(BOU));
    if (!ini.Save()) Raise("TCPCSetup.IniSave >> Не удалось записать файл \"" + pFileName + "\"");
}

void TCPCSetup::IniLoad(const std::string& pFileName) {
    const TIniFile ini(pFileName);
    Load(ini, "DCB", "BaudRate", DCB.BaudRate);
    Load(ini, "DCB", "Flags", DCB.Flags);
    Load(ini, "DCB", "ByteSize", DCB.ByteSize);
    Load(ini, "DCB", "Parity", DCB.Parity);
    Load(ini, "DCB", "StopBits", DCB.StopBits);
    Load(ini, "DCB", "XonLim", DCB.XonLim);
    Load(ini, "DCB", "XoffLim", DCB.XoffLim);
    Load(ini, "DCB", "XonChar", DCB.XonChar);
    Load(ini, "DCB", "XoffChar", DCB.XoffChar);
    Load(ini, "DCB", "ErrorChar", DCB.ErrorChar);
    Load(ini, "DCB", "EofChar", DCB.EofChar);
    Load(ini, "DCB", "EvtChar", DCB.EvtChar);
    Load(ini, "CTO", "ReadIntervalTimeout", CTO.ReadIntervalTimeout);
    Load(ini, "CTO", "ReadTotalTimeoutMultiplier", CTO.ReadTotalTimeoutMultiplier);
    Load(ini, "CTO", "ReadTotalTimeoutConstant", CTO.ReadTotalTimeoutConstant);
    Load(ini, "CTO", "WriteTotalTimeoutMultiplier", CTO.WriteTotalTimeoutMultiplier);
    Load(ini, "CTO", "WriteTotalTimeoutConstant", CTO.WriteTotalTimeoutConstant);
    Load(ini, "BUFFERS", "In", BIN);
    Load(ini, "BUFFERS", "Out", BOU);
}

} // namespace zev
