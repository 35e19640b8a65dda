#pragma once
// The main window on headless controls, as a test drives it: a HeadlessLoop as the main thread,
// the window created the way the program entry creates it, and helpers to run the loop until the
// window reaches a state. Header only.

#include "app/main_window.h"
#include "app/detail/package_reader.h"
#include "core/lang.h"
#include "platform/process.h"
#include "support/headless_controls.h"
#include "support/package_builder.h"
#include "support/temp_file.h"
#include "threads/headless_loop.h"
#include "threads/main_thread.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zev::test {

// The threads this process started itself and that still run, such as the workers.
inline int ThreadCount() {
    return os::OwnThreadCount();
}

// ThreadCount before any worker: a first thread is started and ended, so that helper threads a
// runtime starts with the first thread (a sanitizer's) are already there.
inline int BaseThreadCount() {
    std::thread([] {}).join();
    return ThreadCount();
}

// Sets ZEV_PORTS (the port list the program sees on Linux; Windows lists the system's COM ports)
// for a scope and restores it after.
class PortsEnv {
public:
    explicit PortsEnv(const std::vector<std::string>& pPorts) {
        if (const char* old = std::getenv("ZEV_PORTS")) FOld = old;
        Set(pPorts);
    }
    ~PortsEnv() { os::SetProcessEnv("ZEV_PORTS", FOld); }
    PortsEnv(const PortsEnv&) = delete;
    PortsEnv& operator=(const PortsEnv&) = delete;

    // Only while no worker runs: workers read the variable when they open their port.
    static void Set(const std::vector<std::string>& pPorts) {
        std::string value;
        for (const auto& port : pPorts) value += (value.empty() ? "" : ":") + port;
        os::SetProcessEnv("ZEV_PORTS", value);
    }

private:
    std::optional<std::string> FOld;
};

// An executable file with the payload appended, in the scratch folder.
inline std::string WriteExecutable(const ABytes& pPayload) {
    const ABytes file = ExecutableWithPackage(pPayload);
    return WriteScratchFile("updater", std::string(file.begin(), file.end())).string();
}

class AppWindow {
public:
    // Searches see no port at all unless a test sets ZEV_PORTS: no test touches a real port.
    AppWindow() : FScope(&Loop), FPorts(std::vector<std::string>{}), Ui(Loop) {
        // As at program start: Russian until the start-up chooses, nobody terminating.
        CurrentLanguage = kLangRussian;
        SetApplicationTerminating(false);
    }
    ~AppWindow() {
        // Workers still running when a test gives up must not reach a window that is gone.
        if (Window && Window->WorkersRunning()) {
            SetApplicationTerminating(true);
            WaitForThreads(FBaseThreads, 15000);
        }
        Window.reset();
        SetApplicationTerminating(false);
        CurrentLanguage = kLangRussian;
    }

    // Creates the window reading its package from the file at pPath and runs FormCreate; the
    // language dialog answers pLanguage when it is shown.
    void CreateFromFile(const std::string& pPath, std::uint32_t pLanguage = kLangEnglish) {
        Create([pPath](ABytes& bytes) { ReadPackageOfFile(pPath, bytes); }, pLanguage);
    }
    // The same with an executable made of a program and the payload.
    void CreateWithPayload(const ABytes& pPayload, std::uint32_t pLanguage = kLangEnglish) {
        CreateFromFile(WriteExecutable(pPayload), pLanguage);
    }
    void Create(TfrmZEVProgrammer::TPackageSource pSource, std::uint32_t pLanguage) {
        FBaseThreads = BaseThreadCount();
        Window = std::make_unique<TfrmZEVProgrammer>(Ui.Controls(pLanguage), std::move(pSource));
        Ui.Window.OnClose = [this] { Window->FormClose(); };
        Window->FormCreate();
    }

    bool RunUntil(const std::function<bool()>& pDone, double pTimeoutMs) {
        return Loop.ProcessUntil(pDone, pTimeoutMs);
    }
    // Until the device list is built; false on timeout.
    bool WaitForRows(double pTimeoutMs = 15000) {
        return RunUntil([this] { return !Window->Rows().empty(); }, pTimeoutMs);
    }
    bool WaitForRunEnd(double pTimeoutMs = 30000) {
        return RunUntil([this] { return Window->RunFinished(); }, pTimeoutMs);
    }
    // Until the process has no more threads than before the window was created.
    bool WaitForThreads(int pCount, double pTimeoutMs) {
        return Loop.ProcessUntil([pCount] { return ThreadCount() <= pCount; }, pTimeoutMs);
    }
    int BaseThreads() const { return FBaseThreads; }

    // Rows from the top of the list down.
    const std::vector<HeadlessDeviceRow*>& ShownRows() const { return Ui.pnlData.Shown; }
    // The row of found device i (the window's own order).
    HeadlessDeviceRow& Row(std::size_t i) const {
        return *static_cast<HeadlessDeviceRow*>(Window->Rows().at(i).P);
    }
    // The row whose device was found on pPort.
    HeadlessDeviceRow* RowOfPort(const std::string& pPort) const {
        const auto& devices = Window->Devices();
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (devices[i].Port == pPort) return &Row(i);
        return nullptr;
    }

    HeadlessLoop Loop;

private:
    MainThreadScope FScope;
    PortsEnv FPorts;
    int FBaseThreads = 0;

public:
    HeadlessControls Ui;
    std::unique_ptr<TfrmZEVProgrammer> Window;
};

} // namespace zev::test
