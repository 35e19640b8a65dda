#pragma once
// "Run this on the main thread and wait" for Qt: a worker queues its call and blocks while the
// Qt event loop runs it (a blocking queued invocation). Unlike Qt's own blocking queued
// connection it gives up at once when the application is terminating, so a worker never hangs
// on a window that is closing.

#include "threads/main_call_queue.h"
#include "threads/main_thread.h"

#include <QObject>

namespace zev::qt {

class TQtMainThread : public QObject, public IMainThread {
    Q_OBJECT
public:
    // Lives on the thread that creates it: create it on the GUI thread.
    TQtMainThread();
    ~TQtMainThread() override;

    bool RunAndWait(std::function<void()> pCall) override;
    void WakeWaiters() override;

private:
    MainCallQueue FCalls;
};

} // namespace zev::qt
