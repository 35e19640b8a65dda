// Intel HEX text from any bytes: the reader must skip what it cannot use and never fail because
// of the text, and every record it parses must format back to a line that parses to the same
// record. The image built from the text then goes through the firmware image's operations.

#include "datafiles/bootloader_image.h"
#include "datafiles/data_errors.h"
#include "datafiles/hex_rec.h"
#include "datafiles/package_check.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

using namespace zev;
using zev::fuzz::Expect;
using zev::fuzz::ExpectCode;
using zev::fuzz::Finding;

namespace {

class TFuzzImage : public TLormanBootLoaderHexDataFile {
public:
    void Read(const std::string& pText) {
        std::istringstream stream(pText);
        LoadStream(stream, FData);
    }
};

void CheckRecord(const std::string& pLine) {
    THexRec rec;
    try {
        rec = THexRec::FromText(pLine);
    } catch (const Error& e) {
        ExpectCode(e, {kErrHexShortLine, kErrHexBadCharacter, kErrHexShortRecord, kErrHexChecksum},
                   "THexRec::FromText");
        return;
    }
    Expect(rec.D.size() == rec.L, "a record's data does not match its count");
    const std::string text = THexRec::ToText(rec);
    THexRec again;
    try {
        again = THexRec::FromText(text);
    } catch (const Error& e) {
        Finding("a formatted record does not parse: " + text + " (" + e.what() + ")");
    }
    Expect(again.L == rec.L && again.A == rec.A && again.T == rec.T && again.D == rec.D &&
               again.S == rec.S,
           "a formatted record parses to another record");
}

void CheckEachLine(const std::string& pText) {
    std::size_t start = 0;
    for (std::size_t k = 0; k <= pText.size(); ++k) {
        if (k < pText.size() && pText[k] != '\n' && pText[k] != '\r') continue;
        if (k - start <= 600) CheckRecord(pText.substr(start, k - start));
        start = k + 1;
    }
}

void CheckImage(TFuzzImage& image) {
    Expect(image.Data().size() <= kHexBufferLimit, "the reader grew its buffer past its limit");
    try {
        const TLormanBootLoaderInfo info = image.BootLoaderInfo();
        (void)image.CheckSumm();
        Expect(info.TX.size() <= 10, "the device name is longer than ten characters");
    } catch (const Error& e) {
        ExpectCode(e, {kErrNoInfoRecord}, "BootLoaderInfo");
    }
    (void)image.GetFlash();
    try {
        (void)image.GetEEPROM();
    } catch (const Error& e) {
        ExpectCode(e, {kErrEepromOdd}, "GetEEPROM");
    }
    if (image.Blocks().size() < 65536) {
        TLormanBootLoaderHexDataFile copy;
        copy.BytesFrom(image.BytesTo());
        Expect(copy.Blocks() == image.Blocks() && copy.Data() == image.Data(),
               "the block container does not give back the image");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckEachLine(text);

    // The updater's limits, then no EEPROM limit at all.
    for (const std::uint32_t limit : {kPackageEepromLimit, 0xFFFFFFFFu}) {
        TFuzzImage image;
        image.SetInfo(kPackageFlashLimit, limit);
        image.Read(text);
        CheckImage(image);
    }
    return 0;
}
