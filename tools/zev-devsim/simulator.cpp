#include "tools/zev-devsim/simulator.h"

#include "core/error.h"
#include "tools/zev-devsim/dump.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zev::devsim {

namespace {
constexpr std::int64_t kMs = 1000000;
constexpr std::int64_t kHangUpRecheck = 10 * kMs; // how often a closed port is looked at again
constexpr std::int64_t kSendSlack = 2 * kMs;      // bytes due within this go in one write
constexpr std::size_t kReadBudget = 4096;         // bytes taken from one port per round
constexpr std::int64_t kDumpRecheck = 5 * kMs;    // how often a running dump is looked at

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}
} // namespace

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TSimulator::TSimulator(std::vector<TDeviceConfig> pDevices, TOptions pOptions)
    : FOptions(std::move(pOptions)) {
    for (TDeviceConfig& cfg : pDevices) {
        auto unit = std::make_unique<TUnit>();
        const std::string link = cfg.Link;
        unit->Dev = std::make_unique<TDevice>(std::move(cfg));
        unit->Port = std::make_unique<TPtyPort>();
        if (!link.empty()) unit->Port->MakeLink(link);
        FUnits.push_back(std::move(unit));
    }
}

std::vector<std::string> TSimulator::DeviceLines() const {
    std::vector<std::string> lines;
    for (const auto& u : FUnits) {
        std::string line = "device " + u->Dev->Config().Name + " " + u->Port->Path();
        if (!u->Port->Link().empty()) line += " " + u->Port->Link();
        lines.push_back(line);
    }
    return lines;
}

std::int64_t TSimulator::ByteNs(const TUnit& pUnit) const {
    const TTiming& t = pUnit.Dev->Config().Timing;
    return t.Paced ? static_cast<std::int64_t>(10.0e9 / t.Baud) : 0;
}

void TSimulator::Trace(const TUnit& pUnit, const char* pDir, const ABytes& pBytes) const {
    if (!FOptions.Verbose) return;
    std::fprintf(stderr, "%s %s %s\n", pUnit.Dev->Config().Name.c_str(), pDir,
                 ABytesToText(pBytes, " ", true).c_str());
}

void TSimulator::HangUp(TUnit& pUnit, std::int64_t pNow) {
    if (!pUnit.HungUp && FOptions.Verbose)
        std::fprintf(stderr, "%s: the host closed the port\n", pUnit.Dev->Config().Name.c_str());
    pUnit.HungUp = true;
    pUnit.NextCheck = pNow + kHangUpRecheck;
    for (const auto& o : pUnit.Out) pUnit.Answers[o.Answer].HungUp = true;
    pUnit.Out.clear();
    pUnit.WriteBlocked = false;
    if (pUnit.Reader.HasStray()) pUnit.Dev->NoteIgnored(pUnit.Reader.TakeStray(), "stray-bytes");
    if (pUnit.Reader.Partial()) pUnit.Dev->NoteIgnored(pUnit.Reader.Abandon(), "incomplete");
    pUnit.RxFree = pUnit.DevFree = 0;
    pUnit.Port->ResetLine();
}

void TSimulator::HandleFrame(TUnit& pUnit, const TFrame& pFrame, std::int64_t pComplete,
                             std::int64_t pNow) {
    Trace(pUnit, "<", pFrame.Raw);
    const std::size_t logged = pUnit.Dev->Log().size();
    const TReaction r = pUnit.Dev->Handle(pFrame);
    if (pUnit.Dev->Log().size() > logged)
        pUnit.Times.push_back({pComplete, pUnit.Dev->Log()[logged].front()});
    if (r.Close) {
        pUnit.Port->Close();
        pUnit.Gone = true;
        for (const auto& o : pUnit.Out) pUnit.Answers[o.Answer].HungUp = true;
        pUnit.Out.clear();
        Print("closed " + pUnit.Dev->Config().Name);
        return;
    }
    if (r.Answer.empty()) return;
    const std::size_t index = pUnit.Answers.size();
    TAnswerTime& a = pUnit.Answers.emplace_back();
    a.Bytes = r.Answer.size();
    const std::int64_t byteNs = ByteNs(pUnit);
    if (byteNs == 0) { // instant
        for (std::uint8_t b : r.Answer) pUnit.Out.push_back({pNow, b, index});
        a.FirstDueNs = a.LastDueNs = pNow;
        return;
    }
    const std::int64_t start = std::max(pComplete, pUnit.DevFree);
    const std::int64_t answerAt = start + static_cast<std::int64_t>(r.WorkMs * 1e6);
    std::int64_t due = answerAt;
    for (std::uint8_t b : r.Answer) {
        due += byteNs;
        pUnit.Out.push_back({due, b, index});
    }
    a.FirstDueNs = answerAt + byteNs;
    a.LastDueNs = due;
    pUnit.DevFree = due;
}

