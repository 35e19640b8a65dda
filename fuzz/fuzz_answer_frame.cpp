// Answer frames from any bytes, fed the way a session feeds them: the frame check runs on every
// prefix as the bytes arrive, and an answer it accepts goes through the identity decoding. The
// check must give exactly one verdict per state, the decoding must read nothing past the answer.

#include "bootloader/boot_codes.h"
#include "bootloader/boot_frame.h"
#include "bootloader/dev_id.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace zev;
using zev::fuzz::Expect;
using zev::fuzz::ExpectCode;

namespace {

// What the frame check must say about these bytes: "" for complete, else the code.
const char* Verdict(const ABytes& pRecive) {
    if (pRecive.empty()) return kBootErrNoAnswer;
    if (pRecive.size() < 3) return kBootErrTooShort;
    if ((pRecive[0] & 0xF0) != 0xF0) return kBootErrBadHeader;
    if (pRecive.size() < static_cast<std::size_t>(pRecive[1]) + 3) return kBootErrIncomplete;
    return "";
}

// Runs the frame check; true when it called the answer complete.
bool Check(const ABytes& pRecive) {
    bool complite = false;
    const char* expected = Verdict(pRecive);
    try {
        BootCheckAnswer(pRecive, complite);
    } catch (const Error& e) {
        Expect(!complite, "the frame check raised after setting Complite");
        ExpectCode(e, {expected}, "BootCheckAnswer");
        return false;
    }
    Expect(complite && expected[0] == '\0', "the frame check accepted an incomplete answer");
    return true;
}

void CheckIdentity(const ABytes& pAnswer) {
    TLormanBootLoaderDevID id;
    try {
        id = DecodeDevID(pAnswer);
    } catch (const Error& e) {
        ExpectCode(e, {kBootErrShortIdentity}, "DecodeDevID");
        Expect(pAnswer.size() < 50, "an identity answer of 50 bytes or more was refused");
        return;
    }
    Expect(pAnswer.size() >= 50, "an identity answer shorter than 50 bytes was decoded");
    Expect(id.dName.size() == 10, "the device name is not ten bytes");
    Expect(id.dEEWrite == 16, "the EEPROM write block is not 16");
    Expect(id.dID >= 0 && id.dID <= 0xFFFFFFFFll, "the identifier has more than 32 bits");
    // Decoding twice gives the same record (the dates fall back to the clock only when invalid).
    const TLormanBootLoaderDevID again = DecodeDevID(pAnswer);
    Expect(SameDevice(id, again) && again.dName == id.dName && again.dVerProg == id.dVerProg,
           "decoding the same answer twice differs");
    // Seven lines; the name's own bytes may hold line ends too.
    const std::string text = id.ToString();
    std::size_t ends = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++ends;
    Expect(ends >= 6 && text.rfind("CheckSumm:") != std::string::npos,
           "ToString is not seven lines");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte splits the input into the pieces the port delivers; the rest is the answer.
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 16 + 1;
    const ABytes answer(data + 1, data + std::min<std::size_t>(size, 300));

    ABytes received;
    bool complete = Check(received);
    for (std::size_t at = 0; at < answer.size() && !complete; at += piece) {
        const std::size_t end = std::min(answer.size(), at + piece);
        received.insert(received.end(), answer.begin() + static_cast<std::ptrdiff_t>(at),
                        answer.begin() + static_cast<std::ptrdiff_t>(end));
        complete = Check(received);
    }
    if (complete) CheckIdentity(received);
    CheckIdentity(answer);
    return 0;
}
