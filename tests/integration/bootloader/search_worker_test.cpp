// The search worker against simulated devices on pseudo-terminals.

#include "comport/port_ctrl.h"
#include "core/cp1251.h"
#include "platform/error.h"
#include "support/devsim_fixture.h"
#include "worker_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zev::test {
namespace {

using SearchWorker = WorkerTest;

TDevDateTime Month(int year, int month) {
    TDevDateTime d;
    d.Year = year;
    d.Month = month;
    d.Day = 1;
    return d;
}

TEST_F(SearchWorker, ADeviceThatAnswersIsReportedWithEveryFieldDecoded) {
    DevSimFixture sim;
    sim.Start(SimDevice("pump", {{"dBootVersion", "0x0203"},
                                 {"dBootType", "0x1A2B"},
                                 {"dIspolnenie", "7"},
                                 {"dPlateIzm", "2"},
                                 {"dDate", "2016-11"},
                                 {"dAdressInf", "0x0400"},
                                 {"dAdressMax", "0x7FFF"},
                                 {"dBlockWrite", "128"},
                                 {"dEepromMax", "512"},
                                 {"dID", "0xA1B2C3D4"},
                                 {"dEndProg", "0x3DFF"},
                                 {"dCSProg", "0x0946"},
                                 {"dVerProg", "1.05"},
                                 {"dBootTypeP", "0x1A2C"},
                                 {"dIspolnenieP", "8"},
                                 {"dPlateIzmP", "3"},
                                 {"dDateProg", "2019-02"},
                                 {"dName", "Насос-3"}}));
    TWorkerRun run;
    StartSearch(run, 7, sim.Pty("pump"));
    ASSERT_TRUE(WaitGone(run));

    ASSERT_EQ(run.Events.size(), 2u);
    EXPECT_EQ(run.Events[0].wParam, 7u);
    EXPECT_EQ(run.Events[0].lParam, evStarted);
    EXPECT_EQ(run.Events[1].wParam, 7u);
    EXPECT_EQ(run.Events[1].lParam, evDone);
    EXPECT_EQ(run.Last().Error, "");
    EXPECT_LT(run.Last().At, 1000) << "answered at the first attempt";

    const TLormanBootLoaderDevID& id = run.Last().DevID;
    EXPECT_EQ(id.dBootVersion, 0x0203);
    EXPECT_EQ(id.dBootType, 0x1A2B);
    EXPECT_EQ(id.dIspolnenie, 7);
    EXPECT_EQ(id.dPlateIzm, 2);
    EXPECT_EQ(id.dDate, Month(2016, 11));
    EXPECT_EQ(id.dAdressInf, 0x0400);
    EXPECT_EQ(id.dAdressMax, 0x7FFF);
    EXPECT_EQ(id.dBlockWrite, 128);
    EXPECT_EQ(id.dEepromMax, 512);
    EXPECT_EQ(id.dEEWrite, 16);
    EXPECT_EQ(id.dID, 0xA1B2C3D4ll);
    EXPECT_EQ(id.dEndProg, 0x3DFF);
    EXPECT_EQ(id.dCSProg, 0x0946);
    EXPECT_EQ(id.dVerProg, 0x0105);
    EXPECT_EQ(id.dBootTypeP, 0x1A2C);
    EXPECT_EQ(id.dIspolnenieP, 8);
    EXPECT_EQ(id.dPlateIzmP, 3);
    EXPECT_EQ(id.dDateProg, Month(2019, 2));
    std::string name = Utf8ToCp1251("Насос-3");
    name.resize(10, '\0');
    EXPECT_EQ(id.dName, name);

    sim.Stop();
    EXPECT_EQ(sim.ReadDump("pump").Kinds(), "I");
}

TEST_F(SearchWorker, ASilentPortFailsAfterThreeAttempts) {
    DevSimFixture sim;
    sim.Start(SimDevice("mute", {{"fault", "silence id"}}));
    TWorkerRun run;
    StartSearch(run, 1, sim.Pty("mute"));
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(false), (std::vector<std::uint16_t>{evStarted, evFailed}));
    EXPECT_EQ(run.Last().Error, "") << "the port itself was available";
    // Three attempts of 300 ms waiting and 400 ms pause each: about 2.1 s.
    EXPECT_GE(run.Last().At, 2000);
    EXPECT_LT(run.Last().At, 5000);
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("mute").Count('I'), 3u);
}

