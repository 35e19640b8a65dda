// Why nothing is found: after a search in which no device answered, the window shows in the
// device list's place each port that could not be opened and why, and how many ports were
// searched; the search goes on, and the hint goes once devices are listed. Real ports: pseudo-
// terminals, one held by another program (flock), one whose device file this user may not open
// (a user without rights: the test runs itself again as nobody when it runs as root, since root
// opens any file).

#include "flow_support.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zev {
namespace {

using namespace zev::test;

// The payload of a package whose device name makes the window speak pLanguage.
ABytes PayloadIn(std::uint32_t pLanguage) {
    TDemoFirmware demo = SmallFirmware();
    if (pLanguage == kLangRussian) demo.name = "\xCD\xC0\xD1\xCE\xD1"; // НАСОС, Windows-1251
    return MakeDemoPayload(demo);
}

// A pseudo-terminal nobody answers on; closed with the object.
class Pty {
public:
    Pty() {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (FMaster >= 0 && ::grantpt(FMaster) == 0 && ::unlockpt(FMaster) == 0)
            FPath = ::ptsname(FMaster);
    }
    ~Pty() {
        if (FMaster >= 0) ::close(FMaster);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    const std::string& Path() const { return FPath; }

private:
    int FMaster = -1;
    std::string FPath;
};

// The program's path as the shell finds it; empty when it is not installed.
std::string Which(const std::string& pProgram) {
    std::string path = ShellOutput("command -v " + pProgram);
    while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) path.pop_back();
    return path;
}

// Runs the window until its hint is set after a search; the window keeps searching.
bool WaitForHint(AppWindow& app, double pTimeoutMs) {
    return app.RunUntil([&] { return !app.Ui.pnlData.Notice.empty(); }, pTimeoutMs);
}

void ExpectStillSearching(AppWindow& app, const std::string& pStatus) {
    const auto searches = app.Window->SearchCount();
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->SearchCount() >= searches + 2; }, 10000));
    EXPECT_EQ(app.Ui.lblState.Text, pStatus);
    EXPECT_TRUE(app.Ui.pgbMain.Marquee);
    EXPECT_TRUE(app.Window->Rows().empty());
}

TEST(SearchHintTest, NoPortAtAllAsksToConnectTheDevice) {
    struct Case {
        std::uint32_t language;
        const char* hint;
        const char* status;
    };
    for (const Case& c :
         {Case{kLangEnglish, "No serial port found. Connect the device and its adapter.",
               "Search . . ."},
          Case{kLangRussian,
               "Последовательные порты не найдены. Подключите устройство и его адаптер.",
               "Поиск . . ."}}) {
        AppWindow app; // no port: ZEV_PORTS is empty
        app.CreateWithPayload(PayloadIn(c.language));
        ASSERT_TRUE(WaitForHint(app, 3000));
        EXPECT_EQ(app.Ui.pnlData.Notice, c.hint);
        ExpectStillSearching(app, c.status);
    }
}

TEST(SearchHintTest, PortHeldByAnotherProgramNamesTheProgram) {
    Pty held, silent;
    ASSERT_FALSE(held.Path().empty());
    ChildProcess holder; // flock holds the device file open and locked while its sleep runs
    std::string why;
    const std::string flock = Which("flock");
    if (flock.empty()) GTEST_SKIP() << "flock is not installed";
    ASSERT_TRUE(holder.Start({flock, "--exclusive", held.Path(), "sleep", "60"}, why)) << why;
    struct Case {
        std::uint32_t language;
        std::string busy;
        const char* searched;
    };
    const std::string pid = std::to_string(holder.Pid());
    for (const Case& c :
         {Case{kLangEnglish, held.Path() + ": in use by another program: flock (PID " + pid,
               "Ports searched: 2. No device answered."},
          Case{kLangRussian, held.Path() + ": занят другой программой: flock (PID " + pid,
               "Опрошено портов: 2. Ни одно устройство не ответило."}}) {
        AppWindow app;
        PortsEnv::Set({silent.Path(), held.Path()});
        app.CreateWithPayload(PayloadIn(c.language));
        // One search: the silent port's three unanswered requests.
        ASSERT_TRUE(WaitForHint(app, 5000));
        const std::string hint = app.Ui.pnlData.Notice;
        EXPECT_EQ(hint.rfind(c.busy, 0), 0u) << hint;
        EXPECT_NE(hint.find("\r\n" + std::string(c.searched)), std::string::npos) << hint;
        EXPECT_EQ(hint.find(silent.Path()), std::string::npos) << "a silent port is no fault";
        ExpectStillSearching(app, c.language == kLangEnglish ? "Search . . ." : "Поиск . . .");
    }
    holder.Kill();
}

