// A signed updater: packed by zev-pack, then signed with osslsigncode and a throwaway code-signing
// certificate, and read back by the updater's own reader and by zev-pack. The Windows program is
// a tiny one built with mingw-w64; the tools come from the system.

#include "app/detail/package_reader.h"
#include "datafiles/package_trailer.h"
#include "support/temp_file.h"
#include "zev_pack_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

namespace zev {
namespace {

int Shell(const std::string& command) {
    const int raw = std::system((command + " >/dev/null 2>&1 </dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

bool Installed(const std::string& tool) {
    return Shell("command -v " + Quote(tool)) == 0;
}

class Signing : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"openssl", "osslsigncode", "x86_64-w64-mingw32-gcc"}) {
            if (!Installed(tool)) {
                std::cerr << "\n*** SKIPPED: the signing test needs " << tool
                          << ", which is not installed (scripts/install-deps.sh installs it) ***\n";
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        const fs::path source = test::WriteScratchFile("tiny.c", "int main(void) { return 0; }\n");
        program = test::ScratchPath("tiny.exe");
        ASSERT_EQ(Shell("x86_64-w64-mingw32-gcc -O1 -s -x c -o " + Quote(program.string()) + " " +
                        Quote(source.string())),
                  0);
        key = test::ScratchPath("key.pem");
        cert = test::ScratchPath("cert.pem");
        ASSERT_EQ(Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "
                        "'/CN=ZEV test publisher' -addext extendedKeyUsage=codeSigning -keyout " +
                        Quote(key.string()) + " -out " + Quote(cert.string())),
                  0);
        hex = test::ScratchPath("demo.hex");
        ASSERT_EQ(Pack({"demo-hex", "-o", hex.string()}).status, 0);
    }

    int Sign(const fs::path& in, const fs::path& out) {
        fs::remove(out);
        return Shell("osslsigncode sign -certs " + Quote(cert.string()) + " -key " +
                     Quote(key.string()) + " -n 'ZEV Programmer' -in " + Quote(in.string()) +
                     " -out " + Quote(out.string()));
    }

    int Verify(const fs::path& file) {
        return Shell("osslsigncode verify -CAfile " + Quote(cert.string()) + " -in " +
                     Quote(file.string()));
    }

    // The package as the updater reads it from its own file.
    static ABytes UpdaterReads(const fs::path& file) {
        ABytes payload;
        ReadPackageOfFile(file.string(), payload);
        return payload;
    }

    fs::path program, key, cert, hex;
};

TEST_F(Signing, PackThenSignVerifiesAndReads) {
    const fs::path packed = test::ScratchPath("packed.exe");
    RunResult r =
        Pack({"build", "--exe", program.string(), "--hex", hex.string(), "-o", packed.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const ABytes packedBytes = FileBytes(packed);
    EXPECT_EQ(packedBytes.size() % 8, 0u);
    const ABytes payload = PackagePayloadFromBytes(packedBytes);
    ASSERT_FALSE(payload.empty());

    const fs::path signedFile = test::ScratchPath("signed.exe");
    ASSERT_EQ(Sign(packed, signedFile), 0);
    EXPECT_EQ(Verify(signedFile), 0);
    const ABytes signedBytes = FileBytes(signedFile);
    // The signature starts right after the trailer: no padding was needed.
    ASSERT_GT(signedBytes.size(), packedBytes.size());
    EXPECT_EQ(ABytes(signedBytes.begin() + static_cast<std::ptrdiff_t>(packedBytes.size()) - 8,
                     signedBytes.begin() + static_cast<std::ptrdiff_t>(packedBytes.size())),
              PackageTrailer(static_cast<std::uint32_t>(payload.size())));

    EXPECT_EQ(UpdaterReads(signedFile), payload);
    r = Pack({"info", signedFile.string()});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.LastLine(), "check: OK");
    EXPECT_NE(r.out.find("signature: signed ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("the package lies inside the signed part"), std::string::npos) << r.out;
    r = Pack({"info", "--json", signedFile.string()});
    EXPECT_NE(r.out.find("\"package_signed\": true"), std::string::npos) << r.out;

    // extract gives the package; strip the unsigned updater (plus build's zero padding).
    const fs::path extracted = test::ScratchPath("extracted.bin");
    ASSERT_EQ(Pack({"extract", signedFile.string(), "-o", extracted.string()}).status, 0);
    EXPECT_EQ(FileBytes(extracted), payload);
    const fs::path stripped = test::ScratchPath("stripped.exe");
    r = Pack({"strip", signedFile.string(), "-o", stripped.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the result is unsigned"), std::string::npos) << r.out;
    const ABytes strippedBytes = FileBytes(stripped);
    const ABytes original = FileBytes(program);
    EXPECT_EQ(strippedBytes.size(),
              original.size() + PackagePadding(original.size(), payload.size()));
    r = Pack({"info", stripped.string()});
    EXPECT_NE(r.out.find("signature: none"), std::string::npos) << r.out;
    EXPECT_EQ(Pack({"build", "--exe", stripped.string(), "--hex", hex.string(), "-o",
                    test::ScratchPath("again.exe").string()})
                  .status,
              0);

    // One package byte changed after signing: the signature no longer verifies.
    ABytes tampered = signedBytes;
    tampered[packedBytes.size() - 8 - payload.size() + 100] ^= 0x01;
    const fs::path tamperedFile = test::WriteScratchFile("tampered.exe", Bytes(tampered));
    EXPECT_NE(Verify(tamperedFile), 0);
}

TEST_F(Signing, UnpaddedPackageSignedReadsAndSignedProgramIsRefused) {
    const fs::path packed = test::ScratchPath("packed.exe");
    ASSERT_EQ(
        Pack({"build", "--exe", program.string(), "--hex", hex.string(), "-o", packed.string()})
            .status,
        0);
    const ABytes payload = PackagePayloadFromBytes(FileBytes(packed));

    // Appended without padding (not by zev-pack): the signer pads in front of its table.
    const ABytes plain = AppendPackage(FileBytes(program), payload);
    ASSERT_NE(plain.size() % 8, 0u);
    const fs::path plainFile = test::WriteScratchFile("plain.exe", Bytes(plain));
    const fs::path plainSigned = test::ScratchPath("plain-signed.exe");
    ASSERT_EQ(Sign(plainFile, plainSigned), 0);
    EXPECT_EQ(Verify(plainSigned), 0);
    EXPECT_EQ(UpdaterReads(plainSigned), payload);
    EXPECT_EQ(Pack({"info", plainSigned.string()}).LastLine(), "check: OK");

    // Signed first: build refuses it and writes nothing.
    const fs::path signedProgram = test::ScratchPath("signed-program.exe");
    ASSERT_EQ(Sign(program, signedProgram), 0);
    const fs::path out = test::ScratchPath("refused.exe");
    RunResult r =
        Pack({"build", "--exe", signedProgram.string(), "--hex", hex.string(), "-o", out.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sign after packing"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));

    // Packed after signing by other means: the package reads, but the signature fails and info
    // says that it no longer covers the package.
    const fs::path late =
        test::WriteScratchFile("late.exe", Bytes(AppendPackage(FileBytes(signedProgram), payload)));
    EXPECT_NE(Verify(late), 0);
    EXPECT_EQ(UpdaterReads(late), payload);
    r = Pack({"info", late.string()});
    EXPECT_NE(r.out.find("the signature no longer covers the package"), std::string::npos) << r.out;
}

} // namespace
} // namespace zev
