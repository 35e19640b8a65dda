// A controller that has no port: its starting state and what every operation says then.

#include "comport/port_ctrl.h"
#include "comport/sys_util.h"
#include "core/error.h"
#include "tests/support/error_of.h"

#include <functional>
#include <gtest/gtest.h>

namespace zev {
namespace {

const std::string kNotOpen = "TCustomComPortCtrl.GetOpenRaised >> Подключение не установлено.";

class TInspectCtrl : public TCustomComPortCtrl {
public:
    double Gtchb() const { return GTCHB; }
    double Gtc5b() const { return GTC5B; }
    int finalChecks = 0;
    void CheckRecivedData(const ABytes& Send, const ABytes& Recive, bool& Complite) override {
        if (Complite) ++finalChecks;
        TCustomComPortCtrl::CheckRecivedData(Send, Recive, Complite);
    }
};

using test::ErrorOf;

TEST(TCustomComPortCtrl, StartsClosedWithItsDefaults) {
    TInspectCtrl c;
    EXPECT_FALSE(c.Opened());
    EXPECT_EQ(c.Port(), 0u);
    EXPECT_EQ(c.PortName(), "");
    EXPECT_EQ(c.LastError(), 0u);
    EXPECT_FALSE(c.Log());
    EXPECT_EQ(c.LogStr(), "");
    const auto& sp = c.SessionParam();
    EXPECT_EQ(sp.TimeOut, 1000u);
    EXPECT_EQ(sp.ReadCount, 256);
    EXPECT_EQ(sp.BetPacks, 20u);
    EXPECT_EQ(sp.Dublicate, 0);
    EXPECT_EQ(sp.DublWait, 100u);
    EXPECT_FALSE(sp.Loged);
    EXPECT_EQ(c.Setup().DCB.BaudRate, 9600u);
    EXPECT_EQ(c.Setup().DCB.Flags, 1u);
    EXPECT_EQ(c.Setup().BIN, 256u);
    EXPECT_EQ(c.Gtchb(), 0.0);
    EXPECT_EQ(c.Gtc5b(), 0.0);
}

TEST(TCustomComPortCtrl, EveryPortOperationChecksThatThePortIsOpen) {
    TInspectCtrl c;
    COMSTAT stat;
    std::uint32_t in = 0, out = 0;
    TCPCSetup setup;
    setup.Default(19200, 1);
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"ClearBuffers", [&] { c.ClearBuffers(true, true); }},
        {"ClearErrors", [&] { c.ClearErrors(); }},
        {"ClearErrors(Stat)", [&] { c.ClearErrors(stat); }},
        {"GetBuffers", [&] { c.GetBuffers(in, out); }},
        {"GetDCB", [&] { c.GetDCB(); }},
        {"GetTimeOuts", [&] { c.GetTimeOuts(); }},
        {"GetQueueSize", [&] { c.GetQueueSize(); }},
        {"GetOutputSize", [&] { c.GetOutputSize(); }},
        {"Read", [&] { c.Read(10); }},
        {"SetBuffers", [&] { c.SetBuffers(1, 1); }},
        {"SetDCB", [&] { c.SetDCB(setup.DCB); }},
        {"SetTimeOuts", [&] { c.SetTimeOuts(setup.CTO); }},
        {"SetSetup", [&] { c.SetSetup(setup); }},
        {"SwitchToRecive", [&] { c.SwitchToRecive(); }},
        {"SwitchToSend", [&] { c.SwitchToSend(); }},
        {"Write",
         [&] {
             c.Write({1, 2, 3});
         }},
    };
    for (const auto& [name, call] : calls) EXPECT_EQ(ErrorOf(call), kNotOpen) << name;
    // Nothing changed on the way.
    EXPECT_EQ(c.Setup().DCB.BaudRate, 9600u);
    EXPECT_EQ(c.LastError(), 0u);
    // These act without the check.
    EXPECT_EQ(ErrorOf([&] { c.Close(); }), "no error");
    EXPECT_EQ(ErrorOf([&] { c.GetProperties(); }), "Error Message");
}

TEST(TCustomComPortCtrl, ASessionOnAClosedPortEndsInNoAnswer) {
    TInspectCtrl c;
    EXPECT_EQ(ErrorOf([&] { c.Session({0xF0, 0x00, 0x99}, true); }), "Нет ответа.");
    EXPECT_EQ(c.LastError(), 0x80000002u);
    EXPECT_EQ(c.finalChecks, 1);
}

TEST(TCustomComPortCtrl, WithoutAnswerTheSessionErrorItselfArrives) {
    TInspectCtrl c;
    EXPECT_EQ(ErrorOf([&] {
                  c.Session({0xF0, 0x00, 0x99}, false);
              }),
              "TCustomComPortCtrl.Session: \"" + kNotOpen + "\"");
    EXPECT_EQ(c.finalChecks, 0);
    EXPECT_EQ(c.LastError(), 0u);
}

TEST(TCustomComPortCtrl, CreateExceptionKeepsTheCode) {
    TInspectCtrl c;
    EXPECT_EQ(ErrorOf([&] { c.CreateException(0x80000001u, "text"); }), "text");
    EXPECT_EQ(c.LastError(), 0x80000001u);
}

TEST(TSessionParams, InitSetsTheValuesAndClearsLoged) {
    TSessionParams sp;
    sp.Loged = true;
    const TSessionParams copy = sp.Init(300, 64, 100, 2, 400);
    for (const TSessionParams* p : {static_cast<const TSessionParams*>(&sp), &copy}) {
        EXPECT_EQ(p->TimeOut, 300u);
        EXPECT_EQ(p->ReadCount, 64);
        EXPECT_EQ(p->BetPacks, 100u);
        EXPECT_EQ(p->Dublicate, 2);
        EXPECT_EQ(p->DublWait, 400u);
        EXPECT_FALSE(p->Loged);
    }
}

TEST(TBasicComPortCtrl, CloseLeavesZeroAndTouchesNoInvalidHandle) {
    for (TPortHandle h : {TPortHandle{0}, ~TPortHandle{0}}) {
        TPortHandle port = h;
        TBasicComPortCtrl::Close(port);
        EXPECT_EQ(port, 0u);
        EXPECT_FALSE(IsValidHandle(h));
    }
    EXPECT_TRUE(IsValidHandle(1));
}

TEST(TBasicComPortCtrl, SwitchOperationsAreNotImplemented) {
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::SwitchToRecive(1); }),
              "TBasicComPortCtrl.SwitchToRecive >> SwitchToRecive не работает");
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::SwitchToSend(1); }),
              "TBasicComPortCtrl.SwitchToSend >> SwitchToSend не работает");
}

TEST(SysErrorText, CodeThenTrimmedSystemText) {
    for (std::uint32_t code : {0u, 2u, 5u, 22u, 123456u}) {
        const std::string text = SysErrorText(code);
        const std::string prefix = std::to_string(code) + ": ";
        ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
        ASSERT_GT(text.size(), prefix.size()) << text;
        const unsigned char last = static_cast<unsigned char>(text.back());
        EXPECT_GT(last, 32) << text;
        EXPECT_NE(last, '.') << text;
    }
}

} // namespace
} // namespace zev
