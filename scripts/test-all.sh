#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
stage() { echo; echo "==== $1 ($(date +%T))"; }

# Every build goes through ccache: objects that an earlier run on this machine compiled from the
# same sources with the same flags are taken from its cache, wherever the checkout lies
# (paths are hashed relative to it). A machine without a cache builds everything.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=8G
    ccache --zero-stats >/dev/null
fi

stage "Linux build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build -j"$((jobs * 2))" --output-on-failure

stage "Benchmark smoke run"
# Benchmarks are not tests: build them and run each once at its smallest size, judging no time.
bash bench/run.sh --smoke build

stage "AddressSanitizer and UndefinedBehaviorSanitizer"
# Second stage: the whole test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DZEV_SANITIZE=address,undefined -DZEV_GUI=OFF -DZEV_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -j"$((jobs * 2))" --output-on-failure

stage "ThreadSanitizer"
# The threaded tests again under ThreadSanitizer: worker threads, sessions on pseudo-terminals,
# the search and programming workers, the window's whole flow, the fault matrix and the soak.
tsan_tests=(unit_threads integration_comport integration_bootloader integration_app
            integration_faults integration_soak integration_closing)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEV_SANITIZE=thread -DZEV_GUI=OFF -DZEV_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target "${tsan_tests[@]}"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
build-tsan/bin/unit_threads
ctest --test-dir build-tsan -j"$((jobs * 2))" --output-on-failure -L 'integration|reliability'
unset TSAN_OPTIONS

stage "Fuzzing"
# Fuzzing: libFuzzer targets built with clang, address and undefined-behaviour sanitizers, each
# run for 12 seconds from its seed corpus (the regression inputs kept there run first).
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DZEV_FUZZ=ON -DZEV_SANITIZE=address,undefined \
    -DZEV_TESTS=OFF -DZEV_GUI=OFF -DZEV_BENCH=OFF
cmake --build build-fuzz -j"$jobs" --target fuzzers
bash fuzz/run.sh build-fuzz 12

stage "32-bit x86 Linux build and tests"
# The portable code built as 32-bit x86, as the 32-bit Windows program's code is (32-bit size_t,
# long and pointer): the libraries, the tools, the unit and the integration tests, run natively
# or, where the kernel runs no 32-bit programs, through qemu.
bash scripts/test-i386.sh build-i386

# Third stage: the Windows program, cross-built with mingw-w64. The 32-bit build (the product)
# gives the release file ZEVProgrammer.exe, which must be one file that imports only system DLLs
# and carries its manifest; 32-bit Wine is not installable here, so it is checked, not run. The
# 64-bit build of the same code carries the tests: unit tests, the serial tests against simulated
# peers on pseudo-terminals mapped to COM ports, the window tests on a virtual display, and the
# window end to end (the demo package appended, simulated devices on mapped COM ports, "Next"
# pressed, the devices' memory compared with the package; zev-pack and zev-devsim come from the
# first stage's build). Wine runs through scripts/wine-run.sh, which keeps it away from the
# machine's serial ports.
stage "Windows: 32-bit release file"
cmake -S . -B build-win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DZEV_GUI=ON -DZEV_TESTS=OFF -DZEV_BENCH=OFF
cmake --build build-win32 -j"$jobs" --target ZEVProgrammer zev-pack
bash scripts/check-win32-exe.sh --machine i386 build-win32/bin/ZEVProgrammer.exe
bash scripts/check-win32-exe.sh --machine i386 --tool build-win32/bin/zev-pack.exe
# 64-bit Wine cannot run them: wine-run.sh must refuse them (status 77, "not run"), never pass them.
rc=0; bash scripts/wine-run.sh -- build-win32/bin/zev-pack.exe 2>/dev/null || rc=$?; [ "$rc" -eq 77 ]

stage "Packages: the .deb and the .zip"
# The release packages from the trees built above: cpack in build (RelWithDebInfo, stripped on
# the way into the package, so the same code as a Release build without its debug information)
# and in build-win32. The .deb is installed with apt-get, tried from its installed files only
# (packing without --exe, the packed updater on Xvfb listing a simulated device, the message
# without a display) and removed; the .zip is unpacked and its programs checked.
bash scripts/test-packages.sh build build-win32

stage "Windows: 64-bit tests under Wine"
win_units=(unit_core unit_platform unit_datafiles unit_threads unit_comport unit_bootloader
           unit_app)
cmake -S . -B build-win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DZEV_GUI=ON -DZEV_BENCH=OFF
cmake --build build-win64 -j"$jobs" --target "${win_units[@]}" com_probe wine_serial \
    ZEVProgrammer gui_win32 zev-pack
bash scripts/check-win32-exe.sh --machine x86-64 build-win64/bin/ZEVProgrammer.exe
ctest --test-dir build-win64 -j"$jobs" --output-on-failure \
    -R "^($(IFS='|'; echo "${win_units[*]}")|wine_com_echo|wine_serial|gui_win32)\$"
# zev-pack.exe on a real toolchain's firmware: the same package bytes as the Linux zev-pack.
python3 tests/wine/zev_pack_wine.py --exe build-win64/bin/zev-pack.exe --linux build/bin/zev-pack \
    --updater build-win64/bin/ZEVProgrammer.exe --hex samples/toolchain/pump-1.hex
python3 tests/gui/win32/e2e_wine.py --exe build-win64/bin/ZEVProgrammer.exe \
    --pack build/bin/zev-pack --devsim build/bin/zev-devsim --hex samples/demo-firmware.hex --search-hint
# The same from an updater packed, then signed with a throwaway certificate.
python3 tests/gui/win32/e2e_wine.py --exe build-win64/bin/ZEVProgrammer.exe --sign \
    --pack build/bin/zev-pack --devsim build/bin/zev-devsim --hex samples/demo-firmware.hex

if command -v ccache >/dev/null; then
    echo "ccache: $(ccache --print-stats 2>/dev/null | awk -F'\t' '$1=="direct_cache_hit"||$1=="preprocessed_cache_hit"{h+=$2} $1=="cache_miss"{m=$2} END{print h+0 " objects from the cache, " m+0 " compiled"}')"
fi
stage "all stages passed"
