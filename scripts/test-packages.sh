#!/usr/bin/env bash
# The release packages, made and tried the way a publisher and a technician get them:
#
#   test-packages.sh [LINUX_BUILD_DIR [WIN32_BUILD_DIR]]      (default: build build-win32)
#
# Linux: "cpack -G DEB" in the Linux build directory (built already); the .deb must hold the
# programs, the desktop entry, the icon and the README, stripped, and depend on Qt and Qt's
# platform plugin. It is installed with apt-get (as root, or through sudo), and from the
# installed files only: the demo firmware packed by /usr/bin/zev-pack without --exe and checked
# with "zev-pack info"; the packed updater started on a virtual display (Xvfb) against one
# device of /usr/bin/zev-devsim until it lists the device (its title and window class and icon
# on the display; the device asked for its identity once and never again, which it is only when
# the search found it); the bare updater started with no display, which must say so and end
# with a status of its own. Then the package is removed.
# Windows: "cpack -G ZIP" in the 32-bit cross build directory (ZEVProgrammer and zev-pack
# built); the .zip unpacked and its programs checked with check-win32-exe.sh.
#
# Environment: ZEV_SCREENSHOT_DIR, when set, receives a screenshot of the listed device.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
linux=$(realpath "${1:-build}")
win32=$(realpath "${2:-build-win32}")

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

work=$(mktemp -d "${TMPDIR:-/tmp}/zev-packages.XXXXXX")
pids=()
installed=0
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ "$installed" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq zev-programmer >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "test-packages: $*" >&2
    exit 1
}
# Polls a command for up to $1 seconds.
within() {
    local seconds=$1
    shift
    for ((k = 0; k < seconds * 10; ++k)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

echo "-- the .deb"
rm -f "$linux"/zev-programmer_*.deb
(cd "$linux" && cpack -G DEB >"$work/cpack-deb.log" 2>&1) || { cat "$work/cpack-deb.log"; fail "cpack -G DEB failed"; }
debs=("$linux"/zev-programmer_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb"
deb=${debs[0]}
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for file in usr/bin/zev-pack usr/bin/zev-devsim usr/lib/zev-programmer/zev-programmer \
    usr/share/applications/zev-programmer.desktop \
    usr/share/icons/hicolor/256x256/apps/zev-programmer.png \
    usr/share/icons/hicolor/48x48/apps/zev-programmer.png usr/share/doc/zev-programmer/README.md; do
    grep -qx "\./$file" "$work/contents" || fail "the .deb holds no /$file"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dependency in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libc6 libstdc++6; do
    case ", $depends," in
    *", $dependency "* | *", $dependency,"*) ;;
    *) fail "the .deb does not depend on $dependency" ;;
    esac
done
dpkg-deb -x "$deb" "$work/unpacked"
for program in usr/bin/zev-pack usr/bin/zev-devsim usr/lib/zev-programmer/zev-programmer; do
    file -b "$work/unpacked/$program" | grep -q ', stripped' || fail "/$program is not stripped"
    ! readelf -S "$work/unpacked/$program" | grep -q '\.debug_' || fail "/$program carries debug information"
done

echo "-- installed with apt-get"
# A package of the same version left by an earlier run would keep its files: remove it first.
if dpkg-query -W -f='${Status}' zev-programmer 2>/dev/null | grep -q 'install ok installed'; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq zev-programmer >/dev/null
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install failed"; }
installed=1
/usr/bin/zev-pack --version
/usr/bin/zev-devsim --version

# The demo firmware, packed by the installed zev-pack with the installed updater.
updater="$work/ZEV-DEMO-1.05"
(cd "$work" && /usr/bin/zev-pack build --hex "$source_dir/samples/demo-firmware.hex" -o "$updater") |
    tee "$work/pack.log"
grep -q '^updater: /usr/lib/zev-programmer/zev-programmer ' "$work/pack.log" ||
    fail "zev-pack build did not take the installed updater"
/usr/bin/zev-pack info "$updater" >"$work/info.log" || { cat "$work/info.log"; fail "zev-pack info failed"; }
[ "$(tail -n 1 "$work/info.log")" = "check: OK" ] || { cat "$work/info.log"; fail "zev-pack info: not OK"; }
echo "zev-pack info: check: OK"

# No display: the updater's own message and status, not Qt's abort.
set +e
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/lib/zev-programmer/zev-programmer \
    >"$work/nodisplay.out" 2>"$work/nodisplay.err"
status=$?
set -e
[ "$status" -ne 0 ] && [ "$status" -lt 128 ] ||
    { cat "$work/nodisplay.err"; fail "with no display the updater ended with status $status"; }
grep -q 'needs a desktop session' "$work/nodisplay.err" && grep -q 'DISPLAY' "$work/nodisplay.err" ||
    { cat "$work/nodisplay.err"; fail "with no display the updater did not say what it needs"; }
echo "no display: status $status, \"$(head -n 1 "$work/nodisplay.err")\""

# One simulated device that takes the package, on a pseudo-terminal.
mkfifo "$work/sim.out"
/usr/bin/zev-devsim --die-with-parent --dump "$work/dump" -d pump -s dBootTypeP=0x0042 \
    -s dIspolnenieP=1 -s dPlateIzmP=2 -s dVerProg=1.04 -s dName=PUMP-104 -s dID=0x2A01 \
    >"$work/sim.out" 2>"$work/sim.err" &
sim=$!
pids+=("$sim")
pty=""
while read -r kind _ path _; do
    case $kind in
    device) pty=$path ;;
    ready) break ;;
    esac
