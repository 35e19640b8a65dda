#include "core/error.h"
#include "datafiles/package_trailer.h"
#include "tools/zev-pack/args.h"
#include "tools/zev-pack/commands.h"
#include "tools/zev-pack/file_io.h"

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

TPackageSpan SpanOf(const std::string& name, const ABytes& file) {
    const auto span = PackageSpanOfBytes(file);
    if (!span || span->length == 0)
        Raise(name + " carries no package (no valid trailer at its end)");
    return *span;
}

} // namespace

int RunStrip(const std::vector<std::string>& words) {
    const FileAndOutput io = Parse(words);
    const ABytes file = ReadFileBytes(io.file);
    const TPackageSpan span = SpanOf(io.file, file);
    const ABytes program(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(span.offset));
    WriteFileAtomically(io.out, program, PermissionsOf(io.file));
    std::cout << "wrote " << io.out << ": " << program.size() << " bytes (removed " << span.length
              << " bytes of package and 8 bytes of trailer)\n";
    return kExitOk;
}

int RunExtract(const std::vector<std::string>& words) {
    const FileAndOutput io = Parse(words);
    const ABytes file = ReadFileBytes(io.file);
    const TPackageSpan span = SpanOf(io.file, file);
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(span.offset);
    const ABytes payload(first, first + span.length);
    WriteFileAtomically(io.out, payload);
    std::cout << "wrote " << io.out << ": " << payload.size() << " bytes of package\n";
    return kExitOk;
}

} // namespace zev::pack
