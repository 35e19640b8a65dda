// zev-devsim: simulated bootloader devices on pseudo-terminals. See --help.

#include "core/error.h"
#include "tools/zev-devsim/options.h"
#include "tools/zev-devsim/setup.h"
#include "tools/zev-devsim/simulator.h"
#include "zev_version.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace zev;
using namespace zev::devsim;

namespace {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "zev-devsim: %s\n", message.c_str());
    return code;
}

// The signals the loop handles arrive through a descriptor instead of interrupting it.
int SignalDescriptor() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaddset(&set, s);
    if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    return ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t parent = ::getppid();
    TOptions options;
    std::vector<TDeviceConfig> devices;
    try {
        options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.Help) {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (options.Version) {
            std::printf("zev-devsim %s\n", ZEV_VERSION_TEXT);
            return 0;
        }
        TSetup setup;
        for (const std::string& file : options.ConfigFiles) ReadConfigFile(file, setup);
        setup.Defaults.insert(setup.Defaults.end(), options.Setup.Defaults.begin(),
                              options.Setup.Defaults.end());
        setup.Groups.insert(setup.Groups.end(), options.Setup.Groups.begin(),
                            options.Setup.Groups.end());
        devices = ResolveDevices(setup);
    } catch (const Error& e) {
        return Fail(2, e.what());
    }

    const int signals = SignalDescriptor();
    if (signals < 0) return Fail(1, "cannot set up signal handling");
    if (options.DieWithParent) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) return 0; // the parent is already gone
    }

    if (options.Realtime) {
        // The devices stand for hardware with its own clock: the host's threads, however many,
        // must not hold their answers back. A low real-time priority is enough for that; the
        // loop sleeps in poll between its bytes, so it never takes a core for itself.
        sched_param param{};
        param.sched_priority = 10;
        if (::sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) != 0)
            std::fprintf(stderr,
                         "zev-devsim: no real-time priority (%s); serving at the normal one\n",
                         std::strerror(errno));
    }

    std::unique_ptr<TSimulator> sim;
    try {
        sim = std::make_unique<TSimulator>(std::move(devices),
                                           TSimulator::TOptions{options.DumpDir, options.Verbose});
    } catch (const Error& e) {
        return Fail(1, e.what());
    }
    for (const std::string& line : sim->DeviceLines()) std::printf("%s\n", line.c_str());
    std::printf("ready\n");
    std::fflush(stdout);

    sim->Run(signals);

    int status = 0;
    if (!options.DumpDir.empty() && !sim->Dump()) status = 1;
    sim.reset(); // closes the ports and removes the links
    return status;
}
