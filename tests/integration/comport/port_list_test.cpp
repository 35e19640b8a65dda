// The port lists on Linux, from a fake /dev of links to pseudo-terminals and a fake sysfs.

#include "comport/basic_port.h"
#include "comport/port_ctrl.h"
#include "core/error.h"
#include "tests/integration/comport/pty_peer.h"

#include <climits>
#include <gtest/gtest.h>
#include <memory>

namespace zev {
namespace {

using test::TFakeRoots;
using test::TPty;

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? buffer : "";
}

TEST(PortList, ListsSerialNodesInNameOrderWithoutConsoles) {
    TFakeRoots roots;
    TPty usb90, usb91, acm3, s4, s5, acm9, other;
    roots.Link("ttyUSB90", usb90.slave());
    roots.Link("ttyUSB91", usb91.slave()); // the console by its attribute
    roots.Link("ttyACM3", acm3.slave());
    roots.Link("ttyACM9", acm9.slave());          // the console by name
    roots.Link("ttyS4", s4.slave());              // no UART
    roots.Link("ttyS5", s5.slave());              // a UART
    roots.Link("ttyUSB", other.slave());          // no number: not a port node
    roots.Link("mouse0", other.slave());          // not a serial name
    roots.Link("ttyUSB7", roots.dev() + "/gone"); // dangling
    std::ofstream(roots.dev() + "/rfcomm0") << "a plain file";
    roots.SysFile("class/tty/ttyUSB91/console", "Y\n");
    roots.SysFile("class/tty/console/active", "tty0 ttyACM9\n");
    roots.SysFile("class/tty/ttyS4/type", "0\n");
    roots.SysFile("class/tty/ttyS5/type", "4\n");

    const std::vector<std::string> expected = {roots.dev() + "/ttyACM3", roots.dev() + "/ttyS5",
                                               roots.dev() + "/ttyUSB90"};
    EXPECT_EQ(TBasicComPortCtrl::ListPorts(), expected);
    const APortsInfo info = TBasicComPortCtrl::ListPortsInfo();
    ASSERT_EQ(info.size(), expected.size());
    for (std::size_t i = 0; i < info.size(); ++i) {
        EXPECT_EQ(info[i].portName, expected[i]);
        EXPECT_EQ(info[i].portType, 1); // every serial tty is a COM-type port
    }
    EXPECT_EQ(info[2].portNumber, 90);
}

TEST(PortList, DeviceDetailsComeFromSysfs) {
    TFakeRoots roots;
    TPty pty;
    const std::string link = roots.Link("ttyUSB90", pty.slave());
    const std::string device = "devices/pci0/usb1/1-1/1-1:1.0/ttyUSB90";
    roots.SysLink("class/tty/ttyUSB90/device", device);
    roots.SysLink(device + "/driver", "bus/usb-serial/drivers/ftdi_sio");
    roots.SysFile("devices/pci0/usb1/1-1/product", "FT232R USB UART\n");
    roots.SysFile("bus/usb-serial/devices/ttyUSB90/latency_timer", "16\n");

    const TPortInfo info = GetPortInfo(link);
    EXPECT_EQ(info.portName, link);
    EXPECT_EQ(info.portType, 1);
    EXPECT_EQ(info.SV, "ftdi_sio");
    EXPECT_EQ(info.FN, "FT232R USB UART");
    EXPECT_EQ(info.portRegPath, RealPath(roots.sys() + "/" + device));
    EXPECT_EQ(TCustomComPortCtrl::LatencyTimer(link), 16u);
    try {
        TCustomComPortCtrl::ConfigData(link);
        FAIL() << "configuration data on Linux";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Не удалось получить значение \"ConfigData\"");
    }
}

TEST(PortList, MissingDetailsAndPorts) {
    TFakeRoots roots;
    TPty pty;
    const std::string link = roots.Link("ttyACM0", pty.slave());
    const TPortInfo info = GetPortInfo(link);
    EXPECT_EQ(info.FN, "");
    EXPECT_EQ(info.SV, "");
    EXPECT_EQ(info.portRegPath, "");
    try {
        TCustomComPortCtrl::LatencyTimer(link);
        FAIL() << "latency timer without sysfs";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Не удалось получить значение \"LatencyTimer\"");
    }
    const std::string other = roots.dev() + "/ttyACM1";
    try {
        GetPortInfo(other);
        FAIL() << "found a missing port";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Порт \"" + other + "\" не найден.");
    }
}

