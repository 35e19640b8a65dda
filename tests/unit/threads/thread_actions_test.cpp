#include "core/error.h"
#include "platform/timing.h"
#include "threads/thread_actions.h"

#include <gtest/gtest.h>

#include <vector>

namespace zev {
namespace {

std::vector<std::uint32_t> Codes(const TThreadCtrlActions& q) {
    std::vector<std::uint32_t> codes;
    for (const auto& a : q.Items()) codes.push_back(a.Code);
    return codes;
}

bool GetBreaks(TThreadCtrlActions& q) {
    try {
        q.Get();
        return false;
    } catch (const Error& e) {
        return IsMessage(e, kBreak);
    }
}

TEST(ThreadCtrlActions, DueActionsLeaveInInsertionOrderWhateverTheirDueTimes) {
    TThreadCtrlActions q;
    EXPECT_EQ(q.Insert(1000, 1, 100), 0);
    EXPECT_EQ(q.Insert(600, 2, -7), 1);
    EXPECT_TRUE(GetBreaks(q)); // nothing due yet
    SleepMs(1100);
    TThreadCtrlAction first = q.Get();
    TThreadCtrlAction second = q.Get();
    EXPECT_EQ(first.Code, 1u);
    EXPECT_EQ(first.Data, 100);
    EXPECT_EQ(second.Code, 2u);
    EXPECT_EQ(second.Data, -7);
    EXPECT_TRUE(GetBreaks(q));
}

TEST(ThreadCtrlActions, DueTimeIsTheCounterPlusTheDelay) {
    TThreadCtrlActions q;
    const std::int64_t before = PerfCounter();
    q.Insert(250, 1, 0);
    q.Insert(-5, 2, 0); // due at once
    const std::int64_t after = PerfCounter();
    const auto items = q.Items();
    const std::int64_t delay = PerfFrequency() / 4;
    EXPECT_GE(items[0].When, before + delay);
    EXPECT_LE(items[0].When, after + delay);
    EXPECT_EQ(q.Get().Code, 2u);
    EXPECT_EQ(Codes(q), std::vector<std::uint32_t>{1});
}

TEST(ThreadCtrlActions, GetTakesTheFirstDueActionAndKeepsTheOthersInOrder) {
    TThreadCtrlActions q;
    q.Insert(60000, 1, 0);
    q.Insert(0, 2, 0);
    q.Insert(60000, 3, 0);
    q.Insert(0, 4, 0);
    EXPECT_EQ(q.Get().Code, 2u);
    EXPECT_EQ(Codes(q), (std::vector<std::uint32_t>{1, 3, 4}));
    EXPECT_EQ(q.Get().Code, 4u);
    EXPECT_TRUE(GetBreaks(q));
    EXPECT_EQ(Codes(q), (std::vector<std::uint32_t>{1, 3}));

    TThreadCtrlActions empty;
    EXPECT_TRUE(GetBreaks(empty));
}

TEST(ThreadCtrlActions, ClearByCodeOrMask) {
    struct Case {
        std::uint32_t code;
        bool mask;
        std::vector<std::uint32_t> left;
    };
    const std::vector<std::uint32_t> start{0, 1, 3, 6, 2, 0x80000002u};
    const Case cases[] = {
        {0, true, {}}, // every code holds all bits of 0
        {0, false, {1, 3, 6, 2, 0x80000002u}},
        {2, false, {0, 1, 3, 6, 0x80000002u}},
        {2, true, {0, 1}}, // 3, 6, 2 and 0x80000002 all hold bit 1
        {6, true, {0, 1, 3, 2, 0x80000002u}},
        {0xFFFFFFFFu, false, {}},
        {0xFFFFFFFFu, true, {}},
        {7, false, start},
    };
    for (const Case& c : cases) {
        TThreadCtrlActions q;
        for (std::uint32_t code : start) q.Insert(60000, code, 0);
        q.Clear(c.code, c.mask);
        EXPECT_EQ(Codes(q), c.left) << "code " << c.code << " mask " << c.mask;
    }
}

TEST(ThreadCtrlActions, ClearUpToATimeKeepsLaterActions) {
    TThreadCtrlActions q;
    q.Insert(1000, 1, 0);
    q.Insert(0, 2, 0);
    q.Insert(2000, 1, 0);
    const std::int64_t when = q.Items()[0].When;

    q.Clear(when - 1, 1, false); // one tick too early: nothing of code 1 is due by then
    EXPECT_EQ(Codes(q), (std::vector<std::uint32_t>{1, 2, 1}));
    q.Clear(when, 1, false);
    EXPECT_EQ(Codes(q), (std::vector<std::uint32_t>{2, 1}));
    q.Clear(when, 0, true); // the mask 0 matches everything due by then
    EXPECT_EQ(Codes(q), (std::vector<std::uint32_t>{1}));
    q.Clear(0, 0xFFFFFFFFu, false); // all codes: the time does not matter
    EXPECT_TRUE(q.Items().empty());
}

} // namespace
} // namespace zev
