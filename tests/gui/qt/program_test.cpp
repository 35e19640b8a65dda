// The program itself, as a technician runs it: the packed executable under Xvfb, its buttons
// pressed with xdotool, the simulated devices checked afterwards. Skipped where Xvfb or xdotool
// is missing.

#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "gui/qt/main_form.h"
#include "support/devsim_fixture.h"
#include "support/package_builder.h"
#include "support/temp_file.h"

#include <QPushButton>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zev {
namespace {

using namespace zev::test;
using Clock = std::chrono::steady_clock;

bool Have(const char* pTool) {
    return std::system((std::string("command -v ") + pTool + " >/dev/null 2>&1").c_str()) == 0;
}

// Starts a program with extra environment, its output going to a file.
pid_t Spawn(const std::vector<std::string>& pArgs, const std::vector<std::string>& pEnv,
            const std::string& pOutput) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, pOutput.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const auto& a : pArgs) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), pEnv.begin(), pEnv.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the process to end; its exit status, or -1 when it did not end in time.
int WaitExit(pid_t pPid, int pTimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    int status = 0;
    while (::waitpid(pPid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool Poll(const std::function<bool()>& pDone, int pTimeoutMs, int pStepMs = 100) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(pTimeoutMs);
    while (!pDone()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pStepMs));
    }
    return true;
}

// An X server of its own for the test.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        const std::string log = ScratchPath("xvfb").string() + ".log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        // -noreset: by default the server resets whenever its last client leaves, and a reset
        // drops a client that is still in its connection handshake. The test polls with
        // xdotool while the program connects, so without it the program can be refused.
        std::vector<std::string> args = {"Xvfb",        "-displayfd", "3",   "-screen", "0",
                                         "1024x768x24", "-nolisten",  "tcp", "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&FPid, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (!number.empty()) FName = ":" + number;
    }
    ~VirtualDisplay() {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            WaitExit(FPid, 5000);
        }
    }
    const std::string& Name() const { return FName; }

private:
    pid_t FPid = -1;
    std::string FName;
};

// Where the buttons lie in the window: the same layout, built here on the offscreen platform.
QPoint ButtonCentre(const char* pName) {
    qt::TQtMainForm form([](ABytes& bytes) { bytes.clear(); }, [] { return 1u; });
    form.show();
    auto* button = form.findChild<QPushButton*>(QString::fromLatin1(pName));
    return button->mapTo(&form, button->rect().center());
}

