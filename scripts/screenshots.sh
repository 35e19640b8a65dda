#!/usr/bin/env bash
# Regenerates the window pictures of docs/screenshots: the Qt window tests draw the window on
# the offscreen platform at each step (searching, the device list in English and in Russian, a
# finished run with one failure, a failed row's reason under the pointer, the hint of a search
# that finds nothing) and save it when
# ZEV_SCREENSHOT_DIR is set.
#
# Environment: ZEV_BUILD_DIR (default build), ZEV_JOBS (default: all processors).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZEV_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target gui_qt -j"${ZEV_JOBS:-$(nproc)}"
mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen ZEV_SCREENSHOT_DIR="$(pwd)/docs/screenshots" \
    "$build/bin/gui_qt" --gtest_filter='QtRunTest.SearchingShowsTheMarquee:QtRunTest.OneDeviceFailingOnTheRealWindow:QtRunTest.RussianDeviceList:QtRunTest.TheFailedRowComesIntoViewAndShowsWhyOnHover:QtSearchHintTest.*'
ls docs/screenshots
