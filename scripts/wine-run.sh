#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine, safely.
#
#   wine-run.sh [--prefix DIR] [--com N=TTY]... [--] program.exe [arguments...]
#
#   --prefix DIR  the Wine prefix to use (default: $ZEV_WINEPREFIX, else .wineprefix beside the
#                 program). It is created on first use.
#   --com N=TTY   maps the port COMN to the terminal TTY for this run (a pseudo-terminal such as
#                 /dev/pts/7, or a link to one). The port then appears in
#                 HKLM\HARDWARE\DEVICEMAP\SERIALCOMM and the serial calls reach the terminal.
#
# Wine maps COM1, COM2, ... to /dev/ttyS* by itself, and on our machines /dev/ttyS0 is the system
# console: nothing may ever write to it. So Wine (its server included) runs in a private mount
# namespace in which every /dev/ttyS* is /dev/null, and the run is refused when that fails.
#
# Runs share the prefix. A run with --com has it to itself: it waits for the other runs to end
# (and they wait for it), restarts the Wine server so that the mapping takes effect, and removes
# the mapping again at its end.
#
# The exit status is the program's. Environment: ZEV_WINE picks another loader than wine64
# (the same prefix serves it); WINEDEBUG is -all unless set.
#
# Only 64-bit (x86-64) Windows programs run here: 64-bit Wine starts a 32-bit program without
# running it and reports success. Such a program, or a file that is no Windows program at all,
# is refused with status 77 before Wine starts (ctest counts that status as "not run"); every
# other failure of the script itself ends with status 125.
set -euo pipefail

die() {
    echo "wine-run.sh: $*" >&2
    exit 125
}

# The machine field of a Windows program's PE header, as four hex digits ("8664" for x86-64,
# "014c" for i386); empty when the file is not a PE program.
pe_machine() {
    local at
    [ "$(od -An -c -N2 "$1" | tr -d ' ')" = MZ ] || return 0
    at=$(od -An -t u4 -j 60 -N4 "$1" | tr -d ' ')
    [ -n "$at" ] || return 0
    [ "$(od -An -t x1 -j "$at" -N4 "$1" | tr -d ' ')" = 50450000 ] || return 0
    od -An -t x2 -j $((at + 4)) -N2 --endian=little "$1" | tr -d ' '
}

# --- arguments -------------------------------------------------------------------------------
prefix="${ZEV_WINEPREFIX:-}"
coms=()
while [ $# -gt 0 ]; do
    case "$1" in
    --prefix)
        [ $# -ge 2 ] || die "--prefix needs a directory"
        prefix="$2"
        shift 2
        ;;
    --com)
        [ $# -ge 2 ] || die "--com needs N=TTY"
        coms+=("$2")
        shift 2
        ;;
    --)
        shift
        break
        ;;
    -*) die "unknown option $1" ;;
    *) break ;;
    esac
done
[ $# -ge 1 ] || die "no program given"
program="$1"
shift
[ -f "$program" ] || die "no such program: $program"
case "$(pe_machine "$program")" in
8664) ;;
014c)
    echo "wine-run.sh: $program is a 32-bit (i386) Windows program; only 64-bit Wine is" \
        "installed, which cannot run it: not run (test the 64-bit build)" >&2
    exit 77
    ;;
"")
    echo "wine-run.sh: $program is not a Windows program (no PE header): not run" >&2
    exit 77
    ;;
*)
    echo "wine-run.sh: $program is a Windows program for machine 0x$(pe_machine "$program")," \
        "not x86-64: not run" >&2
    exit 77
    ;;
esac
[ -n "$prefix" ] || prefix="$(dirname "$program")/.wineprefix"

# --- the private mount namespace -------------------------------------------------------------
# The script starts itself again inside a new mount namespace (same process, through exec), and
# tells the second start which namespace it came from; the masking below happens only in another.
own_ns="$(readlink /proc/self/ns/mnt)"
from="${ZEV_WINE_FROM_NS:-}"
if [[ "$from" != "$$:"* ]]; then
    ns=(unshare --mount --propagation private)
    if [ "$(id -u)" -ne 0 ]; then
        # Masking needs root: a user namespace gives it. Wine itself then runs as the user again.
        ns+=(--user --map-root-user)
        ZEV_WINE_AS="$(id -u):$(id -g)"
        export ZEV_WINE_AS
    fi
    com_args=()
    for c in "${coms[@]}"; do com_args+=(--com "$c"); done
    ZEV_WINE_FROM_NS="$$:$own_ns" exec "${ns[@]}" bash "$(readlink -f "$0")" \
        --prefix "$prefix" "${com_args[@]}" -- "$program" "$@"