TEST_F(SearchWorker, APortThatCannotBeOpenedFailsAtOnceWithDeviceNotAvailable) {
    DevSimFixture sim;
    sim.Start(SimDevice("held"));
    TCustomComPortCtrl other; // another program holds the port
    other.Open(sim.Pty("held"));

    struct Case {
        std::uint32_t language;
        std::string port;
        const char* error;
    };
    const Case cases[] = {
        {kLangEnglish, sim.Pty("held"), "device is not available"},
        {kLangRussian, sim.Pty("held"), "устройство не доступно"},
        {kLangEnglish, "/dev/zev-no-such-port", "device is not available"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        CurrentLanguage = c.language;
        TWorkerRun run;
        StartSearch(run, 3, c.port);
        ASSERT_TRUE(WaitGone(run));
        EXPECT_EQ(run.Codes(false), (std::vector<std::uint16_t>{evStarted, evFailed}));
        EXPECT_EQ(run.Last().Error, c.error);
        EXPECT_LT(run.Last().At, 500) << "no bootloader exchange";
    }
    other.Close();
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("held").Count('I'), 0u);
}

// The window tells the user why a port could not be opened: the worker keeps the system's
// reason; a port that opened and stayed silent has none.
TEST_F(SearchWorker, AFailedOpenKeepsTheSystemsReason) {
    DevSimFixture sim;
    sim.Start(SimDevices({SimDevice("held"), SimDevice("mute", {{"fault", "silence id"}})}));
    TCustomComPortCtrl other; // another program holds the port
    other.Open(sim.Pty("held"));
    TWorkerRun held, missing, mute;
    StartSearch(held, 0, sim.Pty("held"));
    StartSearch(missing, 1, "/dev/zev-no-such-port");
    StartSearch(mute, 2, sim.Pty("mute"));
    ASSERT_TRUE(WaitGone(std::vector<TWorkerRun*>{&held, &missing, &mute}));
    EXPECT_TRUE(held.Last().OpenError == os::TErrorKind::Busy) << held.Last().OpenError.message();
    EXPECT_TRUE(missing.Last().OpenError == os::TErrorKind::NotFound)
        << missing.Last().OpenError.message();
    EXPECT_FALSE(mute.Last().OpenError) << "the silent port was opened";
    other.Close();
}

TEST_F(SearchWorker, RefusingTheStartEndsTheWorkerBeforeThePortIsOpened) {
    DevSimFixture sim;
    sim.Start(SimDevice("dev"));
    TWorkerRun run;
    run.Answer = [](const TSeenEvent& e) { return e.lParam == evStarted ? ResBreak : 0; };
    StartSearch(run, 0, sim.Pty("dev"));
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(false), (std::vector<std::uint16_t>{evStarted}));
    // The port is free: it was never opened (or was closed again).
    TCustomComPortCtrl probe;
    EXPECT_NO_THROW(probe.Open(sim.Pty("dev")));
    probe.Close();
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("dev").Kinds(), "");
}

TEST_F(SearchWorker, RefusingDoneIsFollowedByFailed) {
    DevSimFixture sim;
    sim.Start(SimDevice("dev"));
    TWorkerRun run;
    run.Answer = [](const TSeenEvent& e) { return e.lParam == evDone ? ResBreak : 0; };
    StartSearch(run, 0, sim.Pty("dev"));
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(false), (std::vector<std::uint16_t>{evStarted, evDone, evFailed}));
}

