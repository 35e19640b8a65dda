#pragma once
// zev-pack and signed updaters: a signature must be made after packing, so that it covers the
// package. What a file's signature covers, the refusal of a signed program to pack, and the
// program that strip gives back from a signed file.

#include "datafiles/abytes.h"
#include "datafiles/package_trailer.h"

#include <optional>
#include <string>

namespace zev::pack {

// What info says about a file's signature and where the package lies relative to it.
struct TSignatureFacts {
    bool isSigned = false;      // a PE image whose security directory announces a table
    bool packageSigned = false; // the package was found before a followed certificate table
    std::string text;           // one line, for "signature: ..."
};

TSignatureFacts SignatureFacts(std::uint64_t fileSize, const TReadAt& read,
                               const std::optional<TPackageLocation>& location);

// Raises an error for a program that already carries a signature: packing after signing leaves
// the package outside what the signature covers.
void RefuseSignedProgram(const std::string& name, const ABytes& program);

// Tells the zero bytes build put between the updater and the package, if any.
void PrintPadding(std::uint64_t programSize, std::uint64_t payloadSize);

// What strip gives back: the bytes before the package. When a certificate table followed the
// package (the file was signed after packing) the signature covered the package and is void
// without it: the table goes with the package and the program's security directory is cleared,
// which gives back the unsigned updater, ready to be packed and signed again.
struct TStrippedProgram {
    ABytes program;
    bool signatureRemoved = false;
};
TStrippedProgram ProgramBeforePackage(const ABytes& file, const TPackageLocation& location);

} // namespace zev::pack
