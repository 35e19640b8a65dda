// The port setup record saved to and loaded from the registry itself.

#include "comport/cpc_setup.h"
#include "core/error.h"
#include "tests/support/error_of.h"
#include "tests/wine/serial/bench.h"
#include "tests/wine/serial/test_keys.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using os::TRegRoot;

class WineSetupRegistry : public ::testing::Test {
protected:
    const std::string key = "Software\\ZEV Programmer tests\\Port";
    bench::TTestKey keys{HKEY_CURRENT_USER, L"Software\\ZEV Programmer tests"};
};

TEST_F(WineSetupRegistry, SaveThenLoadGivesTheRecordBackExceptTheCharacters) {
    TCPCSetup saved;
    saved.Default(9600, 0x1011);
    saved.TimeOuts(0xFFFFFFFF, 2, 3, 4, 5);
    saved.Buffers(1024, 512);
    saved.DCB.StopBits = 2;
    saved.DCB.XonChar = 0x51;
    saved.RegSave(TRegRoot::CurrentUser, key);
    // The values sit where other programs look for them, as 32-bit numbers.
    EXPECT_EQ(keys.ValueNames(L"Port"), (std::vector<std::wstring>{L"BufferIn", L"BufferOut"}));
    EXPECT_EQ(keys.ValueNames(L"Port\\DCB").size(), 7u);
    EXPECT_EQ(keys.ValueNames(L"Port\\CTO").size(), 5u);

    TCPCSetup loaded;
    loaded.Default(19200, 1);
    EXPECT_TRUE(loaded.RegLoad(TRegRoot::CurrentUser, key + "\\\\"));
    EXPECT_EQ(loaded.DCB.BaudRate, 9600u);
    EXPECT_EQ(loaded.DCB.Flags, 0x1011u);
    EXPECT_EQ(loaded.DCB.StopBits, 2);
    EXPECT_EQ(loaded.DCB.XonChar, 0x11); // the characters live in INI files only
    EXPECT_EQ(loaded.CTO.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(loaded.CTO.WriteTotalTimeoutConstant, 5u);
    EXPECT_EQ(loaded.BIN, 1024u);
    EXPECT_EQ(loaded.BOU, 512u);
}

TEST_F(WineSetupRegistry, MissingValuesLeaveTheirFieldsAndEmptyKeysBehind) {
    keys.SetDword(L"Port", L"BufferIn", 4096);
    TCPCSetup s;
    s.Default(19200, 1);
    EXPECT_FALSE(s.RegLoad(TRegRoot::CurrentUser, key));
    EXPECT_EQ(s.BIN, 4096u);
    EXPECT_EQ(s.BOU, 256u);
    EXPECT_EQ(s.DCB.BaudRate, 19200u);
    EXPECT_EQ(s.CTO.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_TRUE(keys.Exists(L"Port\\DCB"));
    EXPECT_TRUE(keys.ValueNames(L"Port\\DCB").empty());
    EXPECT_TRUE(keys.Exists(L"Port\\CTO"));
}

TEST_F(WineSetupRegistry, AValueOfAnotherTypeEndsTheLoad) {
    TCPCSetup saved;
    saved.Default(9600, 1);
    saved.RegSave(TRegRoot::CurrentUser, key);
    keys.SetText(L"Port\\DCB", L"XonLim", L"2048");
    TCPCSetup s;
    s.Default(19200, 1);
    EXPECT_EQ(test::ErrorOf([&] { s.RegLoad(TRegRoot::CurrentUser, key); }),
              "TCPCSetup.RegLoad >> Значение \"XonLim\" не является 32-битным числом");
    EXPECT_EQ(s.DCB.BaudRate, 9600u); // read before the bad value: kept
}

} // namespace
} // namespace zev
