// How the simulator shows its devices (lines, links, many devices) and how it refuses bad input.

#include "devsim_process.h"
#include "host_port.h"
#include "support/temp_file.h"

#include "zev_version.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

namespace zev::test {
namespace {

namespace fs = std::filesystem;

TEST(DevSimExposure, LinksPointAtThePortsAndGoAwayOnExit) {
    const auto dir = ScratchPath("links");
    fs::create_directories(dir);
    const auto config =
        WriteScratchFile("line.ini", "[line]\ncount = 3\nlink = " + dir.string() + "/ttyUSB9%d\n");
    DevSim sim;
    ASSERT_TRUE(sim.Start({"-c", config.string()})) << sim.Error();
    ASSERT_EQ(sim.Ports.size(), 3u);
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "line" + std::to_string(i);
        const SimPort& port = sim.Ports.at(name);
        EXPECT_EQ(port.Link, dir.string() + "/ttyUSB9" + std::to_string(i));
        EXPECT_EQ(fs::read_symlink(port.Link).string(), port.Pty);
        HostPort host(port.Link);
        const ABytes id = host.Exchange(Frame(0), 59);
        ASSERT_EQ(id.size(), 59u);
        EXPECT_EQ(id[2 + 16 + 6], i); // identifiers count up from the first device
    }
    EXPECT_EQ(sim.Stop(), 0);
    for (int i = 1; i <= 3; ++i)
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / ("ttyUSB9" + std::to_string(i)))));
}

TEST(DevSimExposure, SixtyFourPacedDevicesAnswerAtOnce) {
    DevSim sim;
    ASSERT_TRUE(sim.Start({"-n", "64", "--paced", "--set", "dID=0x1000"})) << sim.Error();
    ASSERT_EQ(sim.Ports.size(), 64u);
    std::vector<std::unique_ptr<HostPort>> hosts;
    for (const auto& [name, port] : sim.Ports) {
        hosts.push_back(std::make_unique<HostPort>(port.Pty));
        ASSERT_TRUE(hosts.back()->IsOpen()) << name;
    }
    // Each identity answer is 59 bytes of 10 bits at 19200 baud on its own line: about 31 ms.
    // Served one device after another, the 64 answers would take 64 times that; served at
    // once, all of them are in long before half of it has passed.
    const double oneAfterAnotherMs = 64 * 59 * 10 * 1000.0 / 19200;
    const auto start = std::chrono::steady_clock::now();
    for (auto& h : hosts) ASSERT_TRUE(h->Send(Frame(0)));
    std::set<int> ids;
    for (auto& h : hosts) {
        const ABytes a = h->Receive(59, 10000, 0);
        ASSERT_EQ(a.size(), 59u);
        ids.insert(a[2 + 20] << 8 | a[2 + 22]);
    }
    const double tookMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(tookMs, oneAfterAnotherMs / 2)
        << "the answers took " << tookMs << " ms: the devices were served one after another";
    EXPECT_EQ(ids.size(), 64u);
    EXPECT_EQ(*ids.begin(), 0x1000);
    EXPECT_EQ(*ids.rbegin(), 0x1000 + 63);
    EXPECT_TRUE(sim.Ports.count("dev01") && sim.Ports.count("dev64"));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(DevSimExposure, BadInputIsRefusedWithAClearMessage) {
    const auto taken = WriteScratchFile("taken", "not a link");
    const auto badIni = WriteScratchFile("bad.ini", "[a]\ndID = 5\nflash-ms = fast\n");
    const auto noSection = WriteScratchFile("nosection.ini", "dID = 5\n");
    const auto bigImage = WriteScratchFile("big.bin", std::string(65537, '\xFF'));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--frobnicate"}, 2, "unknown option '--frobnicate'"},
        {{"--set", "dVerProg"}, 2, "--set takes KEY=VALUE"},
        {{"--set", "colour=red"}, 2, "'colour': unknown key"},
        {{"--set", "dAdressInf=0x401"}, 2, "must be even"},
        {{"--set", "dName=ABCDEFGHIJK"}, 2, "longer than 10"},
        {{"--set", "dDate=2017-13"}, 2, "is not a date"},
        {{"--fault", "drop flsh"}, 2, "unknown word 'flsh'"},
        {{"--fault", "drop id addr=4"}, 2, "addr= needs"},
        {{"--fault", "drop flash n=1 every=2"}, 2, "only one of"},
        {{"-n", "2", "--link", "/tmp/x"}, 2, "needs %d"},
        {{"-d", "a", "-d", "a"}, 2, "used twice"},
        {{"-d", "a/b"}, 2, "a device name is"},
        {{"-c", badIni.string()}, 2, badIni.string() + ":3: 'flash-ms'"},
        {{"-c", noSection.string()}, 2, ":1: a key before any [section]"},
        {{"-c", "/nonexistent/zev.ini"}, 2, "cannot read the configuration file"},
        {{"--set", "flash-image=" + bigImage.string()}, 1, "larger than 65536"},
        {{"--link", taken.string()}, 1, "exists"},
        {{"--link", (taken.parent_path() / "ttyS7").string()}, 1, "ttyS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : ""));
        DevSim sim;
        EXPECT_EQ(sim.RunToEnd(c.args), c.status);
        EXPECT_NE(sim.Stderr().find(c.message), std::string::npos) << sim.Stderr();
    }
    EXPECT_FALSE(fs::exists(taken.parent_path() / "ttyS7"));
}

TEST(DevSimExposure, HelpExplainsTheOptionsKeysAndFaults) {
    DevSim sim;
    ASSERT_EQ(sim.RunToEnd({"--help"}), 0);
    for (const char* topic : {"--config", "--dump", "--link", "dVerProg", "dEEWrite", "paced",
                              "idlen", "every=K", "wine-run.sh --com", "F AAAA:"}) {
        EXPECT_NE(sim.Stdout().find(topic), std::string::npos) << topic;
    }
}

TEST(DevSimExposure, VersionIsTheProjectsAndStartsNothing) {
    DevSim sim;
    ASSERT_EQ(sim.RunToEnd({"--version"}), 0);
    EXPECT_EQ(sim.Stdout(), std::string("zev-devsim ") + ZEV_VERSION_TEXT + "\n");
}

} // namespace
} // namespace zev::test
