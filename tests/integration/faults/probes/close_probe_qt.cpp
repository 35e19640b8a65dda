// The closing probe on the Qt window (run it with QT_QPA_PLATFORM=offscreen): the real widgets
// and the real workers, the window closed during a search or a run, then the program ends the
// way its entry ends it.

#include "app/detail/package_reader.h"
#include "gui/qt/main_form.h"
#include "gui/qt/qt_main_thread.h"
#include "integration/faults/probes/probe_args.h"
#include "platform/timing.h"
#include "threads/main_thread.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    using namespace zev;
    probe::TProbeArgs args;
    if (!probe::ParseArgs(argc, argv, args)) {
        std::fprintf(stderr, "usage: zev-close-probe-qt search|run PACKAGE-FILE\n");
        return 2;
    }
    TimingStartup();
    QApplication application(argc, argv);
    qt::TQtMainThread mainThread;
    SetMainThread(&mainThread);

    const std::string file = args.Package;
    auto* form = new qt::TQtMainForm([file](ABytes& bytes) { ReadPackageOfFile(file, bytes); },
                                     [] { return 1u; });
    form->Start();
    form->show();

    // Watches the window like a user: presses "Next" once it is enabled (for a run), closes the
    // window once it is where the probe closes it.
    QTimer watch;
    int waited = 0;
    bool pressed = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (++waited > 20000 / 10) probe::Skip("the window never reached the state to close in");
        TfrmZEVProgrammer& logic = form->Logic();
        if (args.Run && !pressed) {
            auto* next = form->findChild<QPushButton*>(QStringLiteral("btnProg"));
            if (next && next->isEnabled()) {
                next->click();
                pressed = true;
            }
            return;
        }
        if (!probe::ReadyToClose(logic, args.Run)) return;
        watch.stop();
        probe::SayClosing();
        form->close();
    });
    watch.start(10);
    const int result = QApplication::exec();

    // The program entry: workers still running are neither stopped nor waited for.
    if (form->Logic().WorkersRunning()) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    delete form;
    SetMainThread(nullptr);
    return result;
}
