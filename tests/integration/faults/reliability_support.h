#pragma once
// What the fault matrix and the soak run share: a tiny package, devices that fit it, workers
// that log how they ended, and the checks of what a device received. Header only.

#include "app/colors.h"
#include "bootloader/prog_worker.h"
#include "bootloader/search_worker.h"
#include "datafiles/package_builder.h"
#include "platform/timing.h"
#include "support/app_window.h"
#include "support/devsim_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zev::test {

using TKeys = std::vector<std::pair<std::string, std::string>>;

// ZEV-DEMO 1.05, type 0x0042, variant 1, board revision 2: three flash lines at 0x400, 0x440 and
// 0x480, and two EEPROM lines (32 bytes at 0x00, 16 at 0x20).
inline TDemoFirmware TinyFirmware(std::uint32_t pSeed = 1) {
    TDemoFirmware demo;
    demo.flashSize = 3 * 64;
    demo.eepromSize = 2 * 48;
    demo.seed = pSeed;
    return demo;
}

// A device whose installed program the package fits and is older than it, plus extra keys.
inline std::vector<std::string> OldDevice(const std::string& pName, std::uint32_t pId,
                                          TKeys pExtra = {}) {
    TKeys keys = {{"dBootTypeP", "0x0042"}, {"dIspolnenieP", "1"},        {"dPlateIzmP", "2"},
                  {"dVerProg", "1.04"},     {"dID", std::to_string(pId)}, {"dName", pName}};
    keys.insert(keys.end(), pExtra.begin(), pExtra.end());
    return SimDevice(pName, keys);
}

// One line of the package as a device receives it.
struct TLineRef {
    char Kind = 'F'; // F or E
    std::uint32_t Address = 0;
    ABytes Data;
};

// Every line of the package in the order it is written: flash first, then EEPROM.
inline std::vector<TLineRef> PackageLines(const TDemoFirmware& pDemo) {
    TLormanBootLoaderHexDataFile image;
    image.SetInfo(0x10000, 0x20000);
    image.BytesFrom(MakeDemoPayload(pDemo));
    std::vector<TLineRef> lines;
    for (const auto& line : image.GetFlash()) lines.push_back({'F', line.A, line.D});
    for (const auto& line : image.GetEEPROM()) lines.push_back({'E', line.A, line.D});
    return lines;
}

// The lines a device was sent, each retry of the same line counted once.
inline std::vector<TLineRef> LinesSent(const TSimDeviceDump& pDump) {
    std::vector<TLineRef> sent;
    for (const TSimRequest& r : pDump.Requests) {
        if (r.Kind != 'F' && r.Kind != 'E') continue;
        if (!sent.empty() && sent.back().Kind == r.Kind && sent.back().Address == r.Address)
            continue;
        sent.push_back({r.Kind, r.Address, r.Data});
    }
    return sent;
}

// The device was sent exactly the first pCount lines of the package, in order, each with the
// package's bytes, and holds every one of them but the last when pLastMayFail (its answer may
// have been lost after the device wrote it, or the device may have died before writing it).
inline void ExpectLinesSent(const TSimDeviceDump& pDump, const std::vector<TLineRef>& pLines,
                            std::size_t pCount, bool pLastMayFail) {
    const std::vector<TLineRef> sent = LinesSent(pDump);
    ASSERT_EQ(sent.size(), pCount) << pDump.Kinds();
    for (std::size_t k = 0; k < pCount; ++k) {
        EXPECT_EQ(sent[k].Kind, pLines[k].Kind) << "line " << k;
        EXPECT_EQ(sent[k].Address, pLines[k].Address) << "line " << k;
        EXPECT_EQ(sent[k].Data, pLines[k].Data) << "line " << k;
        if (pLastMayFail && k + 1 == pCount) continue;
        const ABytes held = pLines[k].Kind == 'F'
                                ? pDump.FlashAt(pLines[k].Address, pLines[k].Data.size())
                                : pDump.EepromAt(pLines[k].Address, pLines[k].Data.size());
        EXPECT_EQ(held, pLines[k].Data) << "line " << k << " not held by the device";
    }
}

// How each worker ended: written from the worker's thread as it deletes itself.
struct TWorkerEnd {
    bool Prog = false;
    std::string Port;
    std::string Error;
    double CreatedMs = 0;
    double EndedMs = 0;
};

class TWorkerLog {
public:
    void Created() { ++FCreated; }
    // Workers made and workers that have deleted themselves so far.
    int CreatedCount() const { return FCreated; }
    int EndedCount() const {
        std::lock_guard<std::mutex> lock(FMutex);
        return static_cast<int>(FEnds.size());
    }
    bool AllEnded() const { return EndedCount() == CreatedCount(); }

    void Add(TWorkerEnd pEnd) {
        std::lock_guard<std::mutex> lock(FMutex);
        FEnds.push_back(std::move(pEnd));
    }
    std::vector<TWorkerEnd> Ends() const {
        std::lock_guard<std::mutex> lock(FMutex);
        return FEnds;
    }
    // The last programming worker of a port.
    const TWorkerEnd* Prog(const std::string& pPort, std::vector<TWorkerEnd>& pStore) const {
        pStore = Ends();
        for (auto it = pStore.rbegin(); it != pStore.rend(); ++it)
            if (it->Prog && it->Port == pPort) return &*it;
        return nullptr;
    }

private:
    mutable std::mutex FMutex;
    std::vector<TWorkerEnd> FEnds;
    std::atomic<int> FCreated{0};
};

// A worker that logs its port, its failure text and its life span when it deletes itself.
template <class TWorker> class TLoggedWorker : public TWorker {
public:
    explicit TLoggedWorker(std::shared_ptr<TWorkerLog> pLog)
        : FLog(std::move(pLog)), FCreated(PerfMilliseconds()) {
        FLog->Created();
    }
    ~TLoggedWorker() override {
        TWorkerEnd end;
        end.Prog = std::is_same_v<TWorker, TLormanProgBootLoaderThreadCtrl>;
        end.Port = this->Port();
        end.Error = this->Error();
        end.CreatedMs = FCreated;
        end.EndedMs = PerfMilliseconds();
        FLog->Add(std::move(end));
    }

private:
    std::shared_ptr<TWorkerLog> FLog;
    double FCreated;
};

inline TWorkerFactory LoggedWorkers(const std::shared_ptr<TWorkerLog>& pLog) {
    TWorkerFactory factory;
    factory.NewSearchWorker = [pLog] {
        return new TLoggedWorker<TLormanSearchBootLoaderThreadCtrl>(pLog);
    };
    factory.NewProgWorker = [pLog] {
        return new TLoggedWorker<TLormanProgBootLoaderThreadCtrl>(pLog);
    };
    return factory;
}

// The longest a programming worker may take with the programming profile: every session at most
// two sends, each waited for 750 ms and followed by a 1000 ms pause; the identity, three
// attempts per line and the reset; the 200 ms before the reset. The margin covers slow machines.
inline double ProgWorkerBoundMs(std::size_t pLines) {
    const double session = 2 * (750 + 1000) + 250;
    return (2 + 3 * static_cast<double>(pLines)) * session + 200 + 5000;
}
// A search worker: three sends, each waited for 300 ms and followed by 400 ms.
inline double SearchWorkerBoundMs() {
    return 3 * (300 + 400) + 5000;
}

} // namespace zev::test
