// Port names, the serial device map and opening, on ports mapped by the Wine bench.

#include "comport/port_ctrl.h"
#include "tests/support/error_of.h"
#include "tests/wine/serial/bench.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace zev {
namespace {

using test::ErrorOf;

bool Listed(const std::vector<std::string>& ports, const std::string& name) {
    return std::find(ports.begin(), ports.end(), name) != ports.end();
}

TEST(WinePorts, MappedPortsAreListedAndRegistered) {
    const auto ports = TBasicComPortCtrl::ListPorts();
    EXPECT_TRUE(Listed(ports, bench::AnswerPort()));
    EXPECT_TRUE(Listed(ports, bench::SilentPort()));
    EXPECT_FALSE(Listed(ports, bench::kMissingPort));
    // Registered means a listed port of the same number, whatever the spelling.
    EXPECT_TRUE(TCustomComPortCtrl::IsRegistred("com5"));
    EXPECT_TRUE(TCustomComPortCtrl::IsRegistred("\\\\.\\COM6"));
    EXPECT_FALSE(TCustomComPortCtrl::IsRegistred(bench::kMissingPort));
}

TEST(WinePorts, AMissingPortIsNotFoundUnderTheNameAsPassed) {
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::Open("COM99", TCustomComPortCtrl::kReadWrite); }),
              "TBasicComPortCtrl.Open(COM99) >> Порт не найден.");
    TCustomComPortCtrl c;
    EXPECT_EQ(ErrorOf([&] { c.Open(bench::kMissingPort); }),
              "TBasicComPortCtrl.Open(\\\\.\\COM199) >> Порт не найден.");
    EXPECT_FALSE(c.Opened());
    EXPECT_EQ(c.PortName(), "COM199");
}

TEST(WinePorts, OpenCloseAndPortState) {
    TCustomComPortCtrl c;
    c.Open(bench::AnswerPort());
    ASSERT_TRUE(c.Opened());
    EXPECT_EQ(c.PortName(), bench::AnswerPort());
    EXPECT_EQ(c.PortState(), 2);
    EXPECT_EQ(c.PortState(bench::SilentPort()), 1);
    EXPECT_EQ(c.PortState(bench::kMissingPort), 0);
    c.Close();
    EXPECT_FALSE(c.Opened());
    EXPECT_EQ(c.PortState(), 1);
    // Reopening after a close works: the port was released.
    c.Open(bench::AnswerPort());
    EXPECT_TRUE(c.Opened());
}

} // namespace
} // namespace zev
