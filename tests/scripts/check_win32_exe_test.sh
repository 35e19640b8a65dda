#!/usr/bin/env bash
# scripts/check-win32-exe.sh against two tiny windowed programs built here with mingw-w64, both
# with the updater's manifest: one draws with gdi32's GdiAlphaBlend and must pass; the other
# with AlphaBlend, which imports msimg32.dll (no KnownDLL: Windows would load one planted beside
# the program), and must fail, naming that import.
#
#   check_win32_exe_test.sh SOURCE_DIR
#
# Exit status 0 when the script judged both right, 1 otherwise, 77 (skipped) without mingw-w64.
set -euo pipefail
src="$1"
gcc=i686-w64-mingw32-gcc
windres=i686-w64-mingw32-windres
for tool in "$gcc" "$windres"; do
    if ! command -v "$tool" >/dev/null; then
        echo "*** SKIPPED: $tool is not installed (scripts/install-deps.sh installs mingw-w64) ***"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '1 24 "%s"\n' "$src/gui/win32/resources/ZEVProgrammer.manifest" >"$work/manifest.rc"
"$windres" -i "$work/manifest.rc" -o "$work/manifest.o"
for kind in GdiAlphaBlend AlphaBlend; do
    cat >"$work/$kind.c" <<C
#include <windows.h>
int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    (void)i; (void)p; (void)c; (void)s;
    return $kind(0, 0, 0, 1, 1, 0, 0, 0, 1, 1, blend);
}
C
    libs="-lgdi32"
    [ "$kind" = AlphaBlend ] && libs="-lmsimg32"
    "$gcc" -mwindows -o "$work/$kind.exe" "$work/$kind.c" "$work/manifest.o" $libs
done

failed=0
if ! good=$(bash "$src/scripts/check-win32-exe.sh" --machine i386 "$work/GdiAlphaBlend.exe"); then
    echo "FAIL: the program that imports only gdi32 and the system DLLs was refused:"
    echo "$good"
    failed=1
fi
status=0
bad=$(bash "$src/scripts/check-win32-exe.sh" --machine i386 "$work/AlphaBlend.exe") || status=$?
if [ "$status" -ne 1 ] || ! grep -q '^FAIL: import of msimg32.dll' <<<"$bad"; then
    echo "FAIL: the program that imports msimg32.dll was not refused for it (exit $status):"
    echo "$bad"
    failed=1
else
    grep '^FAIL' <<<"$bad"
fi
[ "$failed" -eq 0 ] && echo "check-win32-exe.sh: passes GdiAlphaBlend, refuses msimg32.dll"
exit "$failed"
