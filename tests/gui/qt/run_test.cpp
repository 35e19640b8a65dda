// The real Qt window through a whole update: searching, the device list, "Next", the results.

#include "core/cp1251.h"
#include "datafiles/package_builder.h"
#include "qt_window.h"
#include "support/devsim_fixture.h"

#include <QScrollArea>
#include <QToolTip>

namespace zev {
namespace {

using namespace zev::test;

using TKeys = std::vector<std::pair<std::string, std::string>>;

TDemoFirmware SmallFirmware(std::uint32_t flashLines = 10) {
    TDemoFirmware demo;
    demo.flashSize = 64 * flashLines;
    demo.eepromSize = 64;
    return demo;
}

// A device that the package fits, at the given version; the name is also the simulator's name
// unless pSimName gives one (the simulator's names are Latin).
std::vector<std::string> Device(const std::string& pName, const std::string& pVersion,
                                const std::string& pId, TKeys pExtra = {},
                                const std::string& pSimName = "") {
    TKeys keys = {{"dBootTypeP", "0x0042"}, {"dIspolnenieP", "1"}, {"dPlateIzmP", "2"},
                  {"dVerProg", pVersion},   {"dID", pId},          {"dName", pName}};
    keys.insert(keys.end(), pExtra.begin(), pExtra.end());
    return SimDevice(pSimName.empty() ? pName : pSimName, keys);
}

bool IsColoured(const qt::TQtDeviceRow* pRow, const char* pColour) {
    return pRow->CaptionLabel()->styleSheet().contains(QString::fromLatin1(pColour));
}

TEST(QtRunTest, SearchingShowsTheMarquee) {
    QtWindow w; // no port: the search goes on
    w.Create(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(WaitFor([&] { return w.Form->Logic().SearchCount() >= 2; }, 5000));
    EXPECT_EQ(Text(w.Label("lblState")), "Search . . .");
    auto* bar = w.Find<QProgressBar>("pgbMain");
    EXPECT_EQ(bar->maximum(), 0) << "busy indicator";
    EXPECT_FALSE(w.Button("btnProg")->isEnabled());
    EXPECT_EQ(w.LanguageDialogShown, 0);
    EXPECT_EQ(w.Form->windowTitle().toStdString(), "ZEV-DEMO v.1.05 (isp.1, izm.2)");
    Screenshot(*w.Form, "searching.png");
}

TEST(QtRunTest, OneDeviceFailingOnTheRealWindow) {
    const TDemoFirmware demo = SmallFirmware(10);
    DevSimFixture sim;
    sim.Start(SimDevices({
        Device("PUMP-1", "1.04", "0x1A01", {{"fault", "nibble flash after=5"}}),
        Device("PUMP-2", "1.04", "0x1A02", {{"timing", "paced"}, {"flash-ms", "200"}}),
        Device("PUMP-3", "1.05", "0x1A03"),
        Device("VALVE", "1.00", "0x2B01", {{"dBootTypeP", "0x0050"}}),
    }));
    QtWindow w;
    PortsEnv::Set({sim.Pty("PUMP-1"), sim.Pty("PUMP-2"), sim.Pty("PUMP-3"), sim.Pty("VALVE")});
    w.Create(MakeDemoPayload(demo));
    ASSERT_TRUE(w.WaitForRows());
    qt::TQtDeviceRow* weak = w.RowOfPort(sim.Pty("PUMP-1"));
    qt::TQtDeviceRow* strong = w.RowOfPort(sim.Pty("PUMP-2"));
    qt::TQtDeviceRow* same = w.RowOfPort(sim.Pty("PUMP-3"));
    qt::TQtDeviceRow* other = w.RowOfPort(sim.Pty("VALVE"));
    ASSERT_TRUE(weak && strong && same && other);
    EXPECT_EQ(Text(w.Label("lblState")), "Devices found: 4");
    EXPECT_EQ(w.Find<QProgressBar>("pgbMain")->maximum(), 1000);

    // Last found on top.
    const auto rows = w.Rows();
    const auto& logicRows = w.Form->Logic().Rows();
    ASSERT_EQ(rows.size(), 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(rows[k], logicRows.at(3 - k).P);

    EXPECT_EQ(Text(weak->CaptionLabel()), "\"PUMP-1\" 00001A01 v.1.04  (isp.1, izm.2)");
    EXPECT_TRUE(weak->Box()->isChecked());
    EXPECT_EQ(Text(same->CaptionLabel()),
              "\"PUMP-3\" 00001A03 v.1.05  (isp.1, izm.2)\n   update is not required");
    EXPECT_FALSE(same->Box()->isChecked());
    EXPECT_TRUE(same->Box()->isEnabled());
    EXPECT_EQ(Text(other->CaptionLabel()),
              "\"VALVE\" 00002B01 v.1.00  (isp.1, izm.2)\n   update not supported");
    EXPECT_FALSE(other->Box()->isEnabled());
    EXPECT_EQ(weak->height(), 41);

    // "Next" follows the ticks: untick both ticked rows, then tick them again by their captions.
    QPushButton* next = w.Button("btnProg");
    EXPECT_TRUE(next->isEnabled());
    QTest::mouseClick(weak->Box(), Qt::LeftButton);
    QTest::mouseClick(strong->Box(), Qt::LeftButton);
    EXPECT_FALSE(next->isEnabled());
    QTest::mouseClick(other->CaptionLabel(), Qt::LeftButton);
    EXPECT_FALSE(next->isEnabled()) << "a row that is not supported cannot be ticked";
    QTest::mouseClick(weak->CaptionLabel(), Qt::LeftButton);
    QTest::mouseClick(strong->CaptionLabel(), Qt::LeftButton);
    EXPECT_TRUE(weak->Box()->isChecked());
    EXPECT_TRUE(next->isEnabled());
    Screenshot(*w.Form, "devices-en.png");

    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_FALSE(next->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return IsColoured(weak, "#ff0000"); }, 20000));
    EXPECT_FALSE(w.Form->Logic().RunFinished()) << "red at once, the other still writing";
    EXPECT_EQ(Text(w.Label("lblState")), "Downloading update . . .");
    EXPECT_TRUE(Text(weak->CaptionLabel()).ends_with("\n   update error"));
    ASSERT_TRUE(WaitFor([&] { return w.Form->Logic().RunFinished(); }, 30000));
    EXPECT_TRUE(Text(strong->CaptionLabel()).ends_with("\n   update successful"));
    EXPECT_TRUE(IsColoured(strong, "#008000"));
    EXPECT_FALSE(strong->isEnabled());
    EXPECT_EQ(Text(w.Label("lblState")), "update error");
    EXPECT_TRUE(w.Label("lblState")->styleSheet().contains("#ff0000"));
    EXPECT_EQ(w.Find<QProgressBar>("pgbMain")->value(), 0);
    EXPECT_FALSE(next->isEnabled());
    Screenshot(*w.Form, "run-with-failure.png");

    EXPECT_TRUE(w.WaitForThreads(5000));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("PUMP-1").Count('R'), 0u);
    EXPECT_EQ(sim.ReadDump("PUMP-2").Count('R'), 1u);
    EXPECT_EQ(sim.ReadDump("PUMP-3").Kinds(), "I");
}

// Nine devices: the list scrolls. The one that fails was found first, so its row is at the
// bottom, out of sight, until the run ends; then it is in view and explains itself when the
// pointer rests on it.
TEST(QtRunTest, TheFailedRowComesIntoViewAndShowsWhyOnHover) {
    const TDemoFirmware demo = SmallFirmware(3);
    std::vector<std::vector<std::string>> devices = {
        Device("PUMP-1", "1.04", "0x3A01", {{"fault", "nibble flash after=1"}})};
    // The others leave the first identity request unanswered and answer the search's second
    // attempt, 700 ms later, so PUMP-1 is found first and ends at the bottom.
    for (int k = 2; k <= 9; ++k)
        devices.push_back(Device("PUMP-" + std::to_string(k), "1.04", "0x3A0" + std::to_string(k),
                                 {{"fault", "drop id first=1"}}));
    DevSimFixture sim;
    sim.Start(SimDevices(devices));
    std::vector<std::string> ports;
    for (int k = 1; k <= 9; ++k) ports.push_back(sim.Pty("PUMP-" + std::to_string(k)));
    QtWindow w;
    PortsEnv::Set(ports);
    w.Create(MakeDemoPayload(demo));
    ASSERT_TRUE(w.WaitForRows());
    ASSERT_EQ(w.Rows().size(), 9);
    qt::TQtDeviceRow* weak = w.RowOfPort(ports[0]);
    ASSERT_NE(weak, nullptr);
    auto* list = w.Form->DeviceList();
    const auto inView = [&](QWidget* pRow) {
        const QRect viewport(QPoint(0, 0), list->viewport()->size());
        const QRect place(pRow->mapTo(list->viewport(), QPoint(0, 0)), pRow->size());
        return viewport.contains(place);
    };
    QTest::qWait(50);
    EXPECT_EQ(w.Rows().back(), weak) << "found first, listed last";
    EXPECT_FALSE(inView(weak)) << "the list scrolls; the bottom row is out of sight";
    EXPECT_EQ(weak->toolTip().toStdString(), ports[0]) << "the row's port";

    QTest::mouseClick(w.Button("btnProg"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w.Form->Logic().RunFinished(); }, 30000));
    QTest::qWait(50);
    EXPECT_TRUE(inView(weak));
    EXPECT_TRUE(Text(weak->CaptionLabel()).ends_with("\n   update error"));
    EXPECT_TRUE(IsColoured(weak, "#ff0000"));
    EXPECT_EQ(weak->toolTip().toStdString(), "update error 0xF001\n" + ports[0]);
    for (std::size_t k = 1; k < ports.size(); ++k)
        EXPECT_EQ(w.RowOfPort(ports[k])->toolTip().toStdString(), ports[k]);