// Where the device list lies in the window.
QRect ListRect() {
    qt::TQtMainForm form([](ABytes& bytes) { bytes.clear(); }, [] { return 1u; });
    form.show();
    auto* list = form.findChild<QWidget*>(QStringLiteral("pnlData"));
    return QRect(list->mapTo(&form, QPoint(0, 0)), list->size());
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool"})
            if (!Have(tool)) GTEST_SKIP() << tool << " is not installed";
        FDisplay = std::make_unique<VirtualDisplay>();
        ASSERT_FALSE(FDisplay->Name().empty()) << "Xvfb did not start";
        FNext = ButtonCentre("btnProg");
        FClose = ButtonCentre("btnCancel");
        FList = ListRect();
    }

    // The program with the package appended, as zev-pack builds it.
    std::string Pack(const ABytes& pPayload) {
        const std::string payload =
            WriteScratchFile("payload", std::string(pPayload.begin(), pPayload.end())).string();
        const std::string out = ScratchPath("zev-programmer").string();
        const std::string log =
            ShellOutput(std::string(ZEV_PACK_PATH) + " build --exe " + ZEV_PROGRAMMER_PATH +
                        " --payload " + payload + " -o " + out + " 2>&1");
        EXPECT_EQ(::access(out.c_str(), X_OK), 0) << log;
        return out;
    }

    // Starts the program in a mount namespace where the machine's serial ports are masked,
    // when the system allows one.
    pid_t Start(const std::string& pProgram, const std::vector<std::string>& pPorts) {
        std::string ports;
        for (const auto& p : pPorts) ports += (ports.empty() ? "" : ":") + p;
        FLog = ScratchPath("program").string() + ".log";
        const std::vector<std::string> env = {"DISPLAY=" + FDisplay->Name(), "ZEV_PORTS=" + ports,
                                              "QT_QPA_PLATFORM=xcb"};
        if (std::system("unshare -m true >/dev/null 2>&1") == 0) {
            return Spawn({"unshare", "-m", "sh", "-c",
                          "for t in /dev/ttyS*; do [ -e \"$t\" ] && mount --bind /dev/null "
                          "\"$t\"; done; exec \"$0\"",
                          pProgram},
                         env, FLog);
        }
        return Spawn({pProgram}, env, FLog);
    }

    std::string Xdo(const std::string& pArgs) {
        return ShellOutput("DISPLAY=" + FDisplay->Name() + " xdotool " + pArgs + " 2>/dev/null");
    }

    // Waits for the window with that title; its position on the screen.
    bool FindWindow(const std::string& pTitle, QPoint& pOrigin) {
        std::string id;
        if (!Poll([&] { return !(id = Xdo("search --name '^" + pTitle + "'")).empty(); }, 15000))
            return false;
        id = id.substr(0, id.find('\n'));
        const std::string shell = Xdo("getwindowgeometry --shell " + id);
        int x = -1, y = -1;
        for (std::size_t at = 0; at < shell.size();) {
            const std::size_t end = shell.find('\n', at);
            const std::string line = shell.substr(at, end - at);
            if (line.rfind("X=", 0) == 0) x = std::atoi(line.c_str() + 2);
            if (line.rfind("Y=", 0) == 0) y = std::atoi(line.c_str() + 2);
            at = end == std::string::npos ? shell.size() : end + 1;
        }
        pOrigin = QPoint(x, y);
        return x >= 0 && y >= 0;
    }

    void Click(const QPoint& pOrigin, const QPoint& pAt) {
        Xdo("mousemove --sync " + std::to_string(pOrigin.x() + pAt.x()) + " " +
            std::to_string(pOrigin.y() + pAt.y()) + " click 1");
    }

    // Presses "Next" until the run shows that it began. The button is enabled only once the
    // device list is built, which can take a while on a loaded machine; a press after the run
    // began does nothing.
    bool PressNextUntil(const QPoint& pOrigin, const std::function<bool()>& pBegan) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            Click(pOrigin, FNext);
            if (Poll(pBegan, 3000)) return true;
        }
        return false;
    }

    // True once the device list shows rows: the list area on the screen is no longer one plain
    // colour (an empty list is).
    bool ListShown(const QPoint& pOrigin) {
        const std::string spread =
            ShellOutput("DISPLAY=" + FDisplay->Name() + " import -window root -crop " +
                        std::to_string(FList.width()) + "x" + std::to_string(FList.height()) + "+" +
                        std::to_string(pOrigin.x() + FList.x()) + "+" +
                        std::to_string(pOrigin.y() + FList.y()) +
                        " -format '%[fx:maxima-minima]' info: 2>/dev/null");
        return !spread.empty() && std::atof(spread.c_str()) > 0.1;
    }

    void Screenshot(const char* pName) {
        const char* folder = std::getenv("ZEV_SCREENSHOT_DIR");
        if (!folder) return;
        ShellOutput("DISPLAY=" + FDisplay->Name() + " import -window root " + folder + "/" + pName);
    }

    std::string Log() { return ReadWholeFile(FLog); }

    std::unique_ptr<VirtualDisplay> FDisplay;
    QPoint FNext, FClose;
    QRect FList;
    std::string FLog;
};

// A pattern of the window title "ZEV-DEMO v.1.05 (isp.1, izm.2)".
constexpr const char* kTitle = "ZEV-DEMO v\\.1\\.05 ";

std::vector<std::string> Device(const std::string& pName, const std::string& pVersion,
                                const std::string& pId, const std::string& pType = "0x0042",
                                std::vector<std::pair<std::string, std::string>> pExtra = {}) {
    std::vector<std::pair<std::string, std::string>> keys = {
        {"dBootTypeP", pType},  {"dIspolnenieP", "1"}, {"dPlateIzmP", "2"},
        {"dVerProg", pVersion}, {"dID", pId},          {"dName", pName}};
    keys.insert(keys.end(), pExtra.begin(), pExtra.end());
    return SimDevice(pName, keys);
}

