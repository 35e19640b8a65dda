#include "gui/qt/qt_main_thread.h"

#include <QMetaObject>
#include <QThread>

namespace zev::qt {

TQtMainThread::TQtMainThread()
    : FCalls([this] {
          // Runs on the worker's thread: ask the event loop to service the queue.
          QMetaObject::invokeMethod(
              this, [this] { FCalls.RunPending(); }, Qt::QueuedConnection);
      }) {}

TQtMainThread::~TQtMainThread() {
    if (MainThread() == this) SetMainThread(nullptr);
    FCalls.WakeWaiters();
}

bool TQtMainThread::RunAndWait(std::function<void()> pCall) {
    if (QThread::currentThread() == thread()) {
        pCall();
        return true;
    }
    if (ApplicationTerminating()) return false;
    return FCalls.Submit(std::move(pCall));
}

void TQtMainThread::WakeWaiters() {
    FCalls.WakeWaiters();
}

} // namespace zev::qt