    // The pointer rests on the disabled row: its tip shows.
    QTest::mouseMove(weak->CaptionLabel(), QPoint(40, 10));
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(QToolTip::text().toStdString(), "update error 0xF001\n" + ports[0]);
    ScreenshotOfScreen(*w.Form, "run-failure-hint.png");
    QToolTip::hideText();

    EXPECT_TRUE(w.WaitForThreads(5000));
}

TEST(QtRunTest, RussianDeviceList) {
    TDemoFirmware demo = SmallFirmware();
    demo.name = Utf8ToCp1251("Насос");
    DevSimFixture sim;
    sim.Start(SimDevices({Device("Насос-1", "1.04", "0x301", {}, "pump1"),
                          Device("Насос-2", "1.05", "0x302", {}, "pump2"),
                          Device("Клапан", "1.00", "0x401", {{"dBootTypeP", "0x0050"}}, "valve")}));
    QtWindow w;
    PortsEnv::Set({sim.Pty("pump1"), sim.Pty("pump2"), sim.Pty("valve")});
    w.Create(MakeDemoPayload(demo));
    EXPECT_EQ(w.Form->windowTitle().toStdString(), "Насос v.1.05 (исп.1, изм.2)");
    ASSERT_TRUE(w.WaitForRows());
    EXPECT_EQ(Text(w.Label("lblState")), "Найдено: 3");
    EXPECT_EQ(Text(w.Label("lblCDevices")), "Найденые устройства:");
    EXPECT_EQ(w.Button("btnProg")->text().toStdString(), "Продолжить");
    EXPECT_TRUE(w.Label("imgLogoRU")->isVisible());
    EXPECT_FALSE(w.Label("imgLogoEN")->isVisible());
    EXPECT_EQ(Text(w.RowOfPort(sim.Pty("pump1"))->CaptionLabel()),
              "\"Насос-1\" 00000301 v.1.04  (исп.1, изм.2)");
    EXPECT_EQ(Text(w.RowOfPort(sim.Pty("pump2"))->CaptionLabel()),
              "\"Насос-2\" 00000302 v.1.05  (исп.1, изм.2)\n   обновление не требуется");
    EXPECT_EQ(Text(w.RowOfPort(sim.Pty("valve"))->CaptionLabel()),
              "\"Клапан\" 00000401 v.1.00  (исп.1, изм.2)\n   обновление не поддерживается");
    Screenshot(*w.Form, "devices-ru.png");
}

