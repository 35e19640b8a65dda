// The Qt window's hint when a search finds nothing: a word-wrapped text in the device list's
// place, naming a port that another program holds (flock) beside a silent one; gone once a
// device answers. And the window's tab order once devices are listed.

#include "core/text.h"
#include "qt_window.h"
#include "support/child_process.h"
#include "support/devsim_fixture.h"

#include <fcntl.h>
#include <unistd.h>

namespace zev {
namespace {

using namespace zev::test;
using TKeys = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> Pump(const std::string& pName, TKeys pExtra = {}) {
    TKeys keys = {{"dBootTypeP", "0x0042"},
                  {"dIspolnenieP", "1"},
                  {"dPlateIzmP", "2"},
                  {"dVerProg", "1.04"},
                  {"dName", "PUMP"}};
    keys.insert(keys.end(), pExtra.begin(), pExtra.end());
    return SimDevice(pName, keys);
}

TEST(QtSearchHintTest, HintNamesTheHeldPortThenGoesWithTheDevice) {
    const std::string flock = Trim(ShellOutput("command -v flock"));
    if (flock.empty()) GTEST_SKIP() << "flock is not installed";
    DevSimFixture sim;
    sim.Start(SimDevices({Pump("late", {{"fault", "drop id first=6"}}), Pump("held")}));
    ChildProcess holder;
    std::string why;
    ASSERT_TRUE(holder.Start({flock, "--exclusive", sim.Pty("held"), "sleep", "60"}, why)) << why;

    QtWindow w;
    PortsEnv::Set({sim.Pty("late"), sim.Pty("held")});
    w.Create(MakeDemoPayload(TDemoFirmware{}));
    QLabel* notice = w.Find<QLabel>("lblNotice");
    ASSERT_NE(notice, nullptr);
    ASSERT_TRUE(WaitFor([&] { return notice->isVisible(); }, 5000));
    const std::string text = Text(notice);
    EXPECT_EQ(text.rfind(sim.Pty("held") + ": in use by another program: flock (PID " +
                             std::to_string(holder.Pid()) + ")",
                         0),
              0u)
        << text;
    EXPECT_TRUE(text.ends_with("\nPorts searched: 2. No device answered.")) << text;
    EXPECT_TRUE(w.Rows().isEmpty());
    Screenshot(*w.Form, "search-hint.png");

    // The second search finds the device: the list takes the hint's place.
    holder.Kill();
    ASSERT_TRUE(w.WaitForRows());
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(w.Form->focusWidget(), w.Button("btnProg"));
}

// Tab runs from the top row down, then "Next", "Close", and round again; nothing else stops it.
TEST(QtKeyboardTest, TabRunsTheRowsTopDownThenNextAndClose) {
    DevSimFixture sim;
    sim.Start(SimDevices({Pump("a"), Pump("b")}));
    QtWindow w;
    PortsEnv::Set({sim.Pty("a"), sim.Pty("b")});
    w.Create(MakeDemoPayload(TDemoFirmware{}));
    ASSERT_TRUE(w.WaitForRows());
    EXPECT_EQ(w.Form->focusWidget(), w.Button("btnProg"));
    const auto rows = w.Rows();
    ASSERT_EQ(rows.size(), 2);
    std::vector<QWidget*> order;
    QWidget* at = rows[0]->Box();
    do {
        order.push_back(at);
        do at = at->nextInFocusChain();
        while (at != rows[0]->Box() && !(at->focusPolicy() & Qt::TabFocus));
    } while (at != rows[0]->Box() && order.size() < 10);
    const std::vector<QWidget*> expected = {rows[0]->Box(), rows[1]->Box(), w.Button("btnProg"),
                                            w.Button("btnCancel")};
    EXPECT_EQ(order, expected);
}

} // namespace
} // namespace zev
