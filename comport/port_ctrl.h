#pragma once
// TCustomComPortCtrl: the serial port object. It owns one port handle with the port's name, its
// current setup, its default session parameters, the last error and the session log switch;
// every handle operation runs behind a check that the port is open. Protocol classes derive from
// it and override CheckRecivedData to judge the answers of their sessions.
//
// A controller belongs to one thread at a time and takes no locks; controllers on different
// ports run on different threads at once.

#include "comport/basic_port.h"
#include "comport/cpc_setup.h"
#include "comport/session_params.h"
#include "datafiles/abytes.h"

#include <cstdint>
#include <string>

namespace zev {

class TCustomComPortCtrl {
public:
    static constexpr std::uint32_t kReadWrite = os::kGenericRead | os::kGenericWrite;
    // LastError codes of failed sessions.
    static constexpr std::uint32_t kErrorReopen = 0x80000001u;   // write and reopen failed
    static constexpr std::uint32_t kErrorNoAnswer = 0x80000002u; // an answer was required

    TCustomComPortCtrl();
    virtual ~TCustomComPortCtrl();
    TCustomComPortCtrl(const TCustomComPortCtrl&) = delete;
    TCustomComPortCtrl& operator=(const TCustomComPortCtrl&) = delete;

    // Properties.
    std::uint32_t LastError() const { return FLastError; }
    TPortHandle Port() const { return FPort; }
    // The port name; "\\.\COM12" reads as COM12.
    std::string PortName() const;
    bool Opened() const { return IsValidHandle(FPort); }
    bool Registred() const { return IsRegistred(FPortName); }
    const TCPCSetup& Setup() const { return FSetup; }
    bool Log() const { return FLog; }
    void SetLog(bool value) { FLog = value; }
    const std::string& LogStr() const { return FLogStr; }
    const TSessionParams& SessionParam() const { return FSP; }
    void SetSessionParam(const TSessionParams& value) { FSP = value; }

    // The device's latency timer and driver configuration data (from the device database);
    // "Не удалось получить значение "..."" when the device has none.
    static std::uint32_t LatencyTimer(const std::string& pName);
    static ABytes ConfigData(const std::string& pName);
    // True when a port of the same number (or, for device paths, the same device) is listed.
    static bool IsRegistred(const std::string& pName);

    // Called once at the end of every session; writes the log line when Log is on.
    virtual void AppendSessionLog(const ABytes& Send, const ABytes& Recive,
                                  std::uint32_t WaitRecive, std::uint32_t Dubls,
                                  const std::string& ErrorText);
    // Judges the answer. While reading it is called after each piece with Complite false; setting
    // Complite ends the reading, an error is ignored. At the end of a session that needs an
    // answer it is called once more with Complite true, and its error is the session's error.
    // The base raises "Нет ответа." (LastError 0x80000002) for an empty answer.
    virtual void CheckRecivedData(const ABytes& Send, const ABytes& Recive, bool& Complite);

    void ClearBuffers(bool bIn, bool bOut);
    std::uint32_t ClearErrors();
    std::uint32_t ClearErrors(COMSTAT& Stat);
    void Close();
    void GetBuffers(std::uint32_t& InBuff, std::uint32_t& OutBuff);
    zev::DCB GetDCB();
    zev::COMMTIMEOUTS GetTimeOuts();
    std::uint32_t GetQueueSize();
    std::uint32_t GetOutputSize();
    COMMPROP GetProperties();
    COMMCONFIG GetConfig();
    [[noreturn]] void CreateException(std::uint32_t Code, const std::string& Text);
    // Opens the port (closing one already open); unless pFast, reads its setup back and works
    // out the timing values.
    void Open(const std::string& pPortName, std::uint32_t pDesiredAccess = kReadWrite,
              bool pFast = false);
    ABytes Read(std::uint32_t pSize);
    void Reopen();
    // Sends Data and returns the answer (empty when NeedAnswer is false or nothing came).
    ABytes Session(const ABytes& Data, bool NeedAnswer);
    ABytes Session(const ABytes& Data, PSessionParams sp, bool NeedAnswer);
    void SetBuffers(std::uint32_t InBuff, std::uint32_t OutBuff);
    void SetDCB(const zev::DCB& pDCB);
    void SetTimeOuts(const zev::COMMTIMEOUTS& pCTO);
    void SetSetup(const TCPCSetup& pCPS);
    [[noreturn]] void SwitchToRecive();
    [[noreturn]] void SwitchToSend();
    bool Write(const ABytes& Data);
    // 2: this controller holds the port; 1: the port is listed; 0: neither.
    std::uint8_t PortState(const std::string& pPortName = {});

protected:
    // Raises "TCustomComPortCtrl.GetOpenRaised >> Подключение не установлено." when closed.
    void GetOpenRaised() const;
    void ComputeTiming();
    // Adds a trace line to FLogStr when the session's parameters ask for it.
    void Trace(const TSessionParams& sp, const std::string& line);
    // The read loop of one session attempt: appends what arrives to answer.
    void ReadAnswer(const ABytes& Data, const TSessionParams& p, double packetGap, ABytes& answer);

    TPortHandle FPort = 0;
    std::string FPortName;
    TCPCSetup FSetup;
    TSessionParams FSP;
    std::uint32_t FLastError = 0;
    bool FLog = false;
    std::uint32_t FLatTmr = 0; // the device's latency timer + 2 ms; 1 without one
    std::uint32_t FBfSz = 0;   // the device's buffer size in bytes; 256 without one
    double GTCHB = 0;          // ms of eight bit periods
    double GTC5B = 0;          // ms to drain the device buffer, plus twice the latency
    std::string FLogStr;
};

} // namespace zev
