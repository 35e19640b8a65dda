// The closing probe on headless controls: the window's logic with real workers, closed with
// "Close" during a search or a run; then the program ends the way the program entry ends it.

#include "app/detail/package_reader.h"
#include "integration/faults/probes/probe_args.h"
#include "platform/timing.h"
#include "support/headless_controls.h"
#include "threads/headless_loop.h"
#include "threads/main_thread.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    using namespace zev;
    probe::TProbeArgs args;
    if (!probe::ParseArgs(argc, argv, args)) {
        std::fprintf(stderr, "usage: zev-close-probe search|run PACKAGE-FILE\n");
        return 2;
    }
    TimingStartup();
    HeadlessLoop loop;
    MainThreadScope scope(&loop);
    auto ui = std::make_unique<test::HeadlessControls>(loop);
    const std::string file = args.Package;
    auto window = std::make_unique<TfrmZEVProgrammer>(
        ui->Controls(1), [file](ABytes& bytes) { ReadPackageOfFile(file, bytes); });
    ui->Window.OnClose = [&] { window->FormClose(); };
    window->FormCreate();

    if (args.Run) {
        if (!loop.ProcessUntil([&] { return ui->btnProg.Enabled(); }, 20000))
            probe::Skip("no device to write was listed");
        ui->btnProg.Click();
    }
    if (!loop.ProcessUntil([&] { return probe::ReadyToClose(*window, args.Run); }, 20000))
        probe::Skip("the window never reached the state to close in");
    probe::SayClosing();
    window->btnCancelClick();
    loop.ProcessUntil([] { return false; }, 20); // what the message loop still does

    // The program entry: workers still running are neither stopped nor waited for.
    if (window->WorkersRunning()) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    window.reset();
    return 0;
}
