#include "core/error.h"
#include "datafiles/package_trailer.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/file_io.h"
#include "tools/zev-pack/signature.h"

#include <iostream>

namespace zev::pack {

namespace {

struct FileAndOutput {
    std::string file;
    std::string out;
};

FileAndOutput Parse(const std::vector<std::string>& words) {
    const Args args(words, {"-o", "--output"}, {});
    if (args.Positional().size() != 1) throw UsageError{"give exactly one FILE"};
    const std::string out = args.Output();
    return {args.Positional().front(), out};
}

TPackageLocation LocationOf(const std::string& name, const ABytes& file) {
    const auto location = LocatePackageInBytes(file);
    if (!location || location->span.length == 0)
        Raise(name + " carries no package (no valid trailer at its end or before its certificate "
                     "table)");
    return *location;
}

} // namespace

int RunStrip(const std::vector<std::string>& words) {
    const FileAndOutput io = Parse(words);
    const ABytes file = ReadFileBytes(io.file);
    const TPackageLocation location = LocationOf(io.file, file);
    const TStrippedProgram stripped = ProgramBeforePackage(file, location);
    WriteFileAtomically(io.out, stripped.program, PermissionsOf(io.file));
    std::cout << "wrote " << io.out << ": " << stripped.program.size() << " bytes (removed "
              << location.span.length << " bytes of package and 8 bytes of trailer";
    if (stripped.signatureRemoved)
        std::cout << ", " << file.size() - location.trailerEnd
                  << " bytes of padding and certificate table after it; the security directory is "
                     "cleared and the checksum made anew: the result is unsigned";
    std::cout << ")\n";
    return kExitOk;
}

int RunExtract(const std::vector<std::string>& words) {
    const FileAndOutput io = Parse(words);
    const ABytes file = ReadFileBytes(io.file);
    const TPackageSpan span = LocationOf(io.file, file).span;
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(span.offset);
    const ABytes payload(first, first + span.length);
    WriteFileAtomically(io.out, payload);
    std::cout << "wrote " << io.out << ": " << payload.size() << " bytes of package\n";
    return kExitOk;
}

} // namespace zev::pack