done <"$work/sim.out"
[ -n "$pty" ] || { cat "$work/sim.err"; fail "zev-devsim did not start"; }
cat "$work/sim.out" >"$work/sim.lines" &
pids+=($!)
# The identity requests the device has had: the simulator writes its log on SIGUSR1.
dumps() { grep -c '^dumped' "$work/sim.lines" || true; }
dumped_since() { [ "$(dumps)" -gt "$1" ]; }
identities() {
    local before
    before=$(dumps)
    kill -USR1 "$sim"
    if ! within 20 dumped_since "$before"; then
        echo "test-packages: zev-devsim wrote no dump" >&2
        echo 0
        return
    fi
    grep -c '^I' "$work/dump/pump.log" || true
}

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
pids+=($!)
read -r -t 15 number <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$number"
ZEV_PORTS="$pty" QT_QPA_PLATFORM=xcb "$updater" >"$work/updater.log" 2>&1 &
program=$!
pids+=("$program")

window=""
find_window() { window=$(xdotool search --name '^ZEV-DEMO v\.1\.05 \(isp\.1, izm\.2\)$' 2>/dev/null | head -n 1); [ -n "$window" ]; }
within 20 find_window || { cat "$work/updater.log"; fail "no window titled with the package"; }
xprop -id "$window" WM_CLASS | grep -qx 'WM_CLASS(STRING) = "zev-programmer", "zev-programmer"' ||
    fail "window class: $(xprop -id "$window" WM_CLASS)"
# The icon's pixels as numbers: width and height first.
xprop -id "$window" -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 256, 256, ' ||
    fail "the window has no icon"
listed() { [ "$(identities)" -ge 1 ]; }
within 60 listed || { cat "$work/updater.log"; fail "the device was never asked for its identity"; }
# A search that found nothing starts again within a second; one that found the device lists it
# and asks nothing more.
sleep 3
kill -0 "$program" 2>/dev/null || { cat "$work/updater.log"; fail "the updater ended"; }
count=$(identities)
[ "$count" -eq 1 ] || fail "the device was asked for its identity $count times: the search did not list it"
if [ -n "${ZEV_SCREENSHOT_DIR:-}" ]; then
    import -window root "$ZEV_SCREENSHOT_DIR/package-listed.png"
fi
echo "updater on $DISPLAY: window $window, class zev-programmer, icon, device listed (1 identity request)"
kill "$program"

DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq zev-programmer >/dev/null
installed=0
[ ! -e /usr/bin/zev-pack ] || fail "apt-get remove left /usr/bin/zev-pack"
echo "removed"

echo "-- the .zip"
rm -f "$win32"/zev-programmer-*-win32.zip
(cd "$win32" && cpack -G ZIP >"$work/cpack-zip.log" 2>&1) || { cat "$work/cpack-zip.log"; fail "cpack -G ZIP failed"; }
zips=("$win32"/zev-programmer-*-win32.zip)
[ -f "${zips[0]}" ] || fail "cpack made no .zip"
echo "$(basename "${zips[0]}"): $(stat -c %s "${zips[0]}") bytes"
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "${zips[0]}")
folder=("$work"/zip/zev-programmer-*-win32)
for file in ZEVProgrammer.exe zev-pack.exe PUBLISHING.txt; do
    [ -f "${folder[0]}/$file" ] || fail "the .zip holds no $file"
done
grep -q 'zev-pack.exe build --hex' "${folder[0]}/PUBLISHING.txt" || fail "PUBLISHING.txt lacks the publisher's commands"
bash scripts/check-win32-exe.sh --machine i386 --tool "${folder[0]}/zev-pack.exe"
bash scripts/check-win32-exe.sh --machine i386 "${folder[0]}/ZEVProgrammer.exe"
echo "packages: OK"
