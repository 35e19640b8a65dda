#!/usr/bin/env bash
# Checks a Windows program before it ships:
#
#   check-win32-exe.sh [--machine i386|x86-64] [--tool] PROGRAM.exe
#
#   - it imports only KnownDLLs, which Windows always takes from its system folder, and comctl32,
#     which the manifest takes from WinSxS: one file, nothing to install beside it, and no DLL
#     placed beside it (in a downloads folder) is loaded into it before its first line runs;
#   - its manifest is embedded (resource RT_MANIFEST 1) and asks for administrator rights,
#     per-monitor DPI awareness and version 6 of the common controls; with --tool (zev-pack.exe,
#     a console program) it asks for the user's own rights instead and the program is a console
#     program;
#   - with --machine, it is built for that processor (i386 for the 32-bit release file).
#
# Prints what it found; exit status 1 when a check fails, 2 on wrong usage.
set -euo pipefail

die() {
    echo "check-win32-exe.sh: $*" >&2
    exit 2
}

machine=""
if [ "${1:-}" = --machine ]; then
    [ $# -ge 2 ] || die "--machine needs i386 or x86-64"
    machine="$2"
    shift 2
fi
tool_mode=0
if [ "${1:-}" = --tool ]; then
    tool_mode=1
    shift
fi
[ $# -eq 1 ] || die "usage: check-win32-exe.sh [--machine i386|x86-64] [--tool] PROGRAM.exe"
exe="$1"
[ -f "$exe" ] || die "no such file: $exe"

tool() { # a mingw-w64 binutils tool; the 64-bit ones read 32-bit programs too
    for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
        if command -v "$triple-$1" >/dev/null; then
            echo "$triple-$1"
            return
        fi
    done
    die "no mingw-w64 $1"
}
objdump=$(tool objdump)
windres=$(tool windres)

# The KnownDLLs of every Windows from 7 on (the registry's Session Manager\KnownDLLs; ntdll is in
# every process before anything else), and comctl32, which the manifest's dependency on the common
# controls 6.0 takes from WinSxS. Any other DLL is looked for in the program's own folder first:
# msimg32, version, uxtheme, dwmapi, winmm, shcore (a KnownDLL only from Windows 8.1) and the like
# must be looked up at run time from the system folder, never imported.
known_dlls="advapi32 comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ntdll ole32
    oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32"
manifest_dlls="comctl32"

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

headers=$("$objdump" -p "$exe" 2>/dev/null) || die "$exe is not a Windows program"
format=$("$objdump" -f "$exe" | sed -n 's/.*file format //p')
echo "format: $format"
case "$machine" in
"") ;;
i386) [ "$format" = pei-i386 ] || fail "not a 32-bit (i386) program" ;;
x86-64) [ "$format" = pei-x86-64 ] || fail "not a 64-bit (x86-64) program" ;;
*) die "unknown machine $machine" ;;
esac

dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
    name="${dll%.dll}"
    if [[ " $(echo $known_dlls) " == *" $name "* ]]; then
        echo "import: $dll (KnownDLL)"
    elif [[ " $manifest_dlls " == *" $name "* ]]; then
        echo "import: $dll (WinSxS, through the manifest)"
    else
        fail "import of $dll, which is no KnownDLL: Windows would load a $dll placed beside the program"
    fi
done

resources=$("$windres" -J coff -O rc -i "$exe" 2>/dev/null) || fail "cannot read the resources"
if grep -Eq '^1 24( |$)' <<<"$resources"; then
    echo "manifest: embedded"
    if [ "$tool_mode" -eq 1 ]; then
        wants=('level="asInvoker"')
    else
        wants=('level="requireAdministrator"' 'PerMonitorV2'
            'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"')
    fi
    for want in "${wants[@]}"; do
        # The manifest's text stands in the file as it was written.
        if LC_ALL=C grep -aqF "$want" "$exe" || LC_ALL=C tr -s ' \n' ' ' <"$exe" | grep -aqF "$want"; then
            echo "manifest: $want"
        else
            fail "the manifest lacks $want"
        fi
    done
else
    fail "no embedded manifest (resource RT_MANIFEST 1)"
fi

subsystem=$(sed -n 's/^Subsystem[[:space:]]*//p' <<<"$headers")
echo "subsystem: $subsystem"
if [ "$tool_mode" -eq 1 ]; then
    [[ "$subsystem" == *"Windows CUI"* ]] || fail "not a console program"
else
    [[ "$subsystem" == *"Windows GUI"* ]] || fail "not a windowed program"
fi

if [ "$failed" -ne 0 ]; then
    echo "check-win32-exe.sh: $exe FAILED"
    exit 1
fi
echo "check-win32-exe.sh: $exe OK"
