#include "comport/cpc_setup.h"
#include "comport/detail/ini_file.h"
#include "core/error.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace zev {
namespace {

// A file name in the test's own temporary folder, removed afterwards.
class TempFile {
public:
    explicit TempFile(const std::string& name)
        : FPath((std::filesystem::temp_directory_path() /
                 (std::string("zev-setup-") +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name))
                    .string()) {
        std::filesystem::remove(FPath);
    }
    ~TempFile() { std::filesystem::remove(FPath); }
    const std::string& path() const { return FPath; }
    std::string Read() const {
        std::ifstream in(FPath, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& text) const {
        std::ofstream out(FPath, std::ios::binary);
        out << text;
    }

private:
    std::string FPath;
};

bool SameRecord(const TCPCSetup& a, const TCPCSetup& b) {
    return std::memcmp(&a.DCB, &b.DCB, sizeof a.DCB) == 0 &&
           std::memcmp(&a.CTO, &b.CTO, sizeof a.CTO) == 0 && a.BIN == b.BIN && a.BOU == b.BOU;
}

TEST(TCPCSetup, DefaultFillsTheWholeRecord) {
    TCPCSetup s;
    std::memset(static_cast<void*>(&s), 0xA5, sizeof s); // every field must be set
    s.Default(19200, 1);
    EXPECT_EQ(s.DCB.DCBlength, 28u);
    EXPECT_EQ(s.DCB.BaudRate, 19200u);
    EXPECT_EQ(s.DCB.Flags, 1u);
    EXPECT_EQ(s.DCB.wReserved, 0);
    EXPECT_EQ(s.DCB.XonLim, 2048);
    EXPECT_EQ(s.DCB.XoffLim, 512);
    EXPECT_EQ(s.DCB.ByteSize, 8);
    EXPECT_EQ(s.DCB.Parity, 0);
    EXPECT_EQ(s.DCB.StopBits, 0);
    EXPECT_EQ(s.DCB.XonChar, 0x11);
    EXPECT_EQ(s.DCB.XoffChar, 0x13);
    EXPECT_EQ(s.DCB.ErrorChar, 0);
    EXPECT_EQ(s.DCB.EofChar, 0);
    EXPECT_EQ(s.DCB.EvtChar, 0);
    EXPECT_EQ(s.DCB.wReserved1, 0);
    EXPECT_EQ(s.CTO.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(s.CTO.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(s.CTO.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(s.CTO.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(s.CTO.WriteTotalTimeoutConstant, 0u);
    EXPECT_EQ(s.BIN, 256u);
    EXPECT_EQ(s.BOU, 256u);
}

TEST(TCPCSetup, FlagsReplacesTheBitFields) {
    TCPCSetup s;
    s.Default(9600, 0xFFFFFFFF);
    s.Flags(true, false, false, false, false, false, false, false, false, false, false, 1, 1);
    EXPECT_EQ(s.DCB.Flags, 0x1011u);
    s.Flags(false, true, true, true, true, true, true, true, true, true, true, 3, 2);
    EXPECT_EQ(s.DCB.Flags, 0x7FEEu);
    EXPECT_EQ(s.DCB.fRtsControl(), 3);
    EXPECT_EQ(s.DCB.fDtrControl(), 2);
    EXPECT_TRUE(s.DCB.fAbortOnError());
    EXPECT_FALSE(s.DCB.fBinary());
    EXPECT_EQ(s.DCB.BaudRate, 9600u); // nothing else changes
}

TEST(TCPCSetup, TimeOutsAndBuffersSetTheirFieldsInOrder) {
    TCPCSetup s;
    s.Default(9600, 1);
    s.TimeOuts(1, 2, 3, 4, 5);
    s.Buffers(4096, 1024);
    EXPECT_EQ(s.CTO.ReadIntervalTimeout, 1u);
    EXPECT_EQ(s.CTO.ReadTotalTimeoutMultiplier, 2u);
    EXPECT_EQ(s.CTO.ReadTotalTimeoutConstant, 3u);
    EXPECT_EQ(s.CTO.WriteTotalTimeoutMultiplier, 4u);
    EXPECT_EQ(s.CTO.WriteTotalTimeoutConstant, 5u);
    EXPECT_EQ(s.BIN, 4096u);
    EXPECT_EQ(s.BOU, 1024u);
}

TEST(TCPCSetupIni, SaveWritesTheSectionsKeysAndValues) {
    TempFile file("default.ini");
    TCPCSetup s;
    s.Default(9600, 1);
    s.IniSave(file.path());
    EXPECT_EQ(file.Read(), "[DCB]\r\n"
                           "BaudRate=9600\r\n"
                           "Flags=1\r\n"
                           "ByteSize=8\r\n"
                           "Parity=0\r\n"
                           "StopBits=0\r\n"
                           "XonLim=2048\r\n"
                           "XoffLim=512\r\n"
                           "XonChar=17\r\n"
                           "XoffChar=19\r\n"
                           "ErrorChar=0\r\n"
                           "EofChar=0\r\n"
                           "EvtChar=0\r\n"
                           "\r\n"
                           "[CTO]\r\n"
                           "ReadIntervalTimeout=-1\r\n"
                           "ReadTotalTimeoutMultiplier=0\r\n"
                           "ReadTotalTimeoutConstant=0\r\n"
                           "WriteTotalTimeoutMultiplier=0\r\n"
                           "WriteTotalTimeoutConstant=0\r\n"
                           "\r\n"
                           "[BUFFERS]\r\n"
                           "In=256\r\n"
                           "Out=256\r\n");

    TCPCSetup loaded;
    loaded.Default(19200, 1);
    loaded.IniLoad(file.path());
    EXPECT_TRUE(SameRecord(loaded, s));
}

TEST(TCPCSetupIni, SaveKeepsTheRestOfAnExistingFile) {
    TempFile file("existing.ini");
    file.Write("; settings\n[Other]\nKey=Value\n[dcb]\nbaudrate=1200\nMine=yes\n");
    TCPCSetup s;
    s.Default(57600, 1);
    s.IniSave(file.path());
    const std::string text = file.Read();
    EXPECT_NE(
        text.find("; settings\r\n[Other]\r\nKey=Value\r\n[dcb]\r\nBaudRate=57600\r\nMine=yes"),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("1200"), std::string::npos);
    TCPCSetup loaded;
    loaded.Default(9600, 0);
    loaded.IniLoad(file.path());
    EXPECT_TRUE(SameRecord(loaded, s));
}

TEST(TCPCSetupIni, LoadTakesNumbersInTheFieldsWidthAndKeepsTheRest) {
    TempFile file("partial.ini");
    file.Write("[DCB]\r\n"
               "ByteSize=0x107\r\n"
               "Parity=$2\r\n"
               "BaudRate=fast\r\n"
               "XonLim= 70000 \r\n"
               "Flags=-1\r\n"
               "[CTO]\r\n"
               "ReadTotalTimeoutConstant=0xFFFFFFFF\r\n"
               "WriteTotalTimeoutConstant=4294967296\r\n"
               "[BUFFERS]\r\n"
               "In=\r\n"
               "Out=1024\r\n");
    TCPCSetup s;
    s.Default(19200, 1);
    s.IniLoad(file.path());
    EXPECT_EQ(s.DCB.ByteSize, 7);
    EXPECT_EQ(s.DCB.Parity, 2);
    EXPECT_EQ(s.DCB.BaudRate, 19200u);       // not a number: unchanged
    EXPECT_EQ(s.DCB.XonLim, 70000 & 0xFFFF); // higher bits dropped
    EXPECT_EQ(s.DCB.Flags, 0xFFFFFFFFu);
    EXPECT_EQ(s.CTO.ReadTotalTimeoutConstant, 0xFFFFFFFFu);
    EXPECT_EQ(s.CTO.WriteTotalTimeoutConstant, 0u); // too large: unchanged
    EXPECT_EQ(s.BIN, 256u);                         // empty: unchanged
    EXPECT_EQ(s.BOU, 1024u);
    EXPECT_EQ(s.DCB.XonChar, 0x11); // missing: unchanged
}

TEST(TCPCSetupIni, LoadOfAMissingFileChangesNothing) {
    TempFile file("missing.ini");
    TCPCSetup s, before;
    s.Default(19200, 1);
    before = s;
    s.IniLoad(file.path());
    EXPECT_TRUE(SameRecord(s, before));
}

TEST(TCPCSetupIni, SaveToAnUnwritablePlaceNamesTheFile) {
    TCPCSetup s;
    s.Default(9600, 1);
    const std::string bad =
        (std::filesystem::temp_directory_path() / "zev-no-such-folder" / "x" / "setup.ini")
            .string();
    try {
        s.IniSave(bad);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + bad + "\""), std::string::npos) << e.what();
    }
}

TEST(ParseIniInteger, NumberRules) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"-1", -1},
        {"+12", 12},
        {"  42\t", 42},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"0x107", 0x107},
        {"0XfF", 255},
        {"$1A", 0x1A},
        {"0xFFFFFFFF", -1},
        {"0x100000000", std::nullopt},
        {"-$10", -16},
        {"", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
}

TEST(TIniFile, ReadsSectionsAndKeysInAnyCase) {
    TempFile file("read.ini");
    file.Write("[A]\nx=1\n; y=2\n[b]\n Y = \"two words\" \nx=3\n");
    const TIniFile ini(file.path());
    EXPECT_EQ(ini.Read("a", "X"), "1");
    EXPECT_EQ(ini.Read("A", "y"), std::nullopt); // commented out
    EXPECT_EQ(ini.Read("B", "y"), "two words");
    EXPECT_EQ(ini.Read("B", "x"), "3");
    EXPECT_EQ(ini.Read("C", "x"), std::nullopt);
}

} // namespace
} // namespace zev
