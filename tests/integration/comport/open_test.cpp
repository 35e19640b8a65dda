// Opening ports: missing, held elsewhere, the console, COM names, and what an open port reports.

#include "comport/port_ctrl.h"
#include "comport/sys_util.h"
#include "core/error.h"
#include "tests/integration/comport/pty_peer.h"
#include "tests/support/error_of.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

namespace zev {
namespace {

using test::TFakeRoots;
using test::TPty;

class TTimingCtrl : public TCustomComPortCtrl {
public:
    double Gtchb() const { return GTCHB; }
    double Gtc5b() const { return GTC5B; }
    std::uint32_t LatTmr() const { return FLatTmr; }
    std::uint32_t BfSz() const { return FBfSz; }
};

using test::ErrorOf;

TEST(PortOpen, AMissingPortIsNotFound) {
    TFakeRoots roots;
    TCustomComPortCtrl c;
    const std::string missing = roots.dev() + "/ttyUSB5";
    EXPECT_EQ(ErrorOf([&] { c.Open(missing); }),
              "TBasicComPortCtrl.Open(" + missing + ") >> Порт не найден.");
    EXPECT_FALSE(c.Opened());
    // COM names open ttyS{n-1} below the device root; there is none here.
    EXPECT_EQ(ErrorOf([&] { c.Open("com7"); }), "TBasicComPortCtrl.Open(COM7) >> Порт не найден.");
    EXPECT_EQ(ErrorOf([&] { c.Open("COM12"); }),
              "TBasicComPortCtrl.Open(\\\\.\\COM12) >> Порт не найден.");
    EXPECT_EQ(c.PortName(), "COM12"); // the new name is kept although the open failed
    // A name error leaves the previous name.
    EXPECT_NE(ErrorOf([&] { c.Open("LPT1"); }).find("Ошибка имени порта \"LPT1\""),
              std::string::npos);
    EXPECT_EQ(c.PortName(), "COM12");
}

TEST(PortOpen, APortHeldByAnotherControllerIsBusy) {
    TFakeRoots roots;
    TPty pty;
    const std::string link = roots.Link("ttyUSB90", pty.slave());
    TCustomComPortCtrl a, b;
    a.Open(link);
    ASSERT_TRUE(a.Opened());
    EXPECT_EQ(ErrorOf([&] { b.Open(link); }),
              "TBasicComPortCtrl.Open(" + link + ") >> Порт занят.");
    // The same device under its own name is just as busy.
    EXPECT_EQ(ErrorOf([&] { b.Open(pty.slave()); }),
              "TBasicComPortCtrl.Open(" + pty.slave() + ") >> Порт занят.");
    EXPECT_FALSE(b.Opened());
    a.Close();
    EXPECT_EQ(a.PortName(), link); // closing keeps the name
    b.Open(link);
    EXPECT_TRUE(b.Opened());
    // Reopen opens the same port again.
    b.Close();
    b.Reopen();
    EXPECT_TRUE(b.Opened());
    EXPECT_EQ(b.PortName(), link);
}

// Neither missing nor held elsewhere: a terminal the system refuses to open with an error of
// its own (a pseudo-terminal still locked by its master gives EIO) is reported with that error.
TEST(PortOpen, ATerminalThatCannotBeOpenedGivesTheSystemsError) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    int lock = 1;
    ASSERT_EQ(::ioctl(master, TIOCSPTLCK, &lock), 0);
    char name[128];
    ASSERT_EQ(::ptsname_r(master, name, sizeof name), 0);
    const std::string slave = name;
    TFakeRoots roots;
    const std::string link = roots.Link("ttyUSB93", slave);
    TCustomComPortCtrl c;
    for (const std::string& port : {slave, link}) {
        EXPECT_EQ(ErrorOf([&] { c.Open(port); }),
                  "TBasicComPortCtrl.Open(" + port + ") >> " + SysErrorText(EIO));
        EXPECT_FALSE(c.Opened());
    }
    // Unlocked, the same terminal opens.
    lock = 0;
    ASSERT_EQ(::ioctl(master, TIOCSPTLCK, &lock), 0);
    c.Open(link);
    EXPECT_TRUE(c.Opened());
    c.Close();
    ::close(master);
}

TEST(PortOpen, TheSystemConsoleIsNeverOpened) {
    TFakeRoots roots;
    TPty flagged, active;
    const std::string one = roots.Link("ttyUSB91", flagged.slave());
    const std::string two = roots.Link("ttyACM4", active.slave());
    roots.SysFile("class/tty/ttyUSB91/console", "Y\n");
    roots.SysFile("class/tty/console/active", "tty0 ttyACM4\n");
    TCustomComPortCtrl c;
    EXPECT_EQ(ErrorOf([&] { c.Open(one); }), "TBasicComPortCtrl.Open(" + one + ") >> Порт занят.");
    EXPECT_EQ(ErrorOf([&] { c.Open(two); }), "TBasicComPortCtrl.Open(" + two + ") >> Порт занят.");
    // A ttyS node without a UART behind it is no port at all.
    TPty noUart;
    roots.Link("ttyS2", noUart.slave());
    EXPECT_EQ(ErrorOf([&] { c.Open("COM3"); }), "TBasicComPortCtrl.Open(COM3) >> Порт не найден.");
}

TEST(PortOpen, ComNamesReachTtySPorts) {
    TFakeRoots roots;
    TPty pty;
    roots.Link("ttyS4", pty.slave());
    roots.SysFile("class/tty/ttyS4/type", "4\n");
    TCustomComPortCtrl c;
    c.Open("com5");
    EXPECT_EQ(c.PortName(), "COM5");
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    EXPECT_TRUE(c.Write({0x55, 0xAA}));
    std::uint8_t got[2] = {0, 0};
    const double until = PerfMilliseconds() + 2000;
    ssize_t n = 0;
    while (n <= 0 && PerfMilliseconds() < until) {
        n = ::read(pty.master(), got, sizeof got);
        if (n <= 0) SleepMs(2);
    }
    ASSERT_EQ(n, 2);
    EXPECT_EQ(got[0], 0x55);
    EXPECT_EQ(got[1], 0xAA);
}

TEST(PortOpen, OpenReadsTheSetupAndTheDeviceTiming) {
    TFakeRoots roots;
    TPty pty;
    const std::string link = roots.Link("ttyUSB90", pty.slave());
    roots.SysFile("bus/usb-serial/devices/ttyUSB90/latency_timer", "16\n");
    TTimingCtrl c;
    c.Open(link, TCustomComPortCtrl::kReadWrite, true); // fast: nothing read, nothing worked out
    EXPECT_EQ(c.Gtchb(), 0.0);
    EXPECT_EQ(c.Gtc5b(), 0.0);
    EXPECT_EQ(c.Setup().DCB.BaudRate, 9600u);
    EXPECT_EQ(c.Setup().CTO.ReadIntervalTimeout, 0xFFFFFFFFu);

    c.Open(link);
    EXPECT_EQ(c.LatTmr(), 18u);
    EXPECT_EQ(c.BfSz(), 256u);                        // no configuration data on Linux
    EXPECT_EQ(c.Setup().CTO.ReadIntervalTimeout, 0u); // read back from the port
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    EXPECT_NEAR(c.Gtchb(), 8000.0 / 19200, 1e-9);
    EXPECT_NEAR(c.Gtc5b(), 256 * 2000.0 / 19200 + 36, 1e-9);
    setup.Default(9600, 1);
    c.SetDCB(setup.DCB);
    EXPECT_NEAR(c.Gtchb(), 8000.0 / 9600, 1e-9);
    EXPECT_NEAR(c.Gtc5b(), 256 * 2000.0 / 9600 + 36, 1e-9);
}

TEST(PortOpen, WithoutLatencyTimerTheDefaultsHold) {
    TFakeRoots roots;
    TPty pty;
    TTimingCtrl c;
    c.Open(roots.Link("ttyUSB90", pty.slave()));
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    EXPECT_EQ(c.LatTmr(), 1u);
    EXPECT_NEAR(c.Gtc5b(), 28.0 + 2.0 / 3.0, 1e-9);
    EXPECT_NEAR(c.Gtchb(), 0.41666666666, 1e-9);
}

TEST(PortOpen, SetupIsAppliedAndReadBack) {
    TFakeRoots roots;
    TPty pty;
    TCustomComPortCtrl c;
    c.Open(roots.Link("ttyUSB90", pty.slave()));
    TCPCSetup setup;
    setup.Default(19200, 1);
    setup.TimeOuts(0xFFFFFFFF, 0, 0, 7, 9);
    setup.Buffers(512, 128);
    c.SetSetup(setup);
    const DCB dcb = c.GetDCB();
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_TRUE(dcb.fBinary());
    EXPECT_EQ(dcb.fDtrControl(), 0);
    EXPECT_EQ(dcb.fRtsControl(), 0);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(c.GetTimeOuts().WriteTotalTimeoutConstant, 9u);
    EXPECT_EQ(c.Setup().BIN, 512u);
    // A setting the terminal cannot take fails and leaves the setup as it was.
    TCPCSetup odd = setup;
    odd.DCB.BaudRate = 12345;
    EXPECT_EQ(ErrorOf([&] { c.SetSetup(odd); }),
              "TBasicComPortCtrl.SetDCB >> Не удалось установить параметры порта (22: Invalid "
              "argument).");
    EXPECT_EQ(c.Setup().DCB.BaudRate, 19200u);
    EXPECT_EQ(c.GetDCB().BaudRate, 19200u);
}

TEST(PortOpen, QueuesReadAndPurge) {
    TFakeRoots roots;
    TPty pty;
    TCustomComPortCtrl c;
    c.Open(roots.Link("ttyUSB90", pty.slave()));
    TCPCSetup setup;
    setup.Default(19200, 1);
    c.SetSetup(setup);
    EXPECT_EQ(c.Read(10).size(), 0u); // nothing there: no waiting
    ASSERT_EQ(::write(pty.master(), "\x01\x02\x03\x04\x05", 5), 5);
    const double until = PerfMilliseconds() + 2000;
    while (c.GetQueueSize() < 5 && PerfMilliseconds() < until) SleepMs(1);
    EXPECT_EQ(c.GetQueueSize(), 5u);
    EXPECT_EQ(c.Read(3), (ABytes{1, 2, 3}));
    EXPECT_EQ(c.GetQueueSize(), 2u);
    c.ClearBuffers(true, false);
    EXPECT_EQ(c.GetQueueSize(), 0u);
    EXPECT_EQ(c.GetOutputSize(), 0u);
    EXPECT_EQ(c.ClearErrors(), 0u);
}

TEST(PortOpen, APeerThatHungUpGivesAReadError) {
    TFakeRoots roots;
    TPty pty;
    TCustomComPortCtrl c;
    c.Open(roots.Link("ttyUSB90", pty.slave()));
    pty.CloseMaster();
    const std::string error = ErrorOf([&] { c.Read(10); });
    EXPECT_EQ(error, "TBasicComPortCtrl.Read >> Не удалось выполнить чтение (5: Input/output "
                     "error).");
}

TEST(PortOpen, PortStateTellsWhoHoldsThePort) {
    TFakeRoots roots;
    TPty mine, other;
    const std::string myLink = roots.Link("ttyUSB90", mine.slave());
    const std::string otherLink = roots.Link("ttyUSB91", other.slave());
    TCustomComPortCtrl c;
    EXPECT_EQ(c.PortState(myLink), 1); // listed, not held
    c.Open(myLink);
    EXPECT_EQ(c.PortState(), 2);
    EXPECT_EQ(c.PortState(myLink), 2);
    EXPECT_TRUE(c.Registred());
    EXPECT_EQ(c.PortState(otherLink), 1);
    EXPECT_EQ(c.PortState(roots.dev() + "/ttyUSB7"), 0);
    EXPECT_EQ(c.PortState("COM3"), 0);
    EXPECT_NE(ErrorOf([&] { c.PortState("COMX"); }).find("Ошибка имени порта"), std::string::npos);
    EXPECT_TRUE(TCustomComPortCtrl::IsRegistred(otherLink));
}

TEST(PortOpen, NothingIsRegisteredWithoutPorts) {
    TFakeRoots roots;
    EXPECT_FALSE(TCustomComPortCtrl::IsRegistred("COM1"));
    EXPECT_FALSE(TCustomComPortCtrl::IsRegistred(roots.dev() + "/ttyUSB0"));
}

} // namespace
} // namespace zev
