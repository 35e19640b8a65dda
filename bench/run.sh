#!/usr/bin/env bash
# Runs every benchmark and writes bench/RESULTS.md (about a quarter of an hour: six headless
# updates of about 30 s, and the real windows writing 1, 64 and 256 devices).
#
#   bash bench/run.sh                  build in build-bench (Release) and write bench/RESULTS.md
#   bash bench/run.sh --smoke BUILD    build the benchmarks in the configured folder BUILD and run
#                                      each once at its smallest size; writes no report and judges
#                                      no time (a failed worker or a crash still fails it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

smoke=0
build="$root/build-bench"
if [ "${1-}" = "--smoke" ]; then
    smoke=1
    build="${2:?--smoke needs the build folder}"
elif [ $# -gt 0 ]; then
    echo "usage: bench/run.sh [--smoke BUILD]" >&2
    exit 2
fi

if [ $smoke -eq 0 ]; then
    # Release at -O2: g++ 12 at -O3 reports false overlaps inside std::string (-Wrestrict and
    # friends) that -Werror turns into build failures. The Qt window is built too: its runs
    # are benchmarks of their own.
    if [ ! -f "$build/CMakeCache.txt" ] || ! grep -q '^ZEV_GUI:BOOL=ON' "$build/CMakeCache.txt"; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
            -DZEV_TESTS=OFF -DZEV_GUI=ON >/dev/null
    fi
    cmake --build "$build" -j2 --target zev-bench zev-microbench zev-pack zev-devsim zev-programmer
else
    cmake --build "$build" -j2 --target zev-bench zev-microbench zev-pack zev-devsim
fi
bin="$build/bin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The demo package, appended to a stand-in program as the updater would carry it.
"$bin/zev-pack" build --exe "$bin/zev-bench" --hex samples/demo-firmware.hex -o "$work/package" \
    >"$work/pack.txt"
package="$work/package"

# bench NAME ARGS...: one zev-bench run, its key=value output kept in $work/NAME and shown;
# false when the run failed.
bench() {
    local name=$1
    shift
    echo "== zev-bench $*" >&2
    local ok=0
    "$bin/zev-bench" "$@" >"$work/$name" || ok=1
    cat "$work/$name" >&2
    return $ok
}

# run NAME ARGS...: a run that must succeed; a failure ends the script.
run() {
    bench "$@" && return 0
    echo "zev-bench ${*:2} failed" >&2
    exit 1
}

# try_run NAME ARGS...: the same, but a failed run is reported and left out instead of ending
# the script (the windows' runs depend on a display, xdotool and Wine).
try_run() {
    bench "$@" && return 0
    echo "zev-bench ${*:2} failed; its row is marked so" >&2
    mv "$work/$1" "$work/$1.failed"
}

if [ $smoke -eq 1 ]; then
    run reference reference --package "$package"
    run update1 update -n 1 --package "$package"
    run session session -n 1 --package "$package"
    run search16 search -n 16 --repeat 1
    run present present --repeat 1
    "$bin/zev-microbench" --package="$package" --benchmark_min_time=0.01 >&2
    echo "benchmark smoke run: every headless scenario ran once (the window scenario is not run)" >&2
    exit 0
fi

# The real windows: the Qt program, and the Windows program under Wine where a Windows build
# of it can be made (mingw-w64 and Wine installed). Each packed with the demo firmware.
"$bin/zev-pack" build --exe "$bin/zev-programmer" --hex samples/demo-firmware.hex -o "$work/updater" \
    >/dev/null
win_build="$root/build-bench-win64"
wine_ok=0
if command -v x86_64-w64-mingw32-g++ >/dev/null &&
    { command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || [ -n "${ZEV_WINE:-}" ]; }; then
    if [ ! -f "$win_build/CMakeCache.txt" ]; then
        cmake -S . -B "$win_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
            -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
            -DZEV_TESTS=OFF -DZEV_BENCH=OFF >/dev/null
    fi
    if cmake --build "$win_build" -j2 --target ZEVProgrammer >&2; then
        "$bin/zev-pack" build --exe "$win_build/bin/ZEVProgrammer.exe" --hex samples/demo-firmware.hex \
            -o "$work/updater.exe" >/dev/null && wine_ok=1
    fi
fi

# loads: the 1-minute load average before each run, "name=load" per line.
: >"$work/loads"
load_start=$(cut -d' ' -f1 /proc/loadavg)
note_load() { echo "$1=$(cut -d' ' -f1 /proc/loadavg)" >>"$work/loads"; }
run reference reference --package "$package"
for n in 1 4 16 64 128 256; do
    note_load "update$n"
    run "update$n" update -n "$n" --package "$package"
done
run session session -n 200 --package "$package"
for n in 16 64 256; do
    note_load "search$n"
    run "search$n" search -n "$n" --repeat 5
done
run present present --repeat 10
for n in 1 64 256; do
    note_load "qt$n"
    try_run "qt$n" window -n "$n" --package "$work/updater" --program "$work/updater"
done
if [ $wine_ok -eq 1 ]; then
    # A prefix kept with the Windows build: building one takes a while.
    export ZEV_WINEPREFIX="$win_build/.wineprefix-bench"
    for n in 1 64 256; do
        note_load "wine$n"
        try_run "wine$n" window -n "$n" --package "$work/updater.exe" --program "$work/updater.exe" \
            --wine-run "$root/scripts/wine-run.sh"
    done
fi
"$bin/zev-microbench" --package="$package" --benchmark_min_time=0.2 >"$work/micro.txt" 2>&1
load_end=$(cut -d' ' -f1 /proc/loadavg)

# val NAME KEY: one figure of a run.
val() { sed -n "s/^$2=//p" "$work/$1" | head -n1; }
# calc EXPR [FORMAT]: arithmetic with decimals, printed with FORMAT (default three decimals).
calc() { awk "BEGIN { printf \"${2:-%.3f}\", $1 }"; }
# verdict VALUE OP LIMIT: "met" or "missed".
verdict() { awk -v v="$1" -v l="$3" "BEGIN { print ((v $2 l) ? \"met\" : \"**missed**\") }"; }
# both RATIO LIMIT WRITTEN DEVICES: met when RATIO <= LIMIT and every device was written.
both() { awk -v r="$1" -v l="$2" -v w="${3:-0}" -v n="$4" 'BEGIN { print ((r <= l && w == n) ? "met" : "**missed**") }'; }

wall1=$(val update1 wall_ms)
cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
mem=$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
compiler_version=$("$compiler" --version | head -n1)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
build_flags=$(sed -n 's/^CMAKE_CXX_FLAGS_RELEASE:[A-Z]*=//p' "$build/CMakeCache.txt")

{
cat <<HEAD
# Benchmark results

Written by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), all figures from that one run.

Machine: ${cpu_model:-unknown CPU}, $(nproc) cores, $mem, Linux $(uname -r); $compiler_version,
build type $build_type ($build_flags). Load average (1 min) $load_start at the start and $load_end
at the end: the machine is shared with other builds, so the figures carry their noise.

Set-up: \`zev-bench\` runs the real search and programming workers (the window's code, without a
window: a headless main-thread loop serves their event callbacks) against \`zev-devsim\` devices in
a separate process, paced like a 19200-baud line (1920 bytes a second each way) with device times
of 1 ms (identity), 5 ms (flash line), 100 ms (EEPROM line) and 20 ms (reset). Each update first
searches the devices, as the window does, then writes the demo package to all of them at once;
every device's memory is compared with the package afterwards. CPU time and peak RSS are those of
the benchmark process only (getrusage); the simulator's are counted apart (wait4).

## One update of the demo package

$(val reference flash_lines) flash lines of 64 bytes, $(val reference eeprom_lines) EEPROM lines of 32 bytes; $(val reference exchanges) exchanges (identity, lines, reset) with
$(val reference request_bytes) request bytes and $(val reference answer_bytes) answer bytes.

| reference | whole update | one flash line | one EEPROM line |
|---|---:|---:|---:|
| line limit: every byte at 1920 B/s + device times | $(calc "$(val reference limit_ms) / 1000") s | $(val reference flash_line_limit_ms) ms | $(val reference eeprom_line_limit_ms) ms |
| protocol floor: the session algorithm with a host that costs nothing (+ 200 ms before the reset) | $(calc "$(val reference floor_ms) / 1000") s | $(val reference flash_line_floor_ms) ms | $(val reference eeprom_line_floor_ms) ms |

| figure | 1 device |
|---|---:|
| wall time | $(calc "$wall1 / 1000") s |
| wall / floor | $(val update1 wall_per_floor) |
| wall / limit | $(val update1 wall_per_limit) |
| (wall − floor) per exchange | $(calc "($wall1 - $(val update1 floor_ms)) / $(val update1 exchanges)" %.2f) ms |
| CPU time of the benchmark process | $(val update1 cpu_ms_per_device) ms |
| CPU, % of one core | $(val update1 cpu_pct_per_device) % |
| peak RSS | $(calc "$(val update1 maxrss_kb) / 1024" %.1f) MiB |

Where the time over the floor goes: one controller alone (no worker, no main thread) wrote
$(val session flash_lines) flash lines to one device in exchanges of $(val session flash_line_mean_ms) ms on average (min $(val session flash_line_min_ms),
max $(val session flash_line_max_ms); floor $(val session flash_line_floor_ms)). The session's two sleeps, timed right after on this machine:
the pause after writing, SleepMs($(val session pause_ms)), lasted $(val session sleep_pause_mean_ms) ms on average (min $(val session sleep_pause_min_ms), max
$(val session sleep_pause_max_ms)); a poll interval, SleepMs(1), $(val session sleep_1_mean_ms) ms (min $(val session sleep_1_min_ms), max $(val session sleep_1_max_ms)).

## Devices updated at once

| devices | wall s | wall(N)/wall(1) | wall/floor | wall/limit | (wall − floor) per exchange ms | per device: wall min–max s | CPU s | CPU per device ms | CPU per device, % of a core | CPU per exchange µs | context switches per exchange | peak RSS MiB | simulator CPU s | load at start | ports searched again | written and verified |
|---:|---:|---:|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|
HEAD
for n in 1 4 16 64 128 256; do
    f="update$n"
    echo "| $n | $(calc "$(val $f wall_ms) / 1000") | $(calc "$(val $f wall_ms) / $wall1" %.4f) | $(val $f wall_per_floor) | $(val $f wall_per_limit) | $(calc "($(val $f wall_ms) - $(val $f floor_ms)) / $(val $f exchanges)" %.2f) | $(calc "$(val $f device_wall_min_ms) / 1000")–$(calc "$(val $f device_wall_max_ms) / 1000") | $(val $f cpu_s) | $(val $f cpu_ms_per_device) | $(val $f cpu_pct_per_device) | $(val $f cpu_us_per_exchange) | $(val $f switches_per_exchange) | $(calc "$(val $f maxrss_kb) / 1024" %.1f) | $(val $f sim_cpu_s) | $(val loads $f) | $(val $f search_repeats) | $(val $f verified)/$n |"
done
cat <<SEARCH

## Search

A silent port costs the search profile three attempts of 300 ms (waiting for a first byte) +
400 ms (pause): $(val search16 expected_ms) ms. Five rounds each; a round is timed from the first worker's
start to the last worker's report.

| silent ports | round ms, median | round / $(val search16 expected_ms) ms | rounds ms, in order | per port min–max ms | CPU s per round | peak RSS MiB | load at start | all reported failed |
|---:|---:|---:|---|---|---:|---:|---:|---:|
SEARCH
for n in 16 64 256; do
    f="search$n"
    echo "| $n | $(val $f round_median_ms) | $(val $f round_per_expected) | $(val $f rounds_ms) | $(val $f port_min_ms)–$(val $f port_max_ms) | $(val $f cpu_s_per_round) | $(calc "$(val $f maxrss_kb) / 1024" %.1f) | $(val loads $f) | $(val $f failed)/$((n * $(val $f rounds))) |"
done
cat <<PRESENT

A device that answers at once (paced, identity answer of 59 bytes): from the search worker's start
to its \`evDone\` on the main thread, $(val present searches) searches, $(val present found) found: min
$(val present found_min_ms) ms, median $(val present found_median_ms) ms, max $(val present found_max_ms) ms. The identity exchange alone: line limit
$(val present identity_limit_ms) ms, protocol floor $(val present identity_floor_ms) ms.

## The real windows

The packed updater itself (the demo package) on a virtual X display (Xvfb), its buttons pressed
with xdotool, against the same paced devices: the Qt program, and the Windows program under Wine
(64-bit build, COM ports mapped to the devices' terminals). Times are the devices' own: from the
identity request that opens a device's run to its reset, as zev-devsim saw them cross the line;
the run is the first device's start to the last device's reset. CPU time is the program's
(all its threads) from the press of "Next" to the end of its last worker; peak RSS its VmHWM.
How the devices' answers went out, from the simulator's side: the most any answer byte left
after it was due, and how many identity answers paused 100 ms or more (the search's packet gap)
between two of their bytes.

| window | devices | run s | run(N)/run(1) | per device: run min–max s | CPU s | CPU per device ms | CPU per device, % of a core | peak RSS MiB | simulator CPU s | answer byte latest ms | identity answers paused ≥ 100 ms | load at start | written and verified |
|---|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|
PRESENT
for kind in qt wine; do
    label=Qt
    [ $kind = wine ] && label="Win32 (Wine)"
    for n in 1 64 256; do
        f="$kind$n"
        if [ ! -s "$work/$f" ] || [ -z "$(val $f wall_ms)" ]; then
            if [ -e "$work/$f.failed" ]; then why="failed"; else why="not run: no Windows build or Wine"; fi
            echo "| $label | $n | $why | | | | | | | | | | | |"
            continue
        fi
        one=$(val "${kind}1" wall_ms)
        echo "| $label | $n | $(calc "$(val $f wall_ms) / 1000") | $(calc "$(val $f wall_ms) / ${one:-0}" %.4f) | $(calc "$(val $f device_wall_min_ms) / 1000")–$(calc "$(val $f device_wall_max_ms) / 1000") | $(val $f cpu_s) | $(val $f cpu_ms_per_device) | $(val $f cpu_pct_per_device) | $(calc "$(val $f maxrss_kb) / 1024" %.1f) | $(val $f sim_cpu_s) | $(val $f answer_late_max_ms) | $(val $f identity_answers_paused_100ms)/$(val $f identity_answers) | $(val loads $f) | $(val $f verified)/$n |"
    done
done
cat <<TARGETS

## Targets

| target | figure | verdict |
|---|---|---|
| one device: wall/floor ≤ 1.03 | $(val update1 wall_per_floor) | $(verdict "$(val update1 wall_per_floor)" "<=" 1.03) |
| 64 devices: wall(64)/wall(1) ≤ 1.10 | $(calc "$(val update64 wall_ms) / $wall1" %.4f) | $(verdict "$(calc "$(val update64 wall_ms) / $wall1" %.4f)" "<=" 1.10) |
| 64 devices: CPU ≤ 1 % of one core per device while writing | $(val update64 cpu_pct_per_device) % | $(verdict "$(val update64 cpu_pct_per_device)" "<=" 1) |
| 64 devices: peak RSS ≤ 64 MB (62 500 KiB) | $(calc "$(val update64 maxrss_kb) / 1024" %.1f) MiB | $(verdict "$(val update64 maxrss_kb)" "<=" 62500) |
| search round over 64 silent ports ≤ 2.2 s (median of 5; slowest $(val search64 round_max_ms) ms) | $(calc "$(val search64 round_median_ms) / 1000") s | $(verdict "$(val search64 round_median_ms)" "<=" 2200) |
| present device reported ≤ 150 ms after the search start | max $(val present found_max_ms) ms | $(verdict "$(val present found_max_ms)" "<=" 150) |
| 256 devices: wall(256)/wall(1) ≤ 1.05, all verified ($(val update256 verified)/256) | $(calc "$(val update256 wall_ms) / $wall1" %.4f) | $(verdict "$(calc "$(val update256 wall_ms) / $wall1" %.4f)" "<=" 1.05) |
| 256 devices: CPU ≤ 0.2 % of one core per device while writing | $(val update256 cpu_pct_per_device) % | $(verdict "$(val update256 cpu_pct_per_device)" "<=" 0.2) |
| search round over 256 silent ports ≤ 2.3 s (median of 5; slowest $(val search256 round_max_ms) ms) | $(calc "$(val search256 round_median_ms) / 1000") s | $(verdict "$(val search256 round_median_ms)" "<=" 2300) |
| Qt window, 64 devices: run(64)/run(1) ≤ 1.05, every device written ($(val qt64 verified)/64) | $(calc "$(val qt64 wall_ms) / $(val qt1 wall_ms)" %.4f) | $(both "$(calc "$(val qt64 wall_ms) / $(val qt1 wall_ms)" %.4f)" 1.05 "$(val qt64 verified)" 64) |
| Qt window, 256 devices: run(256)/run(1) ≤ 1.10, every device written ($(val qt256 verified)/256) | $(calc "$(val qt256 wall_ms) / $(val qt1 wall_ms)" %.4f) | $(both "$(calc "$(val qt256 wall_ms) / $(val qt1 wall_ms)" %.4f)" 1.10 "$(val qt256 verified)" 256) |

## Micro-benchmarks (Google Benchmark)

\`\`\`
$(grep -v -e '^[0-9]\{4\}-' -e '^Running ' "$work/micro.txt")
\`\`\`

TARGETS
cat bench/notes.md
} >bench/RESULTS.md
echo "wrote bench/RESULTS.md" >&2
