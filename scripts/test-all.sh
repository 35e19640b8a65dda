#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build -j"$((jobs * 2))" --output-on-failure

# Benchmarks are not tests: build them and run each once at its smallest size, judging no time.
bash bench/run.sh --smoke build

# Second stage: the whole test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DZEV_SANITIZE=address,undefined -DZEV_GUI=OFF -DZEV_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -j"$((jobs * 2))" --output-on-failure

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

# Fuzzing: libFuzzer targets built with clang, address and undefined-behaviour sanitizers, each
# run for 12 seconds from its seed corpus (the regression inputs kept there run first).
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DZEV_FUZZ=ON -DZEV_SANITIZE=address,undefined \
    -DZEV_TESTS=OFF -DZEV_GUI=OFF -DZEV_BENCH=OFF
cmake --build build-fuzz -j"$jobs" --target fuzzers
bash fuzz/run.sh build-fuzz 12

# Third stage: the Windows program, cross-built with mingw-w64 for 32-bit (the product) and 64-bit
# Windows; the 64-bit tests run under Wine (64-bit Wine only) through scripts/wine-run.sh, which
# keeps Wine away from the machine's serial ports. Console tests need no display.
# The serial tests talk to simulated peers on pseudo-terminals mapped to COM ports.
win_units=(unit_core unit_platform unit_datafiles unit_threads unit_comport unit_bootloader)
for arch in i686 x86_64; do
    dir=build-win64
    [ "$arch" = x86_64 ] || dir=build-win32
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DZEV_GUI=OFF -DZEV_BENCH=OFF
    cmake --build "$dir" -j"$jobs" --target "${win_units[@]}" com_probe wine_serial
done
ctest --test-dir build-win64 -j"$jobs" --output-on-failure \
    -R "^($(IFS='|'; echo "${win_units[*]}")|wine_com_echo|wine_serial)\$"

# The Windows window. The 32-bit release file ZEVProgrammer.exe must be one file that imports
# only system DLLs and carries its manifest; so must the 64-bit program, whose window tests run
# under Wine on a virtual display. Then the 64-bit window end to end under Wine: the demo package
# appended, simulated devices on mapped COM ports, "Next" pressed, the devices' memory compared
# with the package (zev-pack and zev-devsim come from the first stage's build).
cmake -S . -B build-win32-gui -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DZEV_GUI=ON -DZEV_TESTS=OFF -DZEV_BENCH=OFF
cmake --build build-win32-gui -j"$jobs" --target ZEVProgrammer
bash scripts/check-win32-exe.sh --machine i386 build-win32-gui/bin/ZEVProgrammer.exe
cmake -S . -B build-win64-gui -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DZEV_GUI=ON -DZEV_BENCH=OFF
cmake --build build-win64-gui -j"$jobs" --target ZEVProgrammer gui_win32
bash scripts/check-win32-exe.sh --machine x86-64 build-win64-gui/bin/ZEVProgrammer.exe
ctest --test-dir build-win64-gui --output-on-failure -R '^gui_win32$'
python3 tests/gui/win32/e2e_wine.py --exe build-win64-gui/bin/ZEVProgrammer.exe \
    --pack build/bin/zev-pack --devsim build/bin/zev-devsim --hex samples/demo-firmware.hex