void TSimulator::ReadFrom(TUnit& pUnit, std::int64_t pNow) {
    ABytes in;
    std::size_t budget = kReadBudget;
    TPtyPort::TRead state = TPtyPort::TRead::Data;
    while (budget > 0 && (state = pUnit.Port->Read(in, budget)) == TPtyPort::TRead::Data) {
        budget = kReadBudget > in.size() ? kReadBudget - in.size() : 0;
    }
    const std::int64_t byteNs = ByteNs(pUnit);
    for (std::uint8_t b : in) {
        // Paced: a byte cannot arrive sooner than one byte time after the one before it.
        const std::int64_t arrival = byteNs == 0 ? pNow : std::max(pNow, pUnit.RxFree) + byteNs;
        pUnit.RxFree = arrival;
        TFrame frame;
        if (pUnit.Reader.Feed(b, frame)) {
            if (pUnit.Reader.HasStray())
                pUnit.Dev->NoteIgnored(pUnit.Reader.TakeStray(), "stray-bytes");
            HandleFrame(pUnit, frame, arrival, pNow);
            if (pUnit.Gone) return;
        }
    }
    if (!in.empty()) pUnit.LastRx = pNow;
    if (pUnit.Reader.HasStray()) pUnit.Dev->NoteIgnored(pUnit.Reader.TakeStray(), "stray-bytes");
    if (state == TPtyPort::TRead::HungUp) HangUp(pUnit, pNow);
}

void TSimulator::FlushDue(TUnit& pUnit, std::int64_t pNow) {
    if (pUnit.Out.empty() || pUnit.HungUp || pUnit.Gone || pUnit.WriteBlocked) return;
    ABytes chunk;
    for (const auto& o : pUnit.Out) {
        if (o.Due > pNow + kSendSlack) break;
        chunk.push_back(o.Byte);
    }
    if (chunk.empty()) return;
    // The loop may have slept until this answer fell due while the host closed the port:
    // look again right before writing, so a departed host's answer is dropped.
    if (pUnit.Port->HostGone()) {
        HangUp(pUnit, pNow);
        return;
    }
    const long n = pUnit.Port->Write(chunk.data(), chunk.size());
    if (n < 0) {
        HangUp(pUnit, pNow);
        return;
    }
    Trace(pUnit, ">", ABytesCopy(chunk, 0, static_cast<std::int32_t>(n)));
    NoteWritten(pUnit, static_cast<std::size_t>(n), pNow);
    pUnit.Out.erase(pUnit.Out.begin(), pUnit.Out.begin() + n);
    if (static_cast<std::size_t>(n) < chunk.size()) {
        pUnit.WriteBlocked = true;
        ++pUnit.Answers[pUnit.Out.front().Answer].Blocked;
    }
}

// The first pCount bytes of Out have just been written.
void TSimulator::NoteWritten(TUnit& pUnit, std::size_t pCount, std::int64_t pNow) {
    std::size_t last = pUnit.Answers.size();
    for (std::size_t k = 0; k < pCount; ++k) {
        const TUnit::TOutByte& o = pUnit.Out[k];
        TAnswerTime& a = pUnit.Answers[o.Answer];
        if (o.Answer != last) { // this write's first byte of that answer
            if (a.Writes == 0)
                a.FirstWriteNs = pNow;
            else
                a.LongestPauseNs = std::max(a.LongestPauseNs, pNow - a.LastWriteNs);
            a.LastWriteNs = pNow;
            ++a.Writes;
            last = o.Answer;
        }
        ++a.Written;
        a.LatestNs = std::max(a.LatestNs, pNow - o.Due);
    }
}

// Writing a dump of many devices takes long enough (their memory as text and image, every
// request) to hold every line's answers back while it goes on, and a host that is reading one
// would take the pause for the answer's end. So a copy of the process writes it from what the
// devices hold at this moment, and the lines go on being served meanwhile. One copy at a time
// (they write the same files); a dump asked for meanwhile is written when it has ended.
void TSimulator::DumpAside() {
    if (FDumper > 0) {
        int status = 0;
        if (::waitpid(FDumper, &status, WNOHANG) == 0) return; // still writing
        FDumper = -1;
    }
    if (FDumpsWanted == 0) return;
    --FDumpsWanted;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child == 0) ::_exit(Dump() ? 0 : 1);
    if (child < 0) {
        Dump(); // no copy to be had: written here, the lines waiting
        return;
    }
    FDumper = child;
}

