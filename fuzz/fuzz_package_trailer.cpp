// A whole executable file of any content, read the way the updater reads its own file: the
// trailer, then the payload it announces. The streamed reading must agree with the in-memory one,
// never allocate more than the file holds, and the payload must then pass or fail the start-up
// check with one of its codes.

#include "datafiles/data_errors.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

using namespace zev;
using zev::fuzz::Expect;
using zev::fuzz::ExpectCode;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ABytes file(data, data + size);
    const auto span = PackageSpanOfBytes(file);
    const ABytes inMemory = PackagePayloadFromBytes(file);
    if (span) {
        Expect(span->offset + span->length + kPackageTrailerSize == size,
               "the payload and trailer do not end the file");
        Expect(inMemory.size() == span->length, "the payload is not the announced length");
    } else {
        Expect(inMemory.empty(), "a payload without a valid trailer");
    }

    std::istringstream stream(std::string(file.begin(), file.end()));
    ABytes streamed = {0xEE}; // must be replaced
    const bool found = ReadPackageFromStream(stream, streamed);
    Expect(streamed == inMemory, "the streamed payload differs from the in-memory one");
    Expect(found == !streamed.empty(), "the reader's answer does not match its payload");

    try {
        const TCheckedPackage checked = CheckPackage(streamed);
        Expect(!streamed.empty() && checked.linesCut, "an empty payload passed the check");
    } catch (const Error& e) {
        ExpectCode(e,
                   {kErrContainerShort, kErrBlockTableShort, kErrNoData, kErrNoInfoRecord,
                    kErrChecksum, kErrEepromOdd, kErrEepromTooLarge, kErrFlashWraps,
                    kErrEpNotWritten},
                   "CheckPackage");
        if (streamed.empty()) ExpectCode(e, {kErrContainerShort}, "CheckPackage of no package");
    }
    return 0;
}
