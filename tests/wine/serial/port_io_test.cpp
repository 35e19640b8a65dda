// The handle operations on a mapped port with the answering peer on the far side.

#include "comport/port_ctrl.h"
#include "core/error.h"
#include "platform/timing.h"
#include "tests/support/error_of.h"
#include "tests/wine/serial/bench.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

class WinePortIo : public ::testing::Test {
protected:
    void SetUp() override {
        c.Open(bench::AnswerPort());
        TCPCSetup setup;
        setup.Default(19200, 1);
        c.SetSetup(setup);
        c.ClearBuffers(true, true);
    }

    // Reads until count bytes came or two seconds passed.
    ABytes ReadFor(std::size_t count) {
        ABytes got;
        bench::WaitFor(
            [&] {
                const ABytes piece = c.Read(static_cast<std::uint32_t>(count - got.size()));
                got.insert(got.end(), piece.begin(), piece.end());
                return got.size() >= count;
            },
            2000);
        return got;
    }

    TCustomComPortCtrl c;
};

TEST_F(WinePortIo, TheSetupIsAppliedAndReadBack) {
    const DCB dcb = c.GetDCB();
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_TRUE(dcb.fBinary());
    EXPECT_FALSE(dcb.fParity());
    EXPECT_FALSE(dcb.fOutxCtsFlow());
    EXPECT_FALSE(dcb.fOutX());
    EXPECT_FALSE(dcb.fInX());
    // DTR and RTS are not read back: a pseudo-terminal has no modem lines, and Wine reports
    // both as raised then.
    const COMMTIMEOUTS cto = c.GetTimeOuts();
    EXPECT_EQ(cto.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(cto.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(cto.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(cto.WriteTotalTimeoutConstant, 0u);

    // Another setup replaces it, and reopening reads the line settings back into the record.
    TCPCSetup other;
    other.Default(9600, 1);
    other.DCB.StopBits = 2; // (not parity: a pseudo-terminal always keeps 8 bits, no parity)
    other.TimeOuts(0xFFFFFFFF, 0, 0, 0, 500);
    c.SetSetup(other);
    EXPECT_EQ(c.GetTimeOuts().WriteTotalTimeoutConstant, 500u);
    c.Reopen();
    EXPECT_EQ(c.Setup().DCB.BaudRate, 9600u);
    EXPECT_EQ(c.Setup().DCB.StopBits, 2);
}

TEST_F(WinePortIo, EveryByteValueCrossesTheLineUnchanged) {
    ABytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    ASSERT_TRUE(c.Write(all));
    // No echo, no newline or XON/XOFF handling on either side: exactly the peer's answer.
    EXPECT_EQ(ReadFor(256), bench::AnswerOf(all));
    SleepMs(100);
    EXPECT_EQ(c.GetQueueSize(), 0u);
}

TEST_F(WinePortIo, ReadsNeverWait) {
    // The setup's timeouts make a read return at once with what has arrived.
    const double start = PerfMilliseconds();
    EXPECT_TRUE(c.Read(16).empty());
    ABytes none;
    EXPECT_EQ(TBasicComPortCtrl::Read(c.Port(), none), 0u);
    EXPECT_LT(PerfMilliseconds() - start, 200.0);
}

TEST_F(WinePortIo, TheQueueCountsWaitingBytesAndPurgingEmptiesIt) {
    ASSERT_TRUE(c.Write({0x10, 0x20, 0x30, 0x40, 0x50}));
    ASSERT_TRUE(bench::WaitFor([&] { return c.GetQueueSize() == 5; }, 2000)) << c.GetQueueSize();
    COMSTAT stat;
    EXPECT_EQ(c.ClearErrors(stat), 0u);
    EXPECT_EQ(stat.cbInQue, 5u);
    EXPECT_EQ(c.GetOutputSize(), 0u);
    // Purging only the transmit side keeps the received bytes.
    c.ClearBuffers(false, true);
    EXPECT_EQ(c.GetQueueSize(), 5u);
    c.ClearBuffers(true, false);
    EXPECT_EQ(c.GetQueueSize(), 0u);
    EXPECT_TRUE(c.Read(16).empty());
    // The line still works after the purge.
    ASSERT_TRUE(c.Write({0x7F}));
    EXPECT_EQ(ReadFor(1), ABytes{0x80});
}

TEST_F(WinePortIo, QueueSizesAndProperties) {
    c.SetBuffers(1024, 512);
    EXPECT_EQ(c.Setup().BIN, 1024u);
    EXPECT_EQ(c.Setup().BOU, 512u);
    std::uint32_t in = 1, out = 1;
    c.GetBuffers(in, out); // the driver's largest queues; 0 where it sets no limit
    const COMMPROP prop = c.GetProperties();
    EXPECT_EQ(prop.dwMaxRxQueue, in);
    EXPECT_EQ(prop.dwMaxTxQueue, out);
}

TEST_F(WinePortIo, AClosedControllerRefusesEveryOperation) {
    c.Close();
    const std::string closed = "TCustomComPortCtrl.GetOpenRaised >> Подключение не установлено.";
    EXPECT_EQ(test::ErrorOf([&] { c.Read(1); }), closed);
    EXPECT_EQ(test::ErrorOf([&] { c.Write({1}); }), closed);
    EXPECT_EQ(test::ErrorOf([&] { c.ClearBuffers(true, true); }), closed);
}

TEST_F(WinePortIo, AnInvalidHandleGivesTheSystemsError) {
    const std::string message =
        test::ErrorOf([] { TBasicComPortCtrl::GetDCB(static_cast<TPortHandle>(0x1234)); });
    // "<prefix><code>: <system text>)." with the code of an invalid handle.
    EXPECT_EQ(
        message.rfind("TBasicComPortCtrl.GetDCB >> Не удалось запрос параметров порта (6: ", 0), 0u)
        << message;
    EXPECT_EQ(message.substr(message.size() - 2), ").") << message;
}

TEST(WinePortConfig, TheDefaultConfigurationOfAPort) {
    TCustomComPortCtrl c;
    c.Open(bench::AnswerPort());
    const COMMCONFIG config = c.GetConfig();
    EXPECT_EQ(config.dwSize, sizeof(COMMCONFIG));
    EXPECT_EQ(config.dcb.DCBlength, sizeof(DCB));
    EXPECT_NE(config.dcb.BaudRate, 0u);
    EXPECT_EQ(config.dcb.ByteSize, 8);
    // A controller that has named no port has no configuration. (Wine answers the plain names
    // COM1 to COM9 whether or not the port exists, and refuses every longer one, so a missing
    // port cannot show the failure here.)
    TCustomComPortCtrl none;
    EXPECT_EQ(test::ErrorOf([&] { none.GetConfig(); }), "Error Message");
}

} // namespace
} // namespace zev