TEST_F(ProgramTest, UpdateThenSecondStartFindsTheDevicesUpToDate) {
    TDemoFirmware demo;
    demo.flashSize = 64 * 8;
    demo.eepromSize = 64;
    const std::string program = Pack(MakeDemoPayload(demo));
    DevSimFixture sim;
    sim.Start(SimDevices({Device("old", "1.04", "0x901"), Device("same", "1.05", "0x902"),
                          Device("other", "1.00", "0x903", "0x0077")}));
    const std::vector<std::string> ports = {sim.Pty("old"), sim.Pty("same"), sim.Pty("other")};
    auto identities = [&] {
        sim.Dump();
        std::size_t n = 0;
        for (const char* name : {"old", "same", "other"}) n += sim.ReadDump(name).Count('I');
        return n;
    };

    // First start: the old device is ticked; "Next" writes it.
    pid_t pid = Start(program, ports);
    ASSERT_GT(pid, 0);
    QPoint origin;
    ASSERT_TRUE(FindWindow(kTitle, origin)) << Log();
    ASSERT_TRUE(Poll([&] { return identities() >= 3; }, 10000)) << "search did not reach all";
    ASSERT_TRUE(Poll([&] { return ListShown(origin); }, 10000)) << "no device list";
    Screenshot("program-devices.png");
    ASSERT_TRUE(PressNextUntil(origin, [&] {
        sim.Dump();
        return sim.ReadDump("old").Count('F') > 0;
    })) << "the run did not begin";
    ASSERT_TRUE(Poll(
        [&] {
            sim.Dump();
            return sim.ReadDump("old").Count('R') == 1;
        },
        30000))
        << "the old device was not written";
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    Screenshot("program-finished.png");
    Click(origin, FClose);
    EXPECT_EQ(WaitExit(pid, 5000), 0) << Log();

    sim.Dump();
    const TSimDeviceDump old = sim.ReadDump("old");
    EXPECT_EQ(old.FlashAt(demo.flashAddress, demo.flashSize), MakeDemoFlash(demo));
    EXPECT_EQ(old.Kinds(), "II" + std::string(8, 'F') + "ER");
    EXPECT_EQ(sim.ReadDump("same").Kinds(), "I");
    EXPECT_EQ(sim.ReadDump("other").Kinds(), "I");

    // Second start: every device is up to date, nothing is ticked, "Next" does nothing.
    pid = Start(program, ports);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(FindWindow(kTitle, origin)) << Log();
    ASSERT_TRUE(Poll([&] { return identities() >= 7; }, 10000));
    // "Next" is pressed on the built list: before it, a press would do nothing whatever the rows.
    ASSERT_TRUE(Poll([&] { return ListShown(origin); }, 10000)) << "no device list";
    Screenshot("program-second-start.png");
    Click(origin, FNext);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    sim.Dump();
    EXPECT_EQ(sim.ReadDump("old").Kinds(), "II" + std::string(8, 'F') + "ERI");
    EXPECT_EQ(sim.ReadDump("same").Kinds(), "II");
    EXPECT_EQ(sim.ReadDump("other").Kinds(), "II");
    Click(origin, FClose);
    EXPECT_EQ(WaitExit(pid, 5000), 0) << Log();
}

TEST_F(ProgramTest, ProgramWithoutPackageAsksForTheLanguageThenWaitsToBeClosed) {
    const pid_t pid = Start(ZEV_PROGRAMMER_PATH, {});
    ASSERT_GT(pid, 0);
    QPoint origin;
    ASSERT_TRUE(FindWindow(" ORVEL  update$", origin)) << Log();
    Xdo("key --clearmodifiers Return"); // the default button: English
    ASSERT_TRUE(FindWindow(" v\\.0\\.00 \\(isp\\.0, izm\\.0\\)$", origin)) << Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(WaitExit(pid, 0), -1) << "the window stays open";
    Click(origin, FClose);
    EXPECT_EQ(WaitExit(pid, 5000), 0) << Log();
}

// Packages built outside zev-pack that the bootloader would take wrongly, and one whose odd
// EEPROM block is its first fault, appended to the program: the window comes up with the
// language dialog and the package's title, no device is ever asked for its identity, and
// zev-pack info fails each with the same code.
TEST_F(ProgramTest, PackagesTheDevicesWouldTakeWronglyAreRefusedBeforeAnySearch) {
    std::vector<TMiswrittenPackage> packages = MiswrittenPackages();
    packages.push_back({"EEPROM block one byte short", EepromOneByteShortPayload(), "0x0307"});
    DevSimFixture sim;
    sim.Start(SimDevices({Device("dev", "1.00", "0xC01")}));
    const std::string program = ReadWholeFile(ZEV_PROGRAMMER_PATH);
    for (const auto& p : packages) {
        SCOPED_TRACE(p.what);
        const ABytes file = AppendPackage(ABytes(program.begin(), program.end()), p.payload);
        const std::string path =
            WriteScratchFile("refused-updater", std::string(file.begin(), file.end())).string();
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
        const std::string info =
            ShellOutput(std::string(ZEV_PACK_PATH) + " info " + path + "; echo \"status $?\"");
        EXPECT_NE(info.find(std::string("check: Error [") + p.code +
                            "]: Data corrupted.\n"
                            "status 1\n"),
                  std::string::npos)
            << info;

        const pid_t pid = Start(path, {sim.Pty("dev")});
        ASSERT_GT(pid, 0);
        QPoint origin;
        ASSERT_TRUE(FindWindow(" ORVEL  update$", origin)) << Log();
        Xdo("key --clearmodifiers Return");
        ASSERT_TRUE(FindWindow(kTitle, origin)) << Log();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        Screenshot((std::string("program-refused-") + p.code + ".png").c_str());
        EXPECT_EQ(WaitExit(pid, 0), -1) << "the window stays open";
        Click(origin, FClose);
        EXPECT_EQ(WaitExit(pid, 5000), 0) << Log();
    }
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "") << "no identity request ever reached the device";
}

