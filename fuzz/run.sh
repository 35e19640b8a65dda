#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, each from its seed corpus in fuzz/corpus/<name>/.
# Every file there is replayed first: the seeds and the regression inputs (regress-*, inputs that
# once broke the target), so a regression fails the run before any new input is tried. New
# inputs go to a scratch folder, so the run leaves the source tree as it was; a crash is copied
# to fuzz/out/findings/ (keep it, once understood and fixed, as fuzz/corpus/<name>/regress-<what>).
#
#   fuzz/run.sh [build-dir] [seconds-per-target]      (defaults: build-fuzz, 12)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-12}
targets="block_container intel_hex answer_frame ini_load package_trailer"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
printf '%-18s %10s %8s %8s %s\n' target runs seconds corpus result
for t in $targets; do
    bin="$build/bin/fuzz_$t"
    mkdir -p "$work/$t" "$work/$t-art"
    start=$(date +%s)
    set +e
    TMPDIR="$work" "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=4096 -print_final_stats=1 -artifact_prefix="$work/$t-art/" \
        "$work/$t" "fuzz/corpus/$t" >"$work/$t.log" 2>&1
    rc=$?
    set -e
    took=$(($(date +%s) - start))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -1)
    corpus=$(find "$work/$t" "fuzz/corpus/$t" -type f | wc -l)
    if [ "$rc" -eq 0 ]; then
        result=ok
    else
        result="FAILED (exit $rc)"
        failed=1
        mkdir -p fuzz/out/findings
        cp "$work/$t-art/"* fuzz/out/findings/ 2>/dev/null || true
        tail -40 "$work/$t.log" >&2
    fi
    printf '%-18s %10s %8s %8s %s\n' "$t" "${runs:-?}" "$took" "$corpus" "$result"
done
exit "$failed"
