#pragma once
// Running the bootloader workers in a test: a headless main thread, a record of the events each
// worker sent (kept by the callback on the main thread), and a flag that tells when a worker has
// deleted itself.

#include "bootloader/prog_worker.h"
#include "bootloader/search_worker.h"
#include "bootloader/worker_events.h"
#include "core/lang.h"
#include "platform/timing.h"
#include "threads/headless_loop.h"
#include "threads/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace zev::test {

// One event as the main thread received it, with what the worker showed at that moment.
struct TSeenEvent {
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;
    double At = 0; // ms since the worker was started
    std::string Error;
    std::error_code OpenError; // a search worker's reason for a port it could not open
    TLormanBootLoaderDevID DevID;
};

// A worker that raises a flag when it deletes itself.
template <class TWorker> class TWatched : public TWorker {
public:
    explicit TWatched(std::shared_ptr<std::atomic<bool>> pGone) : FGone(std::move(pGone)) {}
    ~TWatched() override { *FGone = true; }

private:
    std::shared_ptr<std::atomic<bool>> FGone;
};

// The events of one worker and the answers the callback gives (0 unless set).
struct TWorkerRun {
    std::vector<TSeenEvent> Events;
    std::shared_ptr<std::atomic<bool>> Gone = std::make_shared<std::atomic<bool>>(false);
    double Started = 0;
    // Called for every event before it is recorded; returns the result for the worker.
    std::function<std::uint32_t(const TSeenEvent&)> Answer;

    // The event codes in order (search: lParam; programming: the low word of wParam).
    std::vector<std::uint16_t> Codes(bool pProg) const {
        std::vector<std::uint16_t> out;
        for (const TSeenEvent& e : Events)
            out.push_back(pProg ? ProgEventCode(e.wParam) : static_cast<std::uint16_t>(e.lParam));
        return out;
    }
    // The percentages of the programming worker's evProgress events.
    std::vector<std::uint32_t> Progress() const {
        std::vector<std::uint32_t> out;
        for (const TSeenEvent& e : Events)
            if (ProgEventCode(e.wParam) == evProgress) out.push_back(e.lParam);
        return out;
    }
    const TSeenEvent& Last() const { return Events.back(); }
};

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentLanguage = kLangEnglish; }
    void TearDown() override {
        SetApplicationTerminating(false);
        CurrentLanguage = kLangRussian;
    }

    // A search worker on pPort with index pIndex, started.
    void StartSearch(TWorkerRun& pRun, std::uint8_t pIndex, const std::string& pPort) {
        auto* w = new TWatched<TLormanSearchBootLoaderThreadCtrl>(pRun.Gone);
        w->SetSEvent(Recorder<TLormanSearchBootLoaderThreadCtrl>(pRun));
        w->SetParams(pIndex, pPort);
        pRun.Started = PerfMilliseconds();
        w->ThreadBegin();
    }

    // A programming worker, configured and started; returns it for ThreadEnd while it runs.
    TLormanProgBootLoaderThreadCtrl* StartProg(TWorkerRun& pRun, std::uint8_t pIndex,
                                               const std::string& pPort,
                                               const TLormanBootLoaderDevID& pExpected,
                                               PLormanBootLoaderDataLines pFL,
                                               PLormanBootLoaderDataLines pEE) {
        auto* w = new TWatched<TLormanProgBootLoaderThreadCtrl>(pRun.Gone);
        w->SetSEvent(Recorder<TLormanProgBootLoaderThreadCtrl>(pRun));
        w->SetParams(pIndex, pPort);
        w->SetData(std::move(pFL), std::move(pEE));
        w->SetExpected(pExpected);
        pRun.Started = PerfMilliseconds();
        w->ThreadBegin();
        return w;
    }

    // Serves the workers' calls until every run's worker has deleted itself.
    bool WaitGone(const std::vector<TWorkerRun*>& pRuns, double pTimeoutMs = 30000) {
        return loop.ProcessUntil(
            [&] {
                for (const TWorkerRun* r : pRuns)
                    if (!r->Gone->load()) return false;
                return true;
            },
            pTimeoutMs);
    }
    bool WaitGone(TWorkerRun& pRun, double pTimeoutMs = 30000) {
        return WaitGone(std::vector<TWorkerRun*>{&pRun}, pTimeoutMs);
    }

    HeadlessLoop loop;
    MainThreadScope scope{&loop};

private:
    template <class TWorker> static TOnThreadCtrlEvent Recorder(TWorkerRun& pRun) {
        return [&pRun](TCustomThreadCtrl* pSender, std::uint32_t wParam, std::uint32_t lParam,
                       std::uint32_t& Res) {
            auto* w = static_cast<TWorker*>(pSender);
            TSeenEvent e;
            e.wParam = wParam;
            e.lParam = lParam;
            e.At = PerfMilliseconds() - pRun.Started;
            e.Error = w->Error();
            if constexpr (requires { w->OpenError(); }) e.OpenError = w->OpenError();
            e.DevID = w->DevID();
            Res = pRun.Answer ? pRun.Answer(e) : 0;
            pRun.Events.push_back(e);
        };
    }
};

} // namespace zev::test