TEST_F(ProgramTest, ClosingDuringARunEndsTheProgramAtOnceWithoutReset) {
    TDemoFirmware demo;
    demo.flashSize = 64 * 80;
    const std::string program = Pack(MakeDemoPayload(demo));
    DevSimFixture sim;
    const std::vector<std::pair<std::string, std::string>> slow = {{"timing", "paced"},
                                                                   {"flash-ms", "20"}};
    sim.Start(SimDevices({Device("p", "1.00", "0xA01", "0x0042", slow),
                          Device("q", "1.00", "0xA02", "0x0042", slow)}));
    const pid_t pid = Start(program, {sim.Pty("p"), sim.Pty("q")});
    ASSERT_GT(pid, 0);
    QPoint origin;
    ASSERT_TRUE(FindWindow(kTitle, origin)) << Log();
    ASSERT_TRUE(Poll(
        [&] {
            sim.Dump();
            return sim.ReadDump("p").Count('I') + sim.ReadDump("q").Count('I') >= 2;
        },
        10000));
    ASSERT_TRUE(PressNextUntil(origin, [&] {
        sim.Dump();
        return sim.ReadDump("p").Count('F') + sim.ReadDump("q").Count('F') > 0;
    })) << "the run did not begin";
    ASSERT_TRUE(Poll(
        [&] {
            sim.Dump();
            return sim.ReadDump("p").Count('F') >= 5 && sim.ReadDump("q").Count('F') >= 5;
        },
        20000));
    const auto closing = Clock::now();
    Click(origin, FClose);
    EXPECT_EQ(WaitExit(pid, 3000), 0) << Log();
    EXPECT_LT(Clock::now() - closing, std::chrono::seconds(2)) << "the program ends at once";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sim.Stop();
    for (const char* name : {"p", "q"}) {
        const TSimDeviceDump dump = sim.ReadDump(name);
        EXPECT_EQ(dump.Count('R'), 0u) << name;
        EXPECT_LT(dump.Count('F'), 80u) << name;
    }
}

