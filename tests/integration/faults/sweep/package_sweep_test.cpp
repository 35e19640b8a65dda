// The package sweep: the demo package damaged in every way a transfer or a disk can damage it,
// each variant handed to the window's start-up exactly as the program reads its own file. The
// start-up either passes, and then the image it will write is the package's own, or it shows a
// code in its red status line. Never a crash, never a hang, never a damaged image written.
//
// Variants: the executable cut at every length; the payload cut at every length under a trailer
// that matches it; every value of every byte of the trailer and of the block table; and a seeded
// sample of byte changes in the data.

#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "support/app_window.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace zev {
namespace {

using namespace zev::test;

// What the start-up made of one variant.
struct TOutcome {
    bool Passed = false;
    std::string Code; // the text inside the brackets of the red status line
};

// The lines the program would write, and the record it judges devices by.
struct TImage {
    TLormanBootLoaderInfo Info;
    ALormanBootLoaderDataLines Flash, Eeprom;
};

// The same frames go to a device: the record, the flash lines by the word address the device
// is sent, and the EEPROM lines.
bool SameFlash(const ALormanBootLoaderDataLines& pA, const ALormanBootLoaderDataLines& pB) {
    if (pA.size() != pB.size()) return false;
    for (std::size_t k = 0; k < pA.size(); ++k)
        if (pA[k].A / 2 != pB[k].A / 2 || pA[k].D != pB[k].D) return false;
    return true;
}
bool SameImage(const TImage& pA, const TImage& pB) {
    return pA.Info == pB.Info && SameFlash(pA.Flash, pB.Flash) && pA.Eeprom == pB.Eeprom;
}

TImage ImageOf(const ABytes& pPayload) {
    const TCheckedPackage checked = CheckPackage(pPayload);
    return {checked.info, checked.flash, checked.eeprom};
}

ABytes PayloadOf(const ABytes& pFile) {
    std::istringstream stream(std::string(pFile.begin(), pFile.end()));
    ABytes payload;
    ReadPackageFromStream(stream, payload);
    return payload;
}

// Runs the window's start-up on the file.
TOutcome StartUp(const ABytes& pFile) {
    AppWindow app;
    app.Create([&pFile](ABytes& bytes) { bytes = PayloadOf(pFile); }, kLangEnglish);
    TOutcome out;
    out.Passed = !app.Window->StartupFailed();
    if (out.Passed) {
        EXPECT_TRUE(app.Ui.tmrStartSearch.Enabled());
        EXPECT_EQ(app.Ui.LanguageDialogShown, 0);
        return out;
    }
    const std::string& text = app.Ui.lblState.Text;
    const std::size_t open = text.find('[');
    const std::size_t close = text.find(']');
    EXPECT_TRUE(open != std::string::npos && close != std::string::npos) << text;
    EXPECT_EQ(text.substr(close), "]: Data corrupted.") << text;
    EXPECT_EQ(app.Ui.lblState.Color, clRed);
    EXPECT_FALSE(app.Ui.tmrStartSearch.Enabled());
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    if (open != std::string::npos && close != std::string::npos)
        out.Code = text.substr(open + 1, close - open - 1);
    return out;
}

class PackageSweep : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Payload = new ABytes(MakeDemoPayload(TDemoFirmware{}));
        File = new ABytes(ExecutableWithPackage(*Payload, 1024));
        Original = new TImage(ImageOf(*Payload));
    }
    static void TearDownTestSuite() {
        delete Payload;
        delete File;
        delete Original;
    }

    // Runs one variant and books its outcome; a pass must give the original image, or differ
    // from it only in a way the package format cannot see (booked as such by pBlind).
    void Try(const ABytes& pFile, const std::function<std::string(const TImage&)>& pBlind = {},
             const std::string& pWhat = "") {
        const TOutcome out = StartUp(pFile);
        ++Tried;
        if (!out.Passed) {
            ++Codes[out.Code];
            return;
        }
        const TImage image = ImageOf(PayloadOf(pFile));
        if (SameImage(image, *Original)) {
            ++Intact;
            return;
        }
        const std::string why = pBlind ? pBlind(image) : "";
        if (why.empty()) {
            ++Damaged;
            if (Damaged <= 40)
                ADD_FAILURE() << "a damaged image passed the start-up check: " << pWhat
                              << ": flash lines " << image.Flash.size() << ", EEPROM lines "
                              << image.Eeprom.size() << ", record "
                              << (image.Info == Original->Info ? "same" : "changed");
        } else {
            ++Blind[why];
        }
    }

    void Report(const char* pWhat) {
        std::string codes;
        for (const auto& [code, count] : Codes) codes += " " + code + "=" + std::to_string(count);
        std::string blind;
        for (const auto& [why, count] : Blind) blind += " " + why + "=" + std::to_string(count);
        std::printf("sweep %s: %zu variants; passed intact %zu; refused:%s; passed, changed where "
                    "no check looks:%s; damaged and passed %zu\n",
                    pWhat, Tried, Intact, codes.c_str(), blind.empty() ? " none" : blind.c_str(),
                    Damaged);
        EXPECT_EQ(Damaged, 0u);
    }

    static ABytes* Payload;
    static ABytes* File;
    static TImage* Original;

    std::size_t Tried = 0, Intact = 0, Damaged = 0;
    std::map<std::string, std::size_t> Codes, Blind;
};