TEST(SearchHintTest, HintGoesOnceADeviceAnswers) {
    DevSimFixture sim;
    // The first search's identity requests go unanswered, the second finds the device.
    sim.Start(FittingDevice("late", "1.04", "0x71", {{"fault", "drop id first=3"}}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("late")});
    app.CreateWithPayload(PayloadIn(kLangEnglish));
    ASSERT_TRUE(WaitForHint(app, 5000));
    EXPECT_EQ(app.Ui.pnlData.Notice, "Ports searched: 1. No device answered.");
    ASSERT_TRUE(app.WaitForRows());
    EXPECT_EQ(app.Ui.pnlData.Notice, "");
    EXPECT_EQ(app.Ui.lblState.Text, "Devices found: 1");
}

// The user's view of a port whose device file they may not open: set in the environment by the
// test that runs this one as another user.
constexpr const char* kDeniedPortVar = "ZEV_TEST_DENIED_PORT";

std::string ReadLinkSelf() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "";
}

std::string GroupOf(const std::string& pPath) {
    struct stat st {};
    if (::stat(pPath.c_str(), &st) != 0) return "";
    const group* g = ::getgrgid(st.st_gid);
    return g ? g->gr_name : "";
}

TEST(SearchHintTest, PortWithoutAccessNamesTheGroupToJoin) {
    const char* denied = std::getenv(kDeniedPortVar);
    if (denied == nullptr) GTEST_SKIP() << "run by PortWithoutAccessAsAnotherUser";
    const passwd* me = ::getpwuid(::geteuid());
    ASSERT_NE(me, nullptr);
    const std::string user = me->pw_name;
    const std::string group = GroupOf(denied);
    ASSERT_FALSE(group.empty());
    ASSERT_NE(::access(denied, R_OK | W_OK), 0) << "this user may open " << denied;
    for (const auto language : {kLangEnglish, kLangRussian}) {
        AppWindow app;
        PortsEnv::Set({denied});
        app.CreateWithPayload(PayloadIn(language));
        // Within one search: the port fails at once.
        ASSERT_TRUE(WaitForHint(app, 3000));
        const std::string port = denied;
        if (language == kLangEnglish)
            EXPECT_EQ(app.Ui.pnlData.Notice, port + ": no access. Add user " + user +
                                                 " to group \"" + group + "\" (sudo usermod -aG " +
                                                 group + " " + user +
                                                 "), then log out and log in again.\r\n"
                                                 "Ports searched: 1. No device answered.");
        else
            EXPECT_EQ(app.Ui.pnlData.Notice,
                      port + ": нет доступа. Добавьте пользователя " + user + " в группу \"" +
                          group + "\" (sudo usermod -aG " + group + " " + user +
                          "), затем выйдите из системы и войдите снова.\r\n"
                          "Опрошено портов: 1. Ни одно устройство не ответило.");
        ExpectStillSearching(app, language == kLangEnglish ? "Search . . ." : "Поиск . . .");
    }
}

// Makes a pseudo-terminal that only the group "dialout" may open (as root) or that its owner
// may not open (as any other user), and runs the test above in a process of a user without
// rights to it.
TEST(SearchHintTest, PortWithoutAccessAsAnotherUser) {
    if (std::getenv(kDeniedPortVar) != nullptr) GTEST_SKIP() << "the inner run";
    Pty pty;
    ASSERT_FALSE(pty.Path().empty());
    std::vector<std::string> argv;
    const std::string self = ReadLinkSelf();
    const std::string filter = "--gtest_filter=SearchHintTest.PortWithoutAccessNamesTheGroupToJoin";
    if (::geteuid() == 0) {
        const group* dialout = ::getgrnam("dialout");
        ASSERT_NE(dialout, nullptr) << "no group dialout";
        ASSERT_EQ(::chown(pty.Path().c_str(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(pty.Path().c_str(), 0660), 0);
        // nobody, in no group: the device file's permissions refuse it.
        const std::string setpriv = Which("setpriv");
        if (setpriv.empty()) GTEST_SKIP() << "setpriv is not installed";
        argv = {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", self, filter};
    } else {
        // The owner's own bits come first: the owner may not open it, whatever its group may.
        ASSERT_EQ(::chmod(pty.Path().c_str(), 0060), 0);
        argv = {self, filter};
    }
    ChildProcess child;
    std::string why;
    ASSERT_TRUE(child.Start(argv, why, {std::string(kDeniedPortVar) + "=" + pty.Path()})) << why;
    std::string output, line;
    while (child.ReadLine(line, 60000)) output += line + "\n";
    const auto status = child.Wait(10000);
    ASSERT_TRUE(status.has_value()) << output;
    EXPECT_EQ(*status, 0) << output << child.Stderr();
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

} // namespace
} // namespace zev