TEST(QtRunTest, SecondStartShowsTheUpdatedDevicesAsUpToDate) {
    const TDemoFirmware demo = SmallFirmware(4);
    DevSimFixture sim;
    sim.Start(SimDevices({Device("A", "1.04", "0x501"), Device("B", "1.00", "0x502")}));
    {
        QtWindow w;
        PortsEnv::Set({sim.Pty("A"), sim.Pty("B")});
        w.Create(MakeDemoPayload(demo));
        ASSERT_TRUE(w.WaitForRows());
        QTest::mouseClick(w.Button("btnProg"), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return w.Form->Logic().RunFinished(); }, 30000));
        EXPECT_EQ(Text(w.Label("lblState")), "Completed successfully");
        w.Form->close();
        EXPECT_TRUE(w.WaitForThreads(5000));
    }
    QtWindow w;
    PortsEnv::Set({sim.Pty("A"), sim.Pty("B")});
    w.Create(MakeDemoPayload(demo));
    ASSERT_TRUE(w.WaitForRows());
    ASSERT_EQ(w.Rows().size(), 2);
    for (const auto* row : w.Rows()) {
        EXPECT_TRUE(Text(row->CaptionLabel())
                        .ends_with("v.1.05  (isp.1, izm.2)\n   update is not required"))
            << Text(row->CaptionLabel());
        EXPECT_FALSE(row->Box()->isChecked());
    }
    EXPECT_FALSE(w.Button("btnProg")->isEnabled());
}

TEST(QtRunTest, ClosingDuringARunEndsPromptlyWithoutReset) {
    DevSimFixture sim;
    const TKeys slow = {{"timing", "paced"}, {"flash-ms", "20"}};
    sim.Start(SimDevices({Device("x", "1.04", "0x601", slow), Device("y", "1.04", "0x602", slow)}));
    QtWindow w;
    PortsEnv::Set({sim.Pty("x"), sim.Pty("y")});
    w.Create(MakeDemoPayload(SmallFirmware(60)));
    ASSERT_TRUE(w.WaitForRows());
    QTest::mouseClick(w.Button("btnProg"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w.Form->Logic().Progress() >= 100; }, 20000));
    EXPECT_GE(ThreadCount(), w.BaseThreads() + 2) << "both workers are writing";
    QTest::mouseClick(w.Button("btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(w.Form->isVisible());
    EXPECT_TRUE(ApplicationTerminating());
    EXPECT_TRUE(w.WaitForThreads(3000));
    sim.Stop();
    for (const char* name : {"x", "y"}) EXPECT_EQ(sim.ReadDump(name).Count('R'), 0u) << name;
}

} // namespace
} // namespace zev