// On the way out: the dump being written is let finish; one still wanted is left to the last
// dump, written after the loop.
void TSimulator::AwaitDumps() {
    FDumpsWanted = 0;
    if (FDumper <= 0) return;
    int status = 0;
    while (::waitpid(FDumper, &status, 0) < 0 && errno == EINTR) {
    }
    FDumper = -1;
}

bool TSimulator::Dump() {
    if (FOptions.DumpDir.empty()) {
        std::fprintf(stderr, "zev-devsim: no dump folder (--dump DIR) was given\n");
        return false;
    }
    try {
        for (const auto& u : FUnits) {
            DumpDevice(*u->Dev, FOptions.DumpDir);
            DumpTimes(u->Dev->Config().Name, u->Times, FOptions.DumpDir);
            DumpAnswers(u->Dev->Config().Name, u->Answers, FOptions.DumpDir);
        }
        DumpLoop(FLoops, FLongestLateNs, FLongestWorkNs, FOptions.DumpDir);
    } catch (const Error& e) {
        std::fprintf(stderr, "zev-devsim: %s\n", e.what());
        return false;
    }
    Print("dumped " + FOptions.DumpDir);
    return true;
}

void TSimulator::Run(int pSignalFd) {
    std::vector<pollfd> fds;
    std::vector<TUnit*> polled;
    std::int64_t woke = NowNs();
    for (;;) {
        DumpAside();
        std::int64_t now = NowNs();
        // While a copy writes a dump, look every few milliseconds whether it has ended.
        std::int64_t wake = now + (FDumper > 0 ? kDumpRecheck : 1000 * kMs);
        fds.clear();
        polled.clear();
        fds.push_back(pollfd{pSignalFd, POLLIN, 0});
        for (const auto& up : FUnits) {
            TUnit& u = *up;
            if (u.Gone) continue;
            FlushDue(u, now);
            const TTiming& t = u.Dev->Config().Timing;
            if (u.Reader.Partial() && !u.HungUp) {
                const std::int64_t giveUp = u.LastRx + static_cast<std::int64_t>(t.GapMs * 1e6);
                if (now >= giveUp)
                    u.Dev->NoteIgnored(u.Reader.Abandon(), "incomplete");
                else
                    wake = std::min(wake, giveUp);
            }
            if (!u.Out.empty() && !u.HungUp && !u.WriteBlocked)
                wake = std::min(wake, u.Out.front().Due);
            if (u.HungUp && now < u.NextCheck) {
                wake = std::min(wake, u.NextCheck);
                continue;
            }
            short events = POLLIN;
            if (u.WriteBlocked) events |= POLLOUT;
            fds.push_back(pollfd{u.Port->Fd(), events, 0});
            polled.push_back(&u);
        }
        const std::int64_t waitNs = std::max<std::int64_t>(0, wake - now);
        const timespec ts{static_cast<time_t>(waitNs / 1000000000),
                          static_cast<long>(waitNs % 1000000000)};
        const std::int64_t polledAt = NowNs();
        FLongestWorkNs = std::max(FLongestWorkNs, polledAt - woke);
        const int rc = ::ppoll(fds.data(), fds.size(), &ts, nullptr);
        if (rc < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "zev-devsim: poll failed: %s\n", std::strerror(errno));
            AwaitDumps();
            return;
        }
        now = woke = NowNs();
        ++FLoops;
        // Woken by a line or by the time, the wait ended that much after its time had come.
        FLongestLateNs = std::max(FLongestLateNs, now - std::max(wake, polledAt));
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo si{};
            if (::read(pSignalFd, &si, sizeof si) == static_cast<ssize_t>(sizeof si)) {
                if (si.ssi_signo == SIGUSR1) {
                    ++FDumpsWanted;
                } else {
                    AwaitDumps();
                    return;
                }
            }
        }
        for (std::size_t k = 0; k < polled.size(); ++k) {
            TUnit& u = *polled[k];
            const short re = fds[k + 1].revents;
            if (u.HungUp) {
                if (re & (POLLHUP | POLLERR)) {
                    // A host may have opened the port, written and closed it again between two
                    // looks. Its bytes crossed the line, so the device takes them; its answers
                    // have nobody to go to. Left unread they would reach the next host.
                    if (re & POLLIN) {
                        ReadFrom(u, now);
                        if (!u.Gone) HangUp(u, now);
                    }
                    u.NextCheck = now + kHangUpRecheck;
                    continue;
                }
                u.HungUp = false; // a host has opened the port
                if (FOptions.Verbose)
                    std::fprintf(stderr, "%s: a host opened the port\n",
                                 u.Dev->Config().Name.c_str());
            }
            if (re & POLLOUT) u.WriteBlocked = false;
            if (re & POLLIN)
                ReadFrom(u, now);
            else if (re & (POLLHUP | POLLERR))
                HangUp(u, now);
        }
    }
}

} // namespace zev::devsim