fi
[ "${from#*:}" != "$own_ns" ] || die "could not enter a private mount namespace"
unset ZEV_WINE_FROM_NS
as_user=()
if [ -n "${ZEV_WINE_AS:-}" ]; then
    as_user=(unshare --user --map-user="${ZEV_WINE_AS%%:*}" --map-group="${ZEV_WINE_AS#*:}")
    unset ZEV_WINE_AS
fi

null_id="$(stat -L -c %t:%T /dev/null)"
for tty in /dev/ttyS*; do
    [ -e "$tty" ] || continue
    mount --bind /dev/null "$tty" || die "cannot mask $tty"
    [ "$(stat -L -c %t:%T "$tty")" = "$null_id" ] || die "$tty is still a terminal"
done

# --- the prefix and its lock -----------------------------------------------------------------
wine="${ZEV_WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}"
[ -x "$wine" ] || command -v "$wine" >/dev/null || die "no Wine loader ($wine)"
command -v wineserver >/dev/null || die "no wineserver"
mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer dialogs
ready="$prefix/.zev-ready"
mapped="$prefix/.zev-com-mapped"
ports_key='HKLM\Software\Wine\Ports'

exec 9>"$prefix.lock"

stop_server() {
    "${as_user[@]}" wineserver -k 2>/dev/null || true
    "${as_user[@]}" wineserver -w 2>/dev/null || true
}

# Removes every COM mapping made by an earlier run, also one that ended without cleaning up.
unmap_ports() {
    "${as_user[@]}" "$wine" reg delete "$ports_key" /f >/dev/null 2>&1 9>&- || true
    stop_server
    rm -f "$prefix"/dosdevices/com[0-9]*
    rm -f "$mapped"
}

# Called with the exclusive lock held.
prepare_prefix() {
    if [ ! -f "$ready" ]; then
        echo "wine-run.sh: creating the Wine prefix $prefix" >&2
        "${as_user[@]}" "$wine" wineboot -i >/dev/null 2>&1 9>&- || true
        stop_server
        [ -f "$prefix/system.reg" ] || die "wineboot did not create the prefix $prefix"
        touch "$ready"
    fi
    [ ! -e "$mapped" ] || unmap_ports
}

if [ ${#coms[@]} -eq 0 ]; then
    if [ ! -f "$ready" ] || [ -e "$mapped" ]; then
        flock -x 9
        prepare_prefix
    fi
    flock -s 9
    rc=0
    "${as_user[@]}" "$wine" "$program" "$@" 9>&- || rc=$?
    exit "$rc"
fi

# --- a run with mapped ports -----------------------------------------------------------------
flock -x 9
prepare_prefix
declare -A seen=()
for mapping in "${coms[@]}"; do
    n="${mapping%%=*}"
    tty="${mapping#*=}"
    [[ "$mapping" == *=* && "$n" =~ ^[1-9][0-9]{0,2}$ && "$n" -le 256 ]] ||
        die "--com wants N=TTY with N from 1 to 256, not '$mapping'"
    [ -z "${seen[$n]:-}" ] || die "COM$n is mapped twice"
    seen[$n]=1
    real="$(readlink -f "$tty")" || die "no such terminal: $tty"
    [[ "$real" == /dev/pts/[0-9]* ]] || die "$tty is not a pseudo-terminal; only those are mapped"
    [ -c "$real" ] || die "no such terminal: $tty"
done

touch "$mapped"
trap unmap_ports EXIT
# Every mapping in one registry import: one start of Wine whatever the number of ports (a
# "reg add" per port started Wine once for each). The file lies in the prefix's own drive C:,
# where reg.exe finds it by a Windows path.
reg_file="$prefix/drive_c/zev-com-ports.reg"
{
    printf 'REGEDIT4\r\n\r\n[%s]\r\n' 'HKEY_LOCAL_MACHINE\Software\Wine\Ports'
    for mapping in "${coms[@]}"; do
        printf '"COM%s"="%s"\r\n' "${mapping%%=*}" "$(readlink -f "${mapping#*=}")"
    done
    printf '\r\n'
} >"$reg_file"
"${as_user[@]}" "$wine" reg import 'C:\zev-com-ports.reg' >/dev/null 2>&1 9>&- ||
    die "cannot map the COM ports (reg import failed)"
rm -f "$reg_file"
stop_server # the server reads the ports when it starts

rc=0
"${as_user[@]}" "$wine" "$program" "$@" 9>&- || rc=$?
exit "$rc"
