// ZEV Programmer on Windows: the program entry. It takes no arguments and reads no
// configuration; the update package comes from the end of its own executable file.

#include "gui/win32/dll_search.h"
#include "gui/win32/main_form.h"
#include "gui/win32/main_thread_win32.h"
#include "gui/win32/message_loop.h"
#include "gui/win32/text16.h"
#include "platform/timing.h"
#include "threads/main_thread.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <exception>

int WINAPI wWinMain(HINSTANCE pInstance, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL: from the system folder only.
    zev::win32::RestrictDllSearchToSystemFolder();

    // The serial library's start-up first: timer resolution and counter frequency.
    zev::TimingStartup();

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    zev::win32::TWin32MainForm::RegisterClasses(pInstance);

    int result = 0;
    try {
        zev::win32::TWin32MainThread mainThread;
        zev::SetMainThread(&mainThread);
        zev::win32::TWin32MainForm form;
        mainThread.SetWindow(form.Handle());
        form.Start();
        result = zev::win32::RunMessageLoop(form.Handle());

        // Closing ends the program at once. Workers that have not finished are neither stopped
        // nor waited for: their calls to the main thread already return at once, and nothing of
        // the window may be released under them.
        if (form.Logic().WorkersRunning()) {
            std::fflush(nullptr);
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
        }
        mainThread.SetWindow(nullptr);
    } catch (const std::exception& e) {
        // The window could not be made (no desktop, no resources): say so, if anything can.
        MessageBoxW(nullptr, zev::win32::ToUtf16(e.what()).c_str(), L"ZEV Programmer",
                    MB_ICONERROR | MB_OK);
        result = 1;
    }
    zev::SetMainThread(nullptr);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
