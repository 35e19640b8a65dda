#include "tools/zev-pack/signature.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/pe_signature.h"

#include <iostream>

namespace zev::pack {

namespace {

std::string TableText(const TCertificateTable& table) {
    return Format("a certificate table of %d bytes at offset 0x%x", {table.size, table.offset});
}

} // namespace

TSignatureFacts SignatureFacts(std::uint64_t fileSize, const TReadAt& read,
                               const std::optional<TPackageLocation>& location) {
    TSignatureFacts facts;
    const auto table = SecurityDirectoryOf(fileSize, read);
    if (!table) {
        facts.text = "none (no certificate table)";
        return facts;
    }
    facts.isSigned = true;
    const std::string what = "signed (" + TableText(*table) + ")";
    if (location && location->table) {
        facts.packageSigned = true;
        facts.text = what + "; the package lies inside the signed part";
    } else if (location && table->End() <= location->span.offset) {
        facts.text = what + "; the package lies after the certificate table: the signature no "
                            "longer covers the package (sign after packing)";
    } else if (!IsTrailingCertificateTable(*table, fileSize)) {
        facts.text = what + "; the table does not start on an 8-byte boundary or does not end "
                            "the file: no package is looked for before it";
    } else {
        facts.text = what + "; no package in the signed part";
    }
    return facts;
}

void RefuseSignedProgram(const std::string& name, const ABytes& program) {
    const auto table = SecurityDirectoryOf(program.size(), ReadAtBytes(program));
    if (!table) return;
    Raise(name + " is signed (" + TableText(*table) +
          "): a package appended after the signature is not covered by it. Pack the unsigned "
          "updater, then sign the result (sign after packing; zev-pack strip gives back the "
          "unsigned updater of a packed and signed file); nothing written");
}

void PrintPadding(std::uint64_t programSize, std::uint64_t payloadSize) {
    const std::size_t padding = PackagePadding(programSize, payloadSize);
    if (padding > 0)
        std::cout << "padded the updater with " << padding
                  << " zero bytes: the file is a multiple of 8 bytes long, so that a signature "
                     "made now covers the package\n";
}

TStrippedProgram ProgramBeforePackage(const ABytes& file, const TPackageLocation& location) {
    const auto end = file.begin() + static_cast<std::ptrdiff_t>(location.span.offset);
    TStrippedProgram stripped{ABytes(file.begin(), end), false};
    if (location.table) {
        stripped.program = WithoutSignature(stripped.program);
        stripped.signatureRemoved = true;
    }
    return stripped;
}

} // namespace zev::pack