// A real toolchain's HEX file made into an updater with "zev-pack build --set-checksum": the
// program writes two devices with exactly the package's lines (the toolchain's user ID and
// configuration words never reach them) and resets each.
TEST_F(ProgramTest, ToolchainFirmwarePackedWithItsChecksumSetWritesTwoDevicesExactly) {
    const std::string hex = std::string(ZEV_SOURCE_DIR) + "/samples/toolchain/pump-1.hex";
    const std::string program = ScratchPath("PUMP-1.06").string();
    const std::string log =
        ShellOutput(std::string(ZEV_PACK_PATH) + " build --exe " + ZEV_PROGRAMMER_PATH + " --hex " +
                    hex + " --set-checksum -o " + program + " 2>&1");
    ASSERT_EQ(::access(program.c_str(), X_OK), 0) << log;
    ABytes payload;
    ASSERT_TRUE(ReadPackageFromFile(program, payload));
    const TCheckedPackage package = CheckPackage(payload);

    auto pump = [](const std::string& pName, const std::string& pId) {
        return SimDevice(pName, {{"dBootTypeP", "0x0051"},
                                 {"dIspolnenieP", "1"},
                                 {"dPlateIzmP", "2"},
                                 {"dVerProg", "1.05"},
                                 {"dID", pId},
                                 {"dName", pName}});
    };
    DevSimFixture sim;
    sim.Start(SimDevices({pump("pumpA", "0xA01"), pump("pumpB", "0xA02")}));
    const pid_t pid = Start(program, {sim.Pty("pumpA"), sim.Pty("pumpB")});
    ASSERT_GT(pid, 0);
    QPoint origin;
    ASSERT_TRUE(FindWindow("PUMP-1 v\\.1\\.06 ", origin)) << Log();
    ASSERT_TRUE(PressNextUntil(origin, [&] {
        sim.Dump();
        return sim.ReadDump("pumpA").Count('F') > 0 && sim.ReadDump("pumpB").Count('F') > 0;
    })) << "the run did not begin";
    ASSERT_TRUE(Poll(
        [&] {
            sim.Dump();
            return sim.ReadDump("pumpA").Count('R') == 1 && sim.ReadDump("pumpB").Count('R') == 1;
        },
        30000))
        << "the devices were not written";
    Click(origin, FClose);
    EXPECT_EQ(WaitExit(pid, 5000), 0) << Log();
    sim.Stop();

    for (const char* name : {"pumpA", "pumpB"}) {
        SCOPED_TRACE(name);
        const TSimDeviceDump dump = sim.ReadDump(name);
        EXPECT_EQ(dump.Kinds(), "II" + std::string(package.flash.size(), 'F') + "ER");
        const auto flash = dump.OfKind('F');
        ASSERT_EQ(flash.size(), package.flash.size());
        for (std::size_t k = 0; k < flash.size(); ++k) {
            EXPECT_EQ(flash[k].Address, package.flash[k].A) << "only the package's lines";
            EXPECT_EQ(dump.FlashAt(package.flash[k].A, 64), package.flash[k].D);
        }
        ASSERT_EQ(package.eeprom.size(), 1u);
        EXPECT_EQ(dump.EepromAt(0, package.eeprom[0].D.size()), package.eeprom[0].D);
    }
}

// The keyboard, as a technician uses it: "Next" has the focus once the list is built, Space
// starts the run, and a second Space half a second later does not reach "Close": the window
// keeps running and the device is written whole. On a second start, keypad Enter presses
// "Next", the window's default button.
TEST_F(ProgramTest, KeysStartTheRunAndASecondPressCannotCloseTheWindow) {
    TDemoFirmware demo;
    demo.flashSize = 64 * 40;
    demo.eepromSize = 64;
    const std::string program = Pack(MakeDemoPayload(demo));
    const std::vector<std::pair<std::string, std::string>> paced = {{"timing", "paced"},
                                                                    {"flash-ms", "20"}};
    for (const char* key : {"space", "KP_Enter"}) {
        SCOPED_TRACE(key);
        DevSimFixture sim;
        sim.Start(SimDevices({Device("k", "1.04", "0xB01", "0x0042", paced)}));
        const pid_t pid = Start(program, {sim.Pty("k")});
        ASSERT_GT(pid, 0);
        QPoint origin;
        ASSERT_TRUE(FindWindow(kTitle, origin)) << Log();
        ASSERT_TRUE(Poll(
            [&] {
                sim.Dump();
                return sim.ReadDump("k").Count('I') >= 1;
            },
            10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(800)); // the list is built
        // The pointer rests on the window, away from the buttons, so the keys go to it.
        Xdo("mousemove --sync " + std::to_string(origin.x() + 100) + " " +
            std::to_string(origin.y() + 100));
        const auto pressed = [&] {
            sim.Dump();
            return sim.ReadDump("k").Count('F') > 0;
        };
        for (int attempt = 0; attempt < 5 && !pressed(); ++attempt) {
            Xdo(std::string("key --clearmodifiers ") + key);
            Poll(pressed, 2000);
        }
        ASSERT_TRUE(pressed()) << "the key did not start the run";
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        Xdo(std::string("key --clearmodifiers ") + key);
        Xdo("key --clearmodifiers Return");
        ASSERT_TRUE(Poll(
            [&] {
                sim.Dump();
                return sim.ReadDump("k").Count('R') == 1;
            },
            30000))
            << "the device was not written to its end";
        EXPECT_EQ(WaitExit(pid, 0), -1) << "the window stays open";
        Click(origin, FClose);
        EXPECT_EQ(WaitExit(pid, 5000), 0) << Log();
        sim.Stop();
        const TSimDeviceDump dump = sim.ReadDump("k");
        EXPECT_EQ(dump.FlashAt(demo.flashAddress, demo.flashSize), MakeDemoFlash(demo));
        EXPECT_EQ(dump.Kinds(), "II" + std::string(40, 'F') + "ER");
    }
}

} // namespace
} // namespace zev
