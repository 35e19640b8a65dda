#include "comport/port_ctrl.h"

#include "core/error.h"
#include "platform/ports.h"

#include <algorithm>

namespace zev {

namespace {

os::TPortDevice DeviceOf(const TPortInfo& info) {
    os::TPortDevice device;
    device.portName = info.portName;
    device.portRegPath = info.portRegPath;
    device.FN = info.FN;
    device.SV = info.SV;
    device.serialTty = info.portType == 1;
    return device;
}

// Device paths compare by the device they reach; COM names by their numbers. A name that is
// neither raises the name error.
bool SamePort(const std::string& a, const std::string& b) {
    if (os::IsDevicePath(a) || os::IsDevicePath(b)) {
        auto device = [](const std::string& name) {
            if (os::IsDevicePath(name)) return name;
            const std::int32_t number = PortNumberOf(name);
            return number >= 1 ? os::PortDevice(TBasicComPortCtrl::CheckPortName(number))
                               : std::string();
        };
        const std::string da = device(a);
        return !da.empty() && da == device(b);
    }
    return PortNumberOf(a) == PortNumberOf(b);
}

} // namespace

TCustomComPortCtrl::TCustomComPortCtrl() {
    FSetup.Default(9600, 1);
    FSP.Init(1000, 256, 20, 0, 100);
}

TCustomComPortCtrl::~TCustomComPortCtrl() {
    Close();
}

std::string TCustomComPortCtrl::PortName() const {
    if (FPortName.find("\\\\.\\") != std::string::npos) return FPortName.substr(4);
    return FPortName;
}

std::uint32_t TCustomComPortCtrl::LatencyTimer(const std::string& pName) {
    std::optional<std::uint32_t> value;
    if (const auto code = os::DeviceLatencyTimer(DeviceOf(GetPortInfo(pName)), value))
        Raise(ValueReadErrorText(code, "LatencyTimer"));
    if (!value) Raise("Не удалось получить значение \"LatencyTimer\"");
    return *value;
}

ABytes TCustomComPortCtrl::ConfigData(const std::string& pName) {
    std::optional<std::vector<std::uint8_t>> value;
    if (const auto code = os::DeviceConfigData(DeviceOf(GetPortInfo(pName)), value))
        Raise(ValueReadErrorText(code, "ConfigData"));
    if (!value) Raise("Не удалось получить значение \"ConfigData\"");
    return ABytes(value->begin(), value->begin() + std::min<std::size_t>(value->size(), 64));
}

bool TCustomComPortCtrl::IsRegistred(const std::string& pName) {
    for (const auto& name : TBasicComPortCtrl::ListPorts())
        if (SamePort(name, pName)) return true;
    return false;
}

void TCustomComPortCtrl::GetOpenRaised() const {
    if (!Opened()) Raise("TCustomComPortCtrl.GetOpenRaised >> Подключение не установлено.");
}

void TCustomComPortCtrl::ComputeTiming() {
    const double baud = static_cast<double>(FSetup.DCB.BaudRate);
    if (FSetup.DCB.BaudRate == 0) return; // no port takes it; the values stay as they were
    // The products are formed in 32 bits first, as the device's numbers are.
    GTCHB = static_cast<double>(std::uint32_t{8000}) / baud;
    GTC5B = static_cast<double>(static_cast<std::uint32_t>(FBfSz * 2000u)) / baud +
            static_cast<double>(static_cast<std::uint32_t>(2u * FLatTmr));
}

void TCustomComPortCtrl::ClearBuffers(bool bIn, bool bOut) {
    GetOpenRaised();
    TBasicComPortCtrl::ClearBuffers(FPort, bIn, bOut);
}

std::uint32_t TCustomComPortCtrl::ClearErrors() {
    COMSTAT stat;
    return ClearErrors(stat);
}

std::uint32_t TCustomComPortCtrl::ClearErrors(COMSTAT& Stat) {
    GetOpenRaised();
    FLastError = TBasicComPortCtrl::ClearErrors(FPort, Stat);
    return FLastError;
}

void TCustomComPortCtrl::Close() {
    TBasicComPortCtrl::Close(FPort);
}

void TCustomComPortCtrl::GetBuffers(std::uint32_t& InBuff, std::uint32_t& OutBuff) {
    GetOpenRaised();
    TBasicComPortCtrl::GetBuffers(FPort, InBuff, OutBuff);
}

DCB TCustomComPortCtrl::GetDCB() {
    GetOpenRaised();
    zev::DCB dcb = TBasicComPortCtrl::GetDCB(FPort);
    if (dcb.BaudRate == 0) dcb.BaudRate = 9600;
    return dcb;
}

COMMTIMEOUTS TCustomComPortCtrl::GetTimeOuts() {
    GetOpenRaised();
    return TBasicComPortCtrl::GetTimeOuts(FPort);
}

std::uint32_t TCustomComPortCtrl::GetQueueSize() {
    GetOpenRaised();
    COMSTAT stat;
    FLastError = TBasicComPortCtrl::ClearErrors(FPort, stat);
    return stat.cbInQue;
}

std::uint32_t TCustomComPortCtrl::GetOutputSize() {
    GetOpenRaised();
    COMSTAT stat;
    FLastError = TBasicComPortCtrl::ClearErrors(FPort, stat);
    return stat.cbOutQue;
}

COMMPROP TCustomComPortCtrl::GetProperties() {
    COMMPROP prop;
    if (os::SerialGetProperties(FPort, prop)) Raise("Error Message");
    return prop;
}

COMMCONFIG TCustomComPortCtrl::GetConfig() {
    COMMCONFIG config;
    config.dwSize = sizeof(COMMCONFIG);
    if (os::SerialDefaultConfig(FPortName, config)) Raise("Error Message");
    return config;
}

void TCustomComPortCtrl::CreateException(std::uint32_t Code, const std::string& Text) {
    FLastError = Code;
    Raise(Text);
}

void TCustomComPortCtrl::Open(const std::string& pPortName, std::uint32_t pDesiredAccess,
                              bool pFast) {
    Close();
    FPortName = TBasicComPortCtrl::CheckPortName(pPortName);
    FPort = TBasicComPortCtrl::Open(FPortName, pDesiredAccess);
    if (pFast) return;
    FSetup.DCB = GetDCB();
    FSetup.CTO = GetTimeOuts();
    GetBuffers(FSetup.BIN, FSetup.BOU);
    try {
        FLatTmr = LatencyTimer(FPortName) + 2;
    } catch (const std::exception&) {
        FLatTmr = 1;
    }
    try {
        const ABytes config = ConfigData(FPortName);
        FBfSz = config.size() >= 3 ? 64u * config[2] : 256u;
    } catch (const std::exception&) {
        FBfSz = 256;
    }
    ComputeTiming();
}

ABytes TCustomComPortCtrl::Read(std::uint32_t pSize) {
    GetOpenRaised();
    ABytes data(pSize);
    data.resize(TBasicComPortCtrl::Read(FPort, data));
    return data;
}

void TCustomComPortCtrl::Reopen() {
    Open(FPortName, kReadWrite, false);
}

void TCustomComPortCtrl::SetBuffers(std::uint32_t InBuff, std::uint32_t OutBuff) {
    GetOpenRaised();
    TBasicComPortCtrl::SetBuffers(FPort, InBuff, OutBuff);
    FSetup.BIN = InBuff;
    FSetup.BOU = OutBuff;
}

void TCustomComPortCtrl::SetDCB(const zev::DCB& pDCB) {
    GetOpenRaised();
    TBasicComPortCtrl::SetDCB(FPort, pDCB);
    FSetup.DCB = pDCB;
    ComputeTiming();
}

void TCustomComPortCtrl::SetTimeOuts(const zev::COMMTIMEOUTS& pCTO) {
    GetOpenRaised();
    TBasicComPortCtrl::SetTimeOuts(FPort, pCTO);
    FSetup.CTO = pCTO;
}

void TCustomComPortCtrl::SetSetup(const TCPCSetup& pCPS) {
    GetOpenRaised();
    TBasicComPortCtrl::SetDCB(FPort, pCPS.DCB);
    TBasicComPortCtrl::SetTimeOuts(FPort, pCPS.CTO);
    TBasicComPortCtrl::SetBuffers(FPort, pCPS.BIN, pCPS.BOU);
    FSetup = pCPS;
    ComputeTiming();
}

void TCustomComPortCtrl::SwitchToRecive() {
    GetOpenRaised();
    TBasicComPortCtrl::SwitchToRecive(FPort);
}

void TCustomComPortCtrl::SwitchToSend() {
    GetOpenRaised();
    TBasicComPortCtrl::SwitchToSend(FPort);
}

bool TCustomComPortCtrl::Write(const ABytes& Data) {
    GetOpenRaised();
    return TBasicComPortCtrl::Write(FPort, Data) == Data.size();
}

std::uint8_t TCustomComPortCtrl::PortState(const std::string& pPortName) {
    const std::string name =
        pPortName.empty() ? FPortName : TBasicComPortCtrl::CheckPortName(pPortName);
    if (Opened() && name == FPortName) return 2;
    return IsRegistred(name) ? 1 : 0;
}

} // namespace zev
