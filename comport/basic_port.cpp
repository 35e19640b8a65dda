// The handle operations of TBasicComPortCtrl.

#include "comport/basic_port.h"

#include "core/error.h"

namespace zev {

namespace {

// Raises "<prefix><code>: <text>)." when the call failed.
void Check(const std::error_code& code, const char* prefix) {
    if (code) Raise(std::string(prefix) + SysErrorText(code) + ").");
}

} // namespace

void TBasicComPortCtrl::ClearBuffers(TPortHandle pPort, bool bIn, bool bOut) {
    std::uint32_t flags = 0;
    if (bIn) flags |= os::kPurgeRxAbort | os::kPurgeRxClear;
    if (bOut) flags |= os::kPurgeTxAbort | os::kPurgeTxClear;
    Check(os::SerialPurge(pPort, flags),
          "TBasicComPortCtrl.ClearBuffers >> Не удалось очистить буффер (");
}

std::uint32_t TBasicComPortCtrl::ClearErrors(TPortHandle pPort, COMSTAT& Stat) {
    std::uint32_t errors = 0;
    Check(os::SerialClearErrors(pPort, errors, Stat),
          "TBasicComPortCtrl.ClearErrors >> Не удалось выполнить чтение ошибки (");
    return errors;
}

std::uint32_t TBasicComPortCtrl::ClearErrors(TPortHandle pPort) {
    COMSTAT stat;
    return ClearErrors(pPort, stat);
}

void TBasicComPortCtrl::Close(TPortHandle& pPort) {
    if (IsValidHandle(pPort)) (void)os::SerialClose(pPort);
    pPort = os::kNoPort;
}

void TBasicComPortCtrl::GetBuffers(TPortHandle pPort, std::uint32_t& InBuff,
                                   std::uint32_t& OutBuff) {
    COMMPROP prop;
    Check(os::SerialGetProperties(pPort, prop),
          "TBasicComPortCtrl.GetBuffers >> Не удалось установить размер буффера (");
    InBuff = prop.dwMaxRxQueue;
    OutBuff = prop.dwMaxTxQueue;
}

DCB TBasicComPortCtrl::GetDCB(TPortHandle pPort) {
    zev::DCB dcb;
    Check(os::SerialGetState(pPort, dcb),
          "TBasicComPortCtrl.GetDCB >> Не удалось запрос параметров порта (");
    return dcb;
}

COMMTIMEOUTS TBasicComPortCtrl::GetTimeOuts(TPortHandle pPort) {
    zev::COMMTIMEOUTS cto;
    Check(os::SerialGetTimeouts(pPort, cto),
          "TBasicComPortCtrl.GetTimeOuts >> Не удалось запросить таймауты (");
    return cto;
}

TPortHandle TBasicComPortCtrl::Open(const std::string& pPortName, std::uint32_t pDesiredAccess) {
    TPortHandle port = os::kNoPort;
    const std::error_code code = os::SerialOpen(pPortName, pDesiredAccess, port);
    if (!code && IsValidHandle(port)) return port;
    const std::string prefix = "TBasicComPortCtrl.Open(" + pPortName + ") >> ";
    if (code == os::TErrorKind::NotFound) throw TPortOpenError(prefix + "Порт не найден.", code);
    if (code == os::TErrorKind::Busy) throw TPortOpenError(prefix + "Порт занят.", code);
    throw TPortOpenError(prefix + SysErrorText(code), code);
}

std::uint32_t TBasicComPortCtrl::Read(TPortHandle pPort, ABytes& pData) {
    std::uint32_t done = 0;
    Check(os::SerialRead(pPort, pData.data(), static_cast<std::uint32_t>(pData.size()), done),
          "TBasicComPortCtrl.Read >> Не удалось выполнить чтение (");
    return done;
}

void TBasicComPortCtrl::SetBuffers(TPortHandle pPort, std::uint32_t InBuff, std::uint32_t OutBuff) {
    Check(os::SerialSetQueues(pPort, InBuff, OutBuff),
          "TBasicComPortCtrl.SetBuffers >> Не удалось установить размер буффера (");
}

void TBasicComPortCtrl::SetDCB(TPortHandle pPort, const zev::DCB& pDCB) {
    Check(os::SerialSetState(pPort, pDCB),
          "TBasicComPortCtrl.SetDCB >> Не удалось установить параметры порта (");
}

void TBasicComPortCtrl::SetTimeOuts(TPortHandle pPort, const zev::COMMTIMEOUTS& pCTO) {
    Check(os::SerialSetTimeouts(pPort, pCTO),
          "TBasicComPortCtrl.SetTimeOuts >> Не удалось установить таймауты (");
}

void TBasicComPortCtrl::SwitchToRecive(TPortHandle) {
    Raise("TBasicComPortCtrl.SwitchToRecive >> SwitchToRecive не работает");
}

void TBasicComPortCtrl::SwitchToSend(TPortHandle) {
    Raise("TBasicComPortCtrl.SwitchToSend >> SwitchToSend не работает");
}

std::uint32_t TBasicComPortCtrl::Write(TPortHandle pPort, const ABytes& Data) {
    std::uint32_t done = 0;
    Check(os::SerialWrite(pPort, Data.data(), static_cast<std::uint32_t>(Data.size()), done),
          "TBasicComPortCtrl.Write >> Не удалось выполнить запись (");
    return done;
}

} // namespace zev
