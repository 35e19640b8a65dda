// A row's hint names the port its device answered on, with the adapter's name where sysfs gives
// one, so that identical devices can be told apart: a fake /dev of links to simulated devices
// and a fake sysfs that describes one of them as a USB adapter.

#include "flow_support.h"
#include "tests/integration/comport/pty_peer.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using namespace zev::test;

TEST(RowHintTest, IdenticalDevicesAreToldApartByTheirPorts) {
    DevSimFixture sim;
    sim.Start(SimDevices({FittingDevice("twin", "1.04", "0x81"),
                          FittingDevice("twin2", "1.04", "0x81", {{"dName", "twin"}})}));
    AppWindow app;
    TFakeRoots roots; // after the window's own port setting: it clears ZEV_PORTS
    const std::string usb = roots.Link("ttyUSB0", sim.Pty("twin"));
    const std::string acm = roots.Link("ttyACM1", sim.Pty("twin2"));
    const std::string device = "devices/pci0/usb1/1-1/1-1:1.0/ttyUSB0";
    roots.SysLink("class/tty/ttyUSB0/device", device);
    roots.SysFile("devices/pci0/usb1/1-1/product", "FT232R USB UART\n");
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Rows().size(), 2u);
    HeadlessDeviceRow* first = app.RowOfPort(usb);
    HeadlessDeviceRow* second = app.RowOfPort(acm);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Caption, second->Caption) << "the same device text";
    EXPECT_EQ(first->Hint, usb + " (FT232R USB UART)");
    EXPECT_EQ(second->Hint, acm);
}

} // namespace
} // namespace zev