ABytes* PackageSweep::Payload = nullptr;
ABytes* PackageSweep::File = nullptr;
TImage* PackageSweep::Original = nullptr;

TEST_F(PackageSweep, ExecutableCutAtEveryLength) {
    for (std::size_t n = 0; n < File->size(); ++n) Try(ABytes(File->begin(), File->begin() + n));
    Report("executable cut");
    EXPECT_EQ(Intact, 0u);
}

TEST_F(PackageSweep, PayloadCutAtEveryLengthUnderAMatchingTrailer) {
    const ABytes program(File->begin(), File->end() - Payload->size() - kPackageTrailerSize);
    for (std::size_t n = 0; n < Payload->size(); ++n)
        Try(AppendPackage(program, ABytes(Payload->begin(), Payload->begin() + n)), {},
            "payload of " + std::to_string(n) + " bytes");
    Report("payload cut");
    EXPECT_EQ(Intact, 0u);
}

// The trailer's 8 bytes and the block table's 26 (count, then A, I, L of each block).
TEST_F(PackageSweep, EveryValueOfEveryTrailerAndBlockTableByte) {
    const std::size_t trailer = File->size() - kPackageTrailerSize;
    const std::size_t table = trailer - Payload->size();
    std::vector<std::size_t> at;
    for (std::size_t k = 0; k < kPackageTrailerSize; ++k) at.push_back(trailer + k);
    for (std::size_t k = 0; k < 2 + 12 * 2; ++k) at.push_back(table + k);
    for (const std::size_t position : at) {
        for (int value = 0; value < 256; ++value) {
            if (value == (*File)[position]) continue;
            ABytes file = *File;
            file[position] = static_cast<std::uint8_t>(value);
            Try(file, {},
                "byte " + std::to_string(position - table) +
                    " of the package := " + std::to_string(value));
        }
    }
    Report("trailer and block table");
}

// A seeded sample: a position in the data and a change of its byte.
TEST_F(PackageSweep, SampledChangesOfTheData) {
    const std::size_t data = File->size() - kPackageTrailerSize - Payload->size() + 2 + 12 * 2;
    const std::size_t flashEnd = data + 0x7C00;
    const std::size_t end = File->size() - kPackageTrailerSize;
    std::uint64_t state = 12345;
    const auto next = [&state](std::uint64_t below) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % below;
    };
    for (int k = 0; k < 4000; ++k) {
        const std::size_t position = data + next(end - data);
        const auto delta = static_cast<std::uint8_t>(1 + next(255));
        ABytes file = *File;
        file[position] = static_cast<std::uint8_t>(file[position] + delta);
        Try(
            file,
            [&](const TImage& image) -> std::string {
                const bool flashSame =
                    image.Info == Original->Info && SameFlash(image.Flash, Original->Flash);
                // No checksum covers the EEPROM image.
                if (position >= flashEnd && flashSame) return "eeprom-data";
                // The flash checksum is 14 bits wide: a high byte changed by a multiple of 0x40
                // changes its word by a multiple of 0x4000.
                if (position < flashEnd && (position - data) % 2 == 1 && delta % 0x40 == 0)
                    return "checksum-blind";
                return "";
            },
            "data byte " + std::to_string(position - data) + " += " + std::to_string(delta));
    }
    Report("data sample");
}

} // namespace
} // namespace zev
