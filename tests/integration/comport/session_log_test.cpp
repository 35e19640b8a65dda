// The daily session log: file names and the line of a session.

#include "comport/detail/session_log.h"
#include "comport/port_ctrl.h"
#include "core/error.h"
#include "platform/system.h"
#include "support/child_process.h"
#include "tests/integration/comport/pty_peer.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace zev {
namespace {

using test::TFakeRoots;
using test::TPeer;
using test::TPty;

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

// The log folder beside the test program.
std::string LogDir() {
    return std::filesystem::path(os::ExecutablePath()).parent_path().string() + "/Log";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A day's log file as this test finds it: what the test adds to it is told apart from what
// earlier runs left there, so only lines written now can satisfy a check.
class TLogFile {
public:
    explicit TLogFile(std::string pName)
        : FPath(LogDir() + "/" + pName + "-" + Today() + ".log"), FBefore(ReadFile(FPath).size()) {}

    const std::string& Path() const { return FPath; }
    // What was added to the file since the test began.
    std::string Added() const {
        const std::string text = ReadFile(FPath);
        return text.size() > FBefore ? text.substr(FBefore) : std::string();
    }
    // The last added line that contains the text.
    std::string LastLineWith(const std::string& pText) const {
        std::istringstream lines(Added());
        std::string line, found;
        while (std::getline(lines, line))
            if (line.find(pText) != std::string::npos) found = line;
        return found;
    }

private:
    std::string FPath;
    std::size_t FBefore;
};

TEST(SessionLog, AComPortLogsUnderItsShortName) {
    TFakeRoots roots;
    const TLogFile log("COM12");
    TCustomComPortCtrl c;
    EXPECT_THROW(c.Open("COM12"), Error); // no such port: closed, but named \\.\COM12
    c.SetLog(true);
    EXPECT_THROW(c.Session({0x12, 0x34, 0x56}, true), Error);
    ASSERT_TRUE(std::filesystem::exists(log.Path())) << log.Path();
    const std::string line = log.LastLineWith(">> 12 34 56 <<");
    const std::regex form("\\d\\d:\\d\\d:\\d\\d\\.\\d{3}: >> 12 34 56 <<  \\[0-\\d+\\.\\d\\d: "
                          "TCustomComPortCtrl\\.GetOpenRaised >> Подключение не установлено\\."
                          "\\]\r");
    EXPECT_TRUE(std::regex_match(line, form)) << line;
}

TEST(SessionLog, ADevicePortLogsUnderItsBaseNameWithTheCountOfUnansweredAttempts) {
    TFakeRoots roots;
    TPty pty;
    const std::string port = roots.Link("ttyUSB93", pty.slave());
    const TLogFile log("ttyUSB93");
    // The device answers the second request only.
    TPeer peer(pty.master(), [](TPeer& p, const ABytes&) {
        if (p.Requests() == 2) p.Send({0xF5, 0x00, 0xAA});
    });
    TCustomComPortCtrl c;
    c.Open(port);
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    c.SetLog(true);
    TSessionParams sp;
    sp.Init(150, 3, 50, 2, 100);
    sp.Loged = true;
    EXPECT_EQ(c.Session({0xF0, 0x00, 0x77}, &sp, true), (ABytes{0xF5, 0x00, 0xAA}));
    EXPECT_EQ(c.LogStr().rfind("\r\nW3, T", 0), 0u) << c.LogStr(); // logged: a line break first

    ASSERT_TRUE(std::filesystem::exists(log.Path())) << log.Path();
    const std::string line = log.LastLineWith(">> F0 00 77 <<");
    const std::regex form(
        "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}: >> F0 00 77 << F5 00 AA \\[1-\\d+\\.\\d\\d: \\]\r");
    EXPECT_TRUE(std::regex_match(line, form)) << line;
    // The trace follows the line in the file.
    EXPECT_NE(log.Added().find(line + "\nW3, T50.00-28.67\r\n"), std::string::npos);
}

TEST(SessionLog, NoAnswerIsLoggedWithoutAFullStop) {
    TFakeRoots roots;
    TPty pty;
    const std::string port = roots.Link("ttyUSB94", pty.slave());
    const TLogFile log("ttyUSB94");
    TPeer peer(pty.master(), nullptr);
    TCustomComPortCtrl c;
    c.Open(port);
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    c.SetLog(true);
    TSessionParams sp;
    sp.Init(50, 3, 20, 1, 20);
    EXPECT_THROW(c.Session({0xF0, 0x00, 0x78}, &sp, true), Error);
    const std::string line = log.LastLineWith(">> F0 00 78 <<");
    EXPECT_TRUE(std::regex_match(line, std::regex(".*<<  \\[2-\\d+\\.\\d\\d: Нет ответа\\]\r")))
        << line;
    // Without an answer wanted nothing is missing.
    c.Session({0xF0, 0x00, 0x79}, &sp, false);
    const std::string quiet = log.LastLineWith(">> F0 00 79 <<");
    EXPECT_TRUE(std::regex_match(quiet, std::regex(".*<<  \\[0-\\d+\\.\\d\\d: \\]\r"))) << quiet;
}

TEST(SessionLog, AppendTextLineAddsLinesWithOrWithoutTime) {
    TFakeRoots roots;
    const std::string file = roots.root() + "/lines.log";
    AppendTextLine(file, "first", false);
    AppendTextLine(file, "второй", true);
    const std::string text = ReadFile(file);
    EXPECT_TRUE(std::regex_match(text, std::regex("first\r\n\\d\\d:\\d\\d:\\d\\d\\.\\d{3}: "
                                                  "второй\r\n")))
        << text;
    try {
        AppendTextLine(roots.root() + "/no/such/folder/x.log", "line", false);
        FAIL() << "wrote into a missing folder";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("x.log"), std::string::npos);
    }
}

// Runs the program with XDG_DATA_HOME set to pDataHome; its exit status, or -1.
int RunWithDataHome(const std::string& pProgram, const std::string& pDataHome,
                    std::vector<std::string> pArgs) {
    pArgs.insert(pArgs.begin(), pProgram);
    test::ChildProcess child;
    std::string why;
    if (!child.Start(pArgs, why, {"XDG_DATA_HOME=" + pDataHome})) return -1;
    const std::optional<int> status = child.Wait(30000);
    return status ? *status : -1;
}

// The program's own folder is used when it can hold the log; where it cannot (a file named Log
// stands there, which stops even the superuser), the user's data folder takes the line, and the
// file in the way is left as it was.
TEST(SessionLog, WhereTheProgramsFolderCannotTakeTheLogTheUsersDataFolderDoes) {
    for (const bool blocked : {false, true}) {
        SCOPED_TRACE(blocked ? "Log is a file" : "Log can be made");
        TFakeRoots roots;
        const std::filesystem::path folder = roots.root();
        const std::filesystem::path program = folder / "app" / "log_probe";
        const std::filesystem::path data = folder / "data";
        std::filesystem::create_directories(program.parent_path());
        std::filesystem::copy_file(ZEV_LOG_PROBE_PATH, program);
        if (blocked) std::ofstream(program.parent_path() / "Log") << "in the way";

        ASSERT_EQ(RunWithDataHome(program.string(), data.string(), {"/dev/ttyUSB4", "a line"}), 0);
        const std::filesystem::path expected =
            blocked ? data / "zev-programmer" / "Log" : program.parent_path() / "Log";
        const std::string name = "ttyUSB4-" + Today() + ".log";
        EXPECT_EQ(ReadFile((expected / name).string()), "a line\r\n");
        EXPECT_EQ(std::filesystem::exists(data / "zev-programmer"), blocked);
        if (blocked) {
            EXPECT_EQ(ReadFile((program.parent_path() / "Log").string()), "in the way");
        }
    }
}

} // namespace
} // namespace zev
