// Request/answer sessions of TCustomComPortCtrl and the session log line.

#include "comport/port_ctrl.h"
#include "comport/detail/session_log.h"
#include "core/error.h"
#include "core/format.h"
#include "platform/timing.h"

#include <cmath>
#include <cstdio>

namespace zev {

namespace {

// A number with two decimals in a field of at least the given width ("%1.2f", "%3.2f").
std::string Fixed2(double value, int width) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%*.2f", width, value);
    return buffer;
}

} // namespace

void TCustomComPortCtrl::Trace(const TSessionParams& sp, const std::string& line) {
    if (!sp.Loged) return;
    if (!FLogStr.empty()) FLogStr += "\r\n";
    FLogStr += line;
}

ABytes TCustomComPortCtrl::Session(const ABytes& Data, bool NeedAnswer) {
    return Session(Data, nullptr, NeedAnswer);
}

ABytes TCustomComPortCtrl::Session(const ABytes& Data, PSessionParams sp, bool NeedAnswer) {
    // The parameters are read through p all along: a caller may pass the controller's own.
    const TSessionParams& p = sp ? *sp : FSP;
    FLogStr.clear();
    std::uint32_t dubls = 0;
    std::string errorText;
    std::string sessionError;
    const double sessionStart = PerfMilliseconds();
    const double packetGap = GTC5B > p.BetPacks ? GTC5B : static_cast<double>(p.BetPacks);
    ABytes answer;

    try {
        GetOpenRaised();
        Trace(p, Format("W%d, T", {static_cast<unsigned>(Data.size())}) + Fixed2(packetGap, 1) +
                     "-" + Fixed2(GTC5B, 1));
        const std::size_t sent = Data.size() > 2 ? Data.size() - 2 : 1;
        const double writePause = 2.0 * GTCHB * static_cast<double>(sent);
        for (unsigned attempt = 0; attempt <= p.Dublicate; ++attempt) {
            const double attemptStart = PerfMilliseconds();
            try {
                TBasicComPortCtrl::ClearBuffers(FPort, true, true);
                TBasicComPortCtrl::Write(FPort, Data);
                SleepMs(writePause);
            } catch (const std::exception& e) {
                // A port that failed under us is opened again and the attempt goes on reading.
                const std::string first = e.what();
                try {
                    Reopen();
                } catch (const std::exception& e2) {
                    CreateException(kErrorReopen, first + "(" + e2.what() + ")");
                }
            }
            Trace(p, "W" + Fixed2(PerfMilliseconds() - attemptStart, 1));

            if (NeedAnswer) ReadAnswer(Data, p, packetGap, answer);
            Trace(p, Format("R%d", {static_cast<unsigned>(answer.size())}));
            if (!answer.empty() || !NeedAnswer) break;
            if (p.DublWait > 0) SleepMs(p.DublWait);
            ++dubls;
        }
    } catch (const std::exception& e) {
        errorText = e.what();
        sessionError = "TCustomComPortCtrl.Session: \"" + errorText + "\"";
    }

    if (errorText.empty() && NeedAnswer && answer.empty()) errorText = "Нет ответа";
    try {
        const auto micros =
            static_cast<std::uint32_t>(std::llround((PerfMilliseconds() - sessionStart) * 1000));
        AppendSessionLog(Data, answer, micros, dubls, errorText);
    } catch (...) {
    }
    if (NeedAnswer) {
        bool complite = true;
        CheckRecivedData(Data, answer, complite); // its error replaces the session's
    }
    if (!sessionError.empty()) Raise(sessionError);
    return answer;
}

// Polls the receive queue until the answer is judged complete, falls silent for the packet gap,
// times out before its first byte, or reaches the read count.
void TCustomComPortCtrl::ReadAnswer(const ABytes& Data, const TSessionParams& p, double packetGap,
                                    ABytes& answer) {
    const double waitStart = PerfMilliseconds();
    double lastData = waitStart;
    for (;;) {
        SleepMs(GTCHB);
        std::int64_t waiting = 0; // -1 when the poll failed
        bool complite = false;
        try {
            COMSTAT stat;
            TBasicComPortCtrl::ClearErrors(FPort, stat);
            waiting = stat.cbInQue;
            ABytes piece;
            if (waiting > 0) {
                const double now = PerfMilliseconds();
                Trace(p, Fixed2(now - waitStart, 3) + " - " + Fixed2(now - lastData, 3) + ":  " +
                             std::to_string(waiting));
                piece.resize(static_cast<std::size_t>(waiting));
                piece.resize(TBasicComPortCtrl::Read(FPort, piece));
                // A driver that reports bytes it then does not deliver must not keep the answer
                // open for ever: only delivered bytes count as data.
                if (piece.empty()) waiting = 0;
            }
            if (!piece.empty()) {
                answer.insert(answer.end(), piece.begin(), piece.end());
                lastData = PerfMilliseconds();
                try {
                    CheckRecivedData(Data, answer, complite);
                } catch (...) {
                    complite = false; // judged again with the next piece
                }
            }
        } catch (const std::exception&) {
            waiting = -1;
        }
        if (complite) return;
        const double now = PerfMilliseconds();
        if (!answer.empty() && now - lastData >= packetGap && waiting < 1) return;
        if (answer.empty() && now - waitStart >= p.TimeOut) return;
        if (answer.size() >= p.ReadCount) return;
    }
}

void TCustomComPortCtrl::CheckRecivedData(const ABytes&, const ABytes& Recive, bool&) {
    if (Recive.empty()) CreateException(kErrorNoAnswer, "Нет ответа.");
}

void TCustomComPortCtrl::AppendSessionLog(const ABytes& Send, const ABytes& Recive,
                                          std::uint32_t WaitRecive, std::uint32_t Dubls,
                                          const std::string& ErrorText) {
    if (!FLog) return;
    if (!FLogStr.empty()) FLogStr = "\r\n" + FLogStr;
    const std::string line = ">> " + ABytesToText(Send, " ", true) + " << " +
                             ABytesToText(Recive, " ", true) + " [" + std::to_string(Dubls) + "-" +
                             Fixed2(WaitRecive / 1000.0, 1) + ": " + ErrorText + "]" + FLogStr;
    AppendDailyLog(PortName(), line, true);
}

} // namespace zev
