// zev-microbench: the hot routines of the data layer under Google Benchmark: the frame check
// byte (CRC-8), reading the package from the end of a file, checking it, and cutting its lines.
//
//   zev-microbench [--package=FILE] [Google Benchmark options]
//
// Without --package the demo firmware's package is appended to a 4 MiB stand-in program in a
// temporary file.

#include "datafiles/abytes.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "datafiles/package_trailer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace zev;

std::string gPackageFile;

ABytes Payload() {
    ABytes payload;
    if (!ReadPackageFromFile(gPackageFile, payload)) std::abort();
    return payload;
}

void BM_Crc8(benchmark::State& state) {
    ABytes data(static_cast<std::size_t>(state.range(0)));
    for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k * 37 + 11);
    for (auto _ : state) benchmark::DoNotOptimize(ABytesCRC8(data));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
// The identity request, a flash line's frame without its check byte, the whole demo flash.
BENCHMARK(BM_Crc8)->Arg(2)->Arg(68)->Arg(0x7C00);

void BM_ReadPackage(benchmark::State& state) {
    ABytes payload;
    for (auto _ : state) {
        ReadPackageFromFile(gPackageFile, payload);
        benchmark::DoNotOptimize(payload.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}
BENCHMARK(BM_ReadPackage);

void BM_CheckPackage(benchmark::State& state) {
    const ABytes payload = Payload();
    for (auto _ : state) {
        TCheckedPackage checked = CheckPackage(payload);
        benchmark::DoNotOptimize(checked.flash.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}
BENCHMARK(BM_CheckPackage);

void BM_ReadAndCheckPackage(benchmark::State& state) {
    for (auto _ : state) {
        TCheckedPackage checked = CheckPackage(Payload());
        benchmark::DoNotOptimize(checked.flash.data());
    }
}
BENCHMARK(BM_ReadAndCheckPackage);

void BM_CutLines(benchmark::State& state) {
    const TCheckedPackage checked = CheckPackage(Payload());
    std::size_t lines = 0;
    for (auto _ : state) {
        ALormanBootLoaderDataLines flash = checked.image.GetFlash();
        ALormanBootLoaderDataLines eeprom = checked.image.GetEEPROM();
        lines = flash.size() + eeprom.size();
        benchmark::DoNotOptimize(flash.data());
        benchmark::DoNotOptimize(eeprom.data());
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_CutLines);

// The demo package behind a stand-in program, in a temporary file removed at exit.
std::string MakeDemoPackageFile() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zev-microbench-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return "";
    ::close(fd);
    const ABytes program(4u << 20, 0x90);
    const ABytes file = AppendPackage(program, MakeDemoPayload(TDemoFirmware{}));
    std::ofstream out(pattern, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return out ? pattern : "";
}

} // namespace

int main(int argc, char** argv) {
    // Our own option first; the rest belongs to Google Benchmark.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--package=", 10) == 0)
            gPackageFile = argv[i] + 10;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    bool temporary = false;
    if (gPackageFile.empty()) {
        gPackageFile = MakeDemoPackageFile();
        temporary = true;
        if (gPackageFile.empty()) {
            std::fprintf(stderr, "zev-microbench: cannot write a temporary package file\n");
            return 1;
        }
    }
    ABytes payload;
    bool usable = false;
    try {
        usable = ReadPackageFromFile(gPackageFile, payload);
        if (usable) CheckPackage(payload);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zev-microbench: %s: %s\n", gPackageFile.c_str(), e.what());
        usable = false;
    }
    int status = 1;
    if (!usable) {
        std::fprintf(stderr, "zev-microbench: %s holds no valid update package\n",
                     gPackageFile.c_str());
    } else {
        benchmark::Initialize(&argc, argv);
        if (!benchmark::ReportUnrecognizedArguments(argc, argv)) {
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
            status = 0;
        }
    }
    if (temporary) std::filesystem::remove(gPackageFile);
    return status;
}
