// The real window: the packed updater, the Qt program on a virtual X display or the Windows
// program under Wine, searches and writes N paced devices while xdotool presses its buttons as a
// technician would. The run is timed from the devices' side (when each request crossed the line
// into the device, from zev-devsim's request times), so the window's own start and the clicks
// do not count; CPU time is the program's own while writing.

#include "bench/package.h"
#include "bench/report.h"
#include "bench/scenarios.h"
#include "bench/usage.h"
#include "core/error.h"
#include "platform/timing.h"
#include "support/child_process.h"
#include "support/devsim_fixture.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace zev::bench {

namespace {

std::string Hex(unsigned pValue) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", pValue);
    return text;
}

std::string Quoted(const std::string& pText) {
    std::string q = "'";
    for (char c : pText) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The full path of a program found on PATH ("" when there is none).
std::string Which(const std::string& pName) {
    std::string path = test::ShellOutput("command -v " + pName);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    return path;
}

void SleepFor(int pMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pMs));
}

// A field "Name:" of /proc/PID/status as a number (kB for the memory fields), -1 when absent.
long StatusField(pid_t pPid, const std::string& pName) {
    std::ifstream in("/proc/" + std::to_string(pPid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(pName + ":", 0) == 0) return std::atol(line.c_str() + pName.size() + 1);
    return -1;
}

// User + system CPU seconds of the process so far, all its threads.
double ProcessCpuSec(pid_t pPid) {
    std::ifstream in("/proc/" + std::to_string(pPid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int k = 3; k <= 15 && fields >> field; ++k)
        if (k >= 14) ticks += std::atof(field.c_str());
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The process whose first argument names the program (Wine gives the Windows program a process
// of its own, started by its loader).
pid_t FindProgramProcess(const std::string& pProgram) {
    const std::string base = pProgram.substr(pProgram.find_last_of('/') + 1);
    pid_t found = -1;
    if (DIR* proc = ::opendir("/proc")) {
        while (dirent* e = ::readdir(proc)) {
            const pid_t pid = std::atoi(e->d_name);
            if (pid <= 0) continue;
            std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline");
            std::string arg0;
            std::getline(in, arg0, '\0');
            std::replace(arg0.begin(), arg0.end(), '\\', '/');
            if (arg0.size() >= base.size() &&
                arg0.compare(arg0.size() - base.size(), base.size(), base) == 0)
                found = pid;
        }
        ::closedir(proc);
    }
    return found;
}

// When each request of a device came in: (milliseconds, kind), from NAME.times of its dump.
std::vector<std::pair<double, char>> RequestTimes(const std::string& pDumpDir,
                                                  const std::string& pName) {
    std::vector<std::pair<double, char>> times;
    std::ifstream in(pDumpDir + "/" + pName + ".times");
    double at = 0;
    char kind = 0;
    while (in >> at >> kind) times.emplace_back(at, kind);
    return times;
}

// How each answer of a device went out, from NAME.answers of its dump.
struct TAnswerOut {
    double DueMs = 0, LastDueMs = 0;
    long Bytes = 0, Written = 0, Writes = 0;
    double FirstWriteMs = 0, LastWriteMs = 0, LongestPauseMs = 0, LatestMs = 0;
    long Blocked = 0, HungUp = 0;
};

std::vector<TAnswerOut> AnswerTimes(const std::string& pDumpDir, const std::string& pName) {
    std::vector<TAnswerOut> answers;
    std::ifstream in(pDumpDir + "/" + pName + ".answers");
    TAnswerOut a;
    while (in >> a.DueMs >> a.LastDueMs >> a.Bytes >> a.Written >> a.Writes >> a.FirstWriteMs >>
           a.LastWriteMs >> a.LongestPauseMs >> a.LatestMs >> a.Blocked >> a.HungUp)
        answers.push_back(a);
    return answers;
}

class Window {
public:
    Window(std::string pDisplay, std::string pTitle)
        : FDisplay(std::move(pDisplay)), FTitle(std::move(pTitle)) {}

    std::string Xdo(const std::string& pArgs) const {
        return test::ShellOutput("DISPLAY=" + FDisplay + " xdotool " + pArgs + " 2>/dev/null");
    }
    bool Find(double pTimeoutMs) {
        const double deadline = PerfMilliseconds() + pTimeoutMs;
        while (PerfMilliseconds() < deadline) {
            const std::string ids = Xdo("search --name " + Quoted(FTitle));
            if (!ids.empty()) {
                FId = ids.substr(0, ids.find('\n'));
                return true;
            }
            SleepFor(500);
        }
        return false;
    }
    // The Windows window: "Next" is its default button, so Enter presses it (and does nothing
    // while it is disabled or once the run has begun); Alt+F4 closes it.
    void Key(const std::string& pKeys) const {
        Xdo("windowfocus --sync " + FId);
        Xdo("key --clearmodifiers " + pKeys);
    }
    // The Qt window: a click at a point given as on a 1024 x 768 screen with the window in its
    // centre, where it places itself.
    void Click(int pX, int pY) const {
        const std::string shell = Xdo("getwindowgeometry --shell " + FId);
        auto field = [&](const char* pKey) {
            const std::size_t at = shell.find(std::string("\n") + pKey + "=");
            return at == std::string::npos ? 0
                                           : std::atoi(shell.c_str() + at + 2 + std::strlen(pKey));
        };
        const int x = field("X") + pX - (1024 - field("WIDTH")) / 2;
        const int y = field("Y") + pY - (768 - field("HEIGHT")) / 2;
        Xdo("mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }

private:
    std::string FDisplay, FTitle, FId;
};

// "Next" and "Close" of the Qt window on a 1024 x 768 screen.
constexpr int kNextX = 615, kCloseX = 712, kButtonsY = 543;

} // namespace

int RunWindowBench(const TBenchOptions& pOptions) {
    if (pOptions.Program.empty()) Raise("window needs --program (the packed updater)");
    const TCheckedPackage package = LoadPackage(pOptions.Package);
    const std::size_t n = pOptions.Count;
    const std::size_t lines = package.flash.size() + package.eeprom.size();
    const bool qt = pOptions.WineRun.empty();

    // Devices the package fits, with an older program: every row is ticked.
    test::DevSimFixture sim(pOptions.DevSim);
    sim.Start(PacedDevices(pOptions, n,
                           {"dBootTypeP=" + Hex(package.info.TD),
                            "dIspolnenieP=" + std::to_string(package.info.IP),
                            "dPlateIzmP=" + std::to_string(package.info.IZ), "dVerProg=0x0000"}),
              60000);
    const std::vector<std::string> ports = sim.Ports();

    // A virtual display of its own (-noreset: a reset when the last client leaves would drop a
    // client that is still connecting).
    test::ChildProcess xvfb;
    std::string why, number;
    if (!xvfb.Start({Which("Xvfb"), "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten",
                     "tcp", "-noreset"},
                    why) ||
        !xvfb.ReadLine(number, 20000) || number.empty())
        Raise("Xvfb did not start " + why + xvfb.Stderr());
    const std::string display = ":" + number;

    std::vector<std::string> argv;
    std::vector<std::string> env = {"DISPLAY=" + display};
    if (qt) {
        std::string list;
        for (const std::string& p : ports) list += (list.empty() ? "" : ":") + p;
        env.push_back("ZEV_PORTS=" + list);
        env.push_back("QT_QPA_PLATFORM=xcb");
        // The machine's serial ports masked, as in the window tests.
        argv = {Which("unshare"),
                "-m",
                "sh",
                "-c",
                "for t in /dev/ttyS*; do [ -e \"$t\" ] && mount --bind /dev/null \"$t\"; done; "
                "exec \"$0\"",
                pOptions.Program};
    } else {
        argv = {pOptions.WineRun};
        for (std::size_t k = 0; k < n; ++k) {
            argv.push_back("--com");
            argv.push_back(std::to_string(k + 1) + "=" + ports[k]);
        }
        argv.push_back("--");
        argv.push_back(pOptions.Program);
    }
    test::ChildProcess program;
    if (!program.Start(argv, why, env)) Raise("the program did not start: " + why);

    // The window's title begins with the package's device name. Under Wine the ports are
    // mapped one by one first, and a new prefix is built on its first use.
    Window window(display, "^" + package.info.TX + " v");
    if (!window.Find(qt ? 60000 : 900000)) Raise("no window: " + program.Stderr());
    const pid_t pid = qt ? program.Pid() : FindProgramProcess(pOptions.Program);
    if (pid <= 0) Raise("the program's process was not found");

    auto count = [&](char pKind) {
        sim.Dump(60000);
        std::size_t k = 0;
        for (const std::string& name : sim.Names()) k += sim.ReadDump(name).Count(pKind) > 0;
        return k;
    };
    // A device the search never asks (a port the program cannot open) shows in the figures as
    // one not written; only a search that reaches no device at all ends the run here.
    const double searchDeadline = PerfMilliseconds() + 120000;
    std::size_t asked = 0;
    while ((asked = count('I')) < n && PerfMilliseconds() < searchDeadline) SleepFor(2000);
    if (asked == 0) Raise("the search reached no device");
    // The search is over when its workers have ended (a device that answered late may have
    // kept its worker on until its last attempt); the rows follow 100 ms after the last.
    long baseThreads = StatusField(pid, "Threads");
    for (double still = PerfMilliseconds(); PerfMilliseconds() - still < 2000;) {
        SleepFor(200);
        const long now = StatusField(pid, "Threads");
        if (now != baseThreads) still = PerfMilliseconds();
        baseThreads = now;
    }

    double cpuBefore = 0;
    bool began = false;
    for (int attempt = 0; attempt < 20 && !began; ++attempt) {
        cpuBefore = ProcessCpuSec(pid);
        if (qt)
            window.Click(kNextX, kButtonsY);
        else
            window.Key("Return");
        for (int k = 0; k < 30 && !began; ++k) {
            began = StatusField(pid, "Threads") > baseThreads;
            if (!began) SleepFor(100);
        }
    }
    if (!began) Raise("\"Next\" did not start the run");
    // The run is over when every programming worker has ended.
    const double runDeadline = PerfMilliseconds() + 600000;
    while (StatusField(pid, "Threads") > baseThreads && PerfMilliseconds() < runDeadline)
        SleepFor(100);
    const double cpuSec = ProcessCpuSec(pid) - cpuBefore;
    const long peakKb = StatusField(pid, "VmHWM");
    const long threadsLeft = StatusField(pid, "Threads");
    SleepFor(500);
    if (qt)
        window.Click(kCloseX, kButtonsY);
    else
        window.Key("alt+F4");
    const std::optional<int> exit = program.Wait(30000);
    if (!exit) program.Kill();
    xvfb.Signal(SIGTERM);
    xvfb.Wait(5000);
    sim.Stop();

    // From the devices' side: a device's run begins with the identity request right before its
    // first line and ends with its reset.
    double first = 0, last = 0, devMin = 0, devMax = 0;
    std::size_t verified = 0, timed = 0, started = 0;
    std::string whyNot;
    for (const std::string& name : sim.Names()) {
        const auto times = RequestTimes(sim.DumpDir(), name);
        double begin = -1, end = -1;
        for (std::size_t k = 0; k < times.size(); ++k) {
            if (times[k].second == 'I' && k + 1 < times.size() && times[k + 1].second != 'I')
                begin = times[k].first;
            if (times[k].second == 'R') end = times[k].first;
        }
        if (begin >= 0 && end > begin) {
            const double wall = end - begin;
            first = timed == 0 ? begin : std::min(first, begin);
            last = timed == 0 ? end : std::max(last, end);
            devMin = timed == 0 ? wall : std::min(devMin, wall);
            devMax = timed == 0 ? wall : std::max(devMax, wall);
            ++timed;
        }
        const test::TSimDeviceDump dump = sim.ReadDump(name);
        started += dump.Count('F') > 0;
        std::string whyThis;
        if (DeviceHoldsPackage(dump, package, whyThis) &&
            dump.Count('F') + dump.Count('E') >= lines)
            ++verified;
        else if (whyNot.empty())
            whyNot = name + ": " + whyThis;
    }
    const double wallMs = last - first;
    const test::TChildUsage simUsage = sim.Usage();

    // The search's answers as the simulator sent them: whether any left late or in pieces far
    // enough apart for the host to take the silence for the answer's end (the search's packet
    // gap is 100 ms), and, for each device the window did not list, how its answers went out.
    double idPauseMax = 0, idLateMax = 0, lateMax = 0;
    std::size_t idAnswers = 0, idPaused = 0, idCut = 0;
    std::string missed;
    std::size_t missedCount = 0;
    for (const std::string& name : sim.Names()) {
        const auto times = RequestTimes(sim.DumpDir(), name);
        const auto answers = AnswerTimes(sim.DumpDir(), name);
        const bool listed = sim.ReadDump(name).Count('F') > 0;
        std::string mine;
        for (const TAnswerOut& a : answers) lateMax = std::max(lateMax, a.LatestMs);
        for (std::size_t k = 0; k < times.size() && k < answers.size(); ++k) {
            if (times[k].second != 'I') continue;
            const TAnswerOut& a = answers[k];
            ++idAnswers;
            idPauseMax = std::max(idPauseMax, a.LongestPauseMs);
            idLateMax = std::max(idLateMax, a.LatestMs);
            idPaused += a.LongestPauseMs >= 100;
            idCut += a.Written < a.Bytes;
            char text[200];
            std::snprintf(text, sizeof text,
                          "%s[req %.1f, %ld/%ld bytes in %ld writes, first %+.1f, last %+.1f, "
                          "pause %.1f, late %.1f, blocked %ld, hung up %ld]",
                          mine.empty() ? "" : " ", times[k].first, a.Written, a.Bytes, a.Writes,
                          a.FirstWriteMs - a.DueMs, a.LastWriteMs - a.LastDueMs, a.LongestPauseMs,
                          a.LatestMs, a.Blocked, a.HungUp);
            mine += text;
        }
        if (!listed) {
            ++missedCount;
            missed += (missed.empty() ? "" : "; ") + name + ": " +
                      (mine.empty() ? std::string("no identity request") : mine);
        }
    }
    if (!pOptions.KeepDump.empty()) {
        std::filesystem::create_directories(pOptions.KeepDump);
        std::filesystem::copy(sim.DumpDir(), pOptions.KeepDump,
                              std::filesystem::copy_options::overwrite_existing |
                                  std::filesystem::copy_options::recursive);
    }

    Put("scenario", qt ? "window-qt" : "window-win32");
    Put("devices", static_cast<long long>(n));
    Put("asked", static_cast<long long>(asked));     // got an identity request within 120 s
    Put("started", static_cast<long long>(started)); // got a line: the window listed it
    Put("timed", static_cast<long long>(timed));
    Put("verified", static_cast<long long>(verified));
    if (!whyNot.empty()) Put("verify_error", whyNot);
    Put("wall_ms", wallMs, 1);
    Put("device_wall_min_ms", devMin, 1);
    Put("device_wall_max_ms", devMax, 1);
    Put("cpu_s", cpuSec, 3);
    Put("cpu_ms_per_device", cpuSec * 1000 / static_cast<double>(n), 1);
    Put("cpu_pct_per_device", cpuSec * 1000 / wallMs * 100 / static_cast<double>(n), 3);
    Put("maxrss_kb", static_cast<long long>(peakKb));
    Put("threads_left", static_cast<long long>(threadsLeft - baseThreads));
    Put("exit", static_cast<long long>(exit ? *exit : -1));
    Put("sim_cpu_s", simUsage.CpuSec, 3);
    Put("load_after", LoadAverage(), 2);
    Put("answer_late_max_ms", lateMax, 1);
    Put("identity_answers", static_cast<long long>(idAnswers));
    Put("identity_answer_pause_max_ms", idPauseMax, 1);
    Put("identity_answer_late_max_ms", idLateMax, 1);
    Put("identity_answers_paused_100ms", static_cast<long long>(idPaused));
    Put("identity_answers_cut", static_cast<long long>(idCut));
    Put("not_listed", static_cast<long long>(missedCount));
    if (!missed.empty()) Put("not_listed_answers", missed);
    // A device the window did not list (its search found no answer on a loaded machine) shows
    // in the figures; only a run that wrote nothing is a failure.
    return timed > 0 ? 0 : 1;
}

} // namespace zev::bench
