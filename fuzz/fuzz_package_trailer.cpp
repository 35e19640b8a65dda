// A whole executable file of any content, read the way the updater reads its own file: the
// trailer (at the end, or before a signed PE image's certificate table), then the payload it
// announces. The streamed reading must agree with the in-memory one, never allocate more than the
// file holds, and the payload must then pass or fail the start-up check with one of its codes.

#include "datafiles/data_errors.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"
#include "datafiles/pe_signature.h"
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
    const auto location = LocatePackageInBytes(file);
    const ABytes inMemory = PackagePayloadFromBytes(file);
    if (location) {
        const auto& span = location->span;
        Expect(span.length <= kPackageLengthLimit, "a payload above the length limit");
        Expect(span.offset + span.length + kPackageTrailerSize == location->trailerEnd,
               "the payload does not end at the trailer");
        Expect(inMemory.size() == span.length, "the payload is not the announced length");
        if (location->table) {
            // Signed: the trailer ends at most 7 zero bytes before a table that ends the file.
            const auto& table = *location->table;
            Expect(table.offset % 8 == 0 && table.End() == size, "a table that is not followed");
            Expect(table.offset >= location->trailerEnd && table.offset - location->trailerEnd < 8,
                   "more than 7 bytes between the trailer and the table");
            for (std::uint64_t k = location->trailerEnd; k < table.offset; ++k)
                Expect(file[k] == 0, "a padding byte that is not zero");
            Expect(!PackageSpanOf(size, ABytes(file.end() - 8, file.end())),
                   "the table was followed although the file ends with a trailer");
        } else {
            Expect(location->trailerEnd == size, "the trailer does not end the file");
        }
    } else {
        Expect(inMemory.empty(), "a payload without a valid trailer");
    }
    // Clearing the signature leaves the file's length and everything but the header alone.
    const ABytes unsignedFile = WithoutSignature(file);
    Expect(unsignedFile.size() == size, "clearing the signature changed the length");
    Expect(!SecurityDirectoryOf(size, ReadAtBytes(unsignedFile)),
           "a security directory left after clearing it");

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