TEST_F(SearchWorker, IdentityAnswersOfAnyLengthFrom50BytesAreFound) {
    DevSimFixture sim;
    sim.Start(
        SimDevices({SimDevice("short49", {{"fault", "idlen len=49"}, {"dName", "ABCDEFGHIJ"}}),
                    SimDevice("short52", {{"fault", "idlen len=52"}, {"dName", "ABCDEFGHIJ"}}),
                    SimDevice("nibble", {{"fault", "nibble id"}})}));
    TWorkerRun r49, r52, nibble;
    StartSearch(r49, 0, sim.Pty("short49"));
    StartSearch(r52, 1, sim.Pty("short52"));
    StartSearch(nibble, 2, sim.Pty("nibble"));
    ASSERT_TRUE(WaitGone({&r49, &r52, &nibble}));
    EXPECT_EQ(r49.Codes(false), (std::vector<std::uint16_t>{evStarted, evFailed}));
    EXPECT_EQ(r49.Last().Error, "");
    EXPECT_EQ(nibble.Codes(false), (std::vector<std::uint16_t>{evStarted, evFailed}));
    ASSERT_EQ(r52.Codes(false), (std::vector<std::uint16_t>{evStarted, evDone}));
    // 52 bytes hold the name up to its seventh letter; the rest was never sent.
    EXPECT_EQ(r52.Last().DevID.dName, std::string("ABCDEFG\0\0\0", 10));
    EXPECT_EQ(r52.Last().DevID.dVerProg, 0x0100);
}

TEST_F(SearchWorker, AllPortsAtOnceEachReportingUnderItsOwnIndex) {
    DevSimFixture sim;
    sim.Start(SimDevices({SimDevice("a", {{"dID", "11"}}), SimDevice("b", {{"dID", "22"}}),
                          SimDevice("c", {{"dID", "33"}}), SimDevice("busy")}));
    TCustomComPortCtrl other;
    other.Open(sim.Pty("busy"));
    const std::vector<std::string> ports = {sim.Pty("a"), sim.Pty("busy"), sim.Pty("b"),
                                            "/dev/zev-no-such-port", sim.Pty("c")};
    std::vector<TWorkerRun> runs(ports.size());
    for (std::size_t k = 0; k < ports.size(); ++k)
        StartSearch(runs[k], static_cast<std::uint8_t>(k), ports[k]);
    std::vector<TWorkerRun*> all;
    for (TWorkerRun& r : runs) all.push_back(&r);
    ASSERT_TRUE(WaitGone(all));
    const std::int64_t ids[] = {11, 0, 22, 0, 33};
    for (std::size_t k = 0; k < ports.size(); ++k) {
        SCOPED_TRACE(ports[k]);
        for (const TSeenEvent& e : runs[k].Events) EXPECT_EQ(e.wParam, k);
        const std::uint16_t final = ids[k] != 0 ? evDone : evFailed;
        EXPECT_EQ(runs[k].Codes(false), (std::vector<std::uint16_t>{evStarted, final}));
        if (ids[k] != 0) {
            EXPECT_EQ(runs[k].Last().DevID.dID, ids[k]);
        }
    }
}

TEST_F(SearchWorker, FindsADeviceThroughThePortListByItsLinkName) {
    // The port list names a device by its path; the worker opens exactly that name.
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("zev-devroot-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    ::setenv("ZEV_DEV_ROOT", root.c_str(), 1);
    DevSimFixture sim;
    sim.Start(SimDevice("usb", {{"link", (root / "ttyUSB90").string()}, {"dID", "90"}}));
    const std::vector<std::string> ports = TBasicComPortCtrl::ListPorts();
    const std::string name = (root / "ttyUSB90").string();
    ASSERT_EQ(ports, std::vector<std::string>{name});

    TWorkerRun run;
    StartSearch(run, 0, ports[0]);
    ASSERT_TRUE(WaitGone(run));
    EXPECT_EQ(run.Codes(false), (std::vector<std::uint16_t>{evStarted, evDone}));
    EXPECT_EQ(run.Last().DevID.dID, 90);
    ::unsetenv("ZEV_DEV_ROOT");
    sim.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

} // namespace
} // namespace zev::test
