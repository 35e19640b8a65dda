// ZEV Programmer on Linux: the program entry. It takes no arguments and reads no configuration;
// the update package comes from the end of its own executable file.

#include "gui/qt/desktop_session.h"
#include "gui/qt/main_form.h"
#include "gui/qt/qt_main_thread.h"
#include "platform/timing.h"
#include "threads/main_thread.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (const std::string missing = zev::qt::MissingDisplay(); !missing.empty()) {
        std::fputs(zev::qt::NoDisplayMessage(missing).c_str(), stderr);
        return zev::qt::kExitNoDisplay;
    }
    zev::TimingStartup();
    zev::qt::SetDesktopIdentity();
    std::vector<char*> arguments = zev::qt::ApplicationArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    zev::qt::TStartupGuard startup;
    QApplication application(count, arguments.data());
    startup.End();
    zev::qt::SetApplicationIcon();
    zev::qt::TQtMainThread mainThread;
    zev::SetMainThread(&mainThread);

    auto* form = new zev::qt::TQtMainForm;
    form->Start();
    form->show();
    const int result = QApplication::exec();

    // Closing ends the program at once. Workers that have not finished are neither stopped nor
    // waited for: their calls to the main thread already return at once, and nothing of the
    // window may be released under them.
    if (form->Logic().WorkersRunning()) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    delete form;
    zev::SetMainThread(nullptr);
    return result;
}