TEST(PortList, ZevPortsReplacesTheList) {
    TFakeRoots roots;
    TPty a, b, console;
    roots.Link("ttyUSB90", a.slave());
    roots.SysFile("class/tty/console/active", "ttyUSB3\n");
    const std::string chosen = b.slave() + ":" + roots.dev() + "/ttyUSB3:" + a.slave();
    ::setenv("ZEV_PORTS", chosen.c_str(), 1);
    const std::vector<std::string> expected = {b.slave(), a.slave()};
    EXPECT_EQ(TBasicComPortCtrl::ListPorts(), expected);
    EXPECT_EQ(TBasicComPortCtrl::ListPortsInfo().size(), 2u);
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName(b.slave()), b.slave());
    // One port's entry is the list's, and only a listed port has one: not the console, not a
    // terminal left out of the variable.
    EXPECT_EQ(GetPortInfo(a.slave()).portName, TBasicComPortCtrl::ListPortsInfo()[1].portName);
    EXPECT_EQ(GetPortInfo(b.slave()).portType, 1);
    for (const std::string& absent : {roots.dev() + "/ttyUSB3", console.slave()}) {
        try {
            GetPortInfo(absent);
            ADD_FAILURE() << "found " << absent;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Порт \"" + absent + "\" не найден.");
        }
    }
}

TEST(PortList, AnUnreadableDeviceFolder) {
    TFakeRoots roots;
    const std::string missing = roots.root() + "/no-dev";
    ::setenv("ZEV_DEV_ROOT", missing.c_str(), 1);
    EXPECT_TRUE(TBasicComPortCtrl::ListPorts().empty());
    try {
        TBasicComPortCtrl::ListPortsInfo();
        FAIL() << "listed an unreadable folder";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Не удалось открыть \"" + missing + "\"");
    }
    try {
        GetPortInfo(roots.dev() + "/ttyUSB0");
        FAIL() << "found a port in an unreadable folder";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Не удалось открыть \"" + missing + "\"");
    }
}

TEST(PortList, DevicePathsAreTheirOwnNormalForm) {
    TFakeRoots roots;
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName(roots.dev() + "/ttyACM2"), roots.dev() + "/ttyACM2");
    // Other paths keep the COM rules.
    EXPECT_THROW(TBasicComPortCtrl::CheckPortName("/tmp/ttyUSB0"), Error);
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName("/tmp/COM4"), "COM4");
}

// Vendor drivers' ports by what sysfs says of them, known names without sysfs, and the order of
// numbers: ttyUSB2 before ttyUSB10. A tty with no device behind it (a virtual console) and a
// UART without hardware are no ports, whatever their names.
TEST(PortList, VendorPortsBySysfsInNaturalOrder) {
    TFakeRoots roots;
    std::vector<std::unique_ptr<TPty>> ptys;
    const auto node = [&](const std::string& name) {
        ptys.push_back(std::make_unique<TPty>());
        roots.Link(name, ptys.back()->slave());
    };
    const auto withDevice = [&](const std::string& name, const std::string& driver) {
        node(name);
        const std::string device = "devices/platform/" + driver + "/" + name;
        roots.SysLink("class/tty/" + name + "/device", device);
        roots.SysLink(device + "/driver", "bus/platform/drivers/" + driver);
    };
    withDevice("ttyCH341USB0", "ch34x");
    withDevice("ttyMXUSB1", "mxuport");
    withDevice("ttyUSB10", "ftdi_sio");
    withDevice("ttyUSB2", "ftdi_sio");
    withDevice("ttymxc0", "imx-uart");
    withDevice("ttyS1", "serial8250"); // a ttyS counts by its UART only
    roots.SysFile("class/tty/ttyS1/type", "4\n");
    withDevice("ttyAMA0", "uart-pl011"); // a UART whose hardware is missing
    roots.SysFile("class/tty/ttyAMA0/type", "0\n");
    withDevice("ttyGS0", "g_serial"); // a name no table knows: sysfs says serial
    node("ttymxc3");                  // a known name that sysfs does not know
    node("tty5");                     // a virtual console: no device behind it
    roots.SysFile("class/tty/tty5/dev", "4:5\n");
    node("ttyUSB003");

    const std::string d = roots.dev() + "/";
    const std::vector<std::string> expected = {d + "ttyCH341USB0", d + "ttyGS0",  d + "ttyMXUSB1",
                                               d + "ttyS1",        d + "ttyUSB2", d + "ttyUSB003",
                                               d + "ttyUSB10",     d + "ttymxc0", d + "ttymxc3"};
    EXPECT_EQ(TBasicComPortCtrl::ListPorts(), expected);
    EXPECT_EQ(GetPortInfo(d + "ttyCH341USB0").SV, "ch34x");
}

} // namespace
} // namespace zev
