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
