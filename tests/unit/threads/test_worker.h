#pragma once
// A worker whose steps are set by the test and which records what happened to it, including its
// own destruction, in a journal the test keeps after the worker has deleted itself.

#include "threads/headless_loop.h"
#include "threads/thread_ctrl.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zev::test {

struct Journal {
    std::mutex Lock;
    std::vector<std::string> Steps;
    std::vector<std::pair<int, std::string>> Errors; // stage, trace
    std::atomic<bool> Destroyed{false};

    void Add(const std::string& step) {
        std::lock_guard<std::mutex> lock(Lock);
        Steps.push_back(step);
    }
    std::vector<std::string> StepsCopy() {
        std::lock_guard<std::mutex> lock(Lock);
        return Steps;
    }
    std::vector<std::pair<int, std::string>> ErrorsCopy() {
        std::lock_guard<std::mutex> lock(Lock);
        return Errors;
    }
};

class TestWorker : public TCustomThreadCtrl {
public:
    explicit TestWorker(std::shared_ptr<Journal> journal) : FJournal(std::move(journal)) {}
    ~TestWorker() override { FJournal->Destroyed = true; }

    std::function<void(TestWorker&)> Before, Repeat, After;
    std::function<void(TestWorker&, TThreadCtrlAction&)> Action;
    std::function<void(std::uint8_t, const std::string&)> Error; // replaces the recording

    using TCustomThreadCtrl::CallSEvent;

protected:
    void ExecBefore() override {
        FJournal->Add("before");
        if (Before) Before(*this);
    }
    void ExecRepeat() override {
        FJournal->Add("repeat");
        if (Repeat)
            Repeat(*this);
        else
            TCustomThreadCtrl::ExecRepeat();
    }
    void ExecAfter() override {
        FJournal->Add("after");
        if (After) After(*this);
    }
    void ExecAction(TThreadCtrlAction& action) override {
        FJournal->Add("action " + std::to_string(action.Code));
        if (Action) Action(*this, action);
    }
    void ExecError(std::uint8_t stage, const std::string& trace) override {
        {
            std::lock_guard<std::mutex> lock(FJournal->Lock);
            FJournal->Errors.emplace_back(stage, trace);
        }
        if (Error) Error(stage, trace);
    }

private:
    std::shared_ptr<Journal> FJournal;
};

} // namespace zev::test
