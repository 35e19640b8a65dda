#include "threads/main_thread.h"

#include <atomic>

namespace zev {

namespace {
std::atomic<IMainThread*> gMainThread{nullptr};
std::atomic<bool> gTerminating{false};
} // namespace

void SetMainThread(IMainThread* pMainThread) {
    gMainThread.store(pMainThread);
}

IMainThread* MainThread() {
    return gMainThread.load();
}

bool RunOnMainThread(std::function<void()> pCall) {
    IMainThread* main = gMainThread.load();
    if (main == nullptr || ApplicationTerminating()) return false;
    return main->RunAndWait(std::move(pCall));
}

void SetApplicationTerminating(bool pValue) {
    gTerminating.store(pValue);
    if (pValue) {
        if (IMainThread* main = gMainThread.load()) main->WakeWaiters();
    }
}

bool ApplicationTerminating() {
    return gTerminating.load();
}

MainThreadScope::MainThreadScope(IMainThread* pMainThread) : FPrevious(gMainThread.load()) {
    gMainThread.store(pMainThread);
}

MainThreadScope::~MainThreadScope() {
    gMainThread.store(FPrevious);
}

} // namespace zev
