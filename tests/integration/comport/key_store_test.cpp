// The setup record under a key of the Linux key store.

#include "comport/cpc_setup.h"
#include "core/error.h"
#include "platform/registry.h"
#include "tests/integration/comport/pty_peer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace zev {
namespace {

using os::TRegRoot;
using test::TFakeRoots;

TEST(SetupKeys, SaveThenLoadGivesTheRecordBackExceptTheCharacters) {
    TFakeRoots roots;
    TCPCSetup saved;
    saved.Default(9600, 0x1011);
    saved.TimeOuts(1, 2, 3, 4, 5);
    saved.Buffers(1024, 512);
    saved.DCB.StopBits = 2;
    saved.DCB.XonChar = 0x51;
    saved.RegSave(TRegRoot::CurrentUser, "Software\\ZEV\\Port");

    TCPCSetup loaded;
    loaded.Default(19200, 1);
    EXPECT_TRUE(loaded.RegLoad(TRegRoot::CurrentUser, "Software\\ZEV\\Port\\\\"));
    EXPECT_EQ(loaded.DCB.BaudRate, 9600u);
    EXPECT_EQ(loaded.DCB.Flags, 0x1011u);
    EXPECT_EQ(loaded.DCB.StopBits, 2);
    EXPECT_EQ(loaded.DCB.XonChar, 0x11); // characters live in INI files only
    EXPECT_EQ(loaded.CTO.ReadIntervalTimeout, 1u);
    EXPECT_EQ(loaded.CTO.WriteTotalTimeoutConstant, 5u);
    EXPECT_EQ(loaded.BIN, 1024u);
    EXPECT_EQ(loaded.BOU, 512u);
    // The other root is another store.
    TCPCSetup other;
    other.Default(19200, 1);
    EXPECT_FALSE(other.RegLoad(TRegRoot::LocalMachine, "Software\\ZEV\\Port"));
    EXPECT_EQ(other.DCB.BaudRate, 19200u);
}

TEST(SetupKeys, MissingValuesLeaveTheirFieldsAndEmptyKeysBehind) {
    TFakeRoots roots;
    os::TRegKey key = 0;
    ASSERT_FALSE(os::RegistryOpenKey(TRegRoot::CurrentUser, "Only", key));
    ASSERT_FALSE(os::RegistryWriteDword(key, "BufferIn", 4096));
    os::RegistryCloseKey(key);

    TCPCSetup s;
    s.Default(19200, 1);
    EXPECT_FALSE(s.RegLoad(TRegRoot::CurrentUser, "Only"));
    EXPECT_EQ(s.BIN, 4096u);
    EXPECT_EQ(s.BOU, 256u);
    EXPECT_EQ(s.DCB.BaudRate, 19200u);
    EXPECT_EQ(s.CTO.ReadIntervalTimeout, 0xFFFFFFFFu);
    const std::string base = roots.root() + "/reg/HKEY_CURRENT_USER/Only";
    EXPECT_TRUE(std::filesystem::is_directory(base + "/DCB"));
    EXPECT_TRUE(std::filesystem::is_directory(base + "/CTO"));
}

TEST(SetupKeys, AValueOfAnotherTypeIsAnError) {
    TFakeRoots roots;
    TCPCSetup saved;
    saved.Default(9600, 1);
    saved.RegSave(TRegRoot::CurrentUser, "Typed");
    // Another program stored a text under one of the names.
    const std::string values = roots.root() + "/reg/HKEY_CURRENT_USER/Typed/DCB/values";
    std::string text;
    {
        std::ifstream in(values);
        std::stringstream s;
        s << in.rdbuf();
        text = std::regex_replace(s.str(), std::regex("XonLim=dword:[0-9a-f]+"), "XonLim=sz:text");
    }
    std::ofstream(values, std::ios::trunc) << text;
    TCPCSetup s;
    s.Default(19200, 1);
    try {
        s.RegLoad(TRegRoot::CurrentUser, "Typed");
        FAIL() << "read a text as a number";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\"XonLim\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(s.DCB.BaudRate, 9600u); // read before the bad value: kept
}

TEST(SetupKeys, AKeyOutsideTheStoreIsSkipped) {
    TFakeRoots roots;
    TCPCSetup s;
    s.Default(9600, 1);
    EXPECT_NO_THROW(s.RegSave(TRegRoot::CurrentUser, "..\\..\\escape"));
    EXPECT_FALSE(std::filesystem::exists(roots.root() + "/escape"));
    EXPECT_FALSE(s.RegLoad(TRegRoot::CurrentUser, "..\\..\\escape"));
}

} // namespace
} // namespace zev
