#!/usr/bin/env bash
# The demo: installs what is missing, builds, packs the demo firmware into the program, starts
# three simulated devices and opens the window. Without a display the window runs on a virtual
# one (Xvfb); the script says how to look at it.
#
#   one device with an older version     ticked, written when you press "Next"
#   one device with the same version     "update is not required"
#   one device of another type           "update not supported"
#
# The simulated devices keep their memory until the script ends, so starting the program again
# (the script offers it) shows the updated device as up to date.
#
# Environment: ZEV_BUILD_DIR (default build), ZEV_JOBS (default: all processors).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZEV_BUILD_DIR:-build}
jobs=${ZEV_JOBS:-$(nproc)}

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zev-programmer zev-pack zev-devsim -j"$jobs"

work=$(mktemp -d "${TMPDIR:-/tmp}/zev-demo.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The program with the demo firmware appended: ZEV-DEMO 1.05, type 0x0042, variant 1, board 2.
"$build/bin/zev-pack" build --exe "$build/bin/zev-programmer" --hex samples/demo-firmware.hex \
    -o "$work/zev-programmer"

# Three simulated devices on pseudo-terminals.
fits=(-s dBootTypeP=0x0042 -s dIspolnenieP=1 -s dPlateIzmP=2)
mkfifo "$work/sim.out"
"$build/bin/zev-devsim" --die-with-parent \
    -d older "${fits[@]}" -s dVerProg=1.04 -s dName=PUMP-104 -s dID=0x2A01 \
    -d same "${fits[@]}" -s dVerProg=1.05 -s dName=PUMP-105 -s dID=0x2A02 \
    -d other -s dBootTypeP=0x0077 -s dVerProg=1.00 -s dName=VALVE -s dID=0x3B01 \
    >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
ports=""
while read -r kind name pty _; do
    case $kind in
    device) ports="${ports:+$ports:}$pty"; echo "simulated device $name on $pty" ;;
    ready) break ;;
    esac
done <"$work/sim.out"
if [ -z "$ports" ]; then
    cat "$work/sim.err" >&2
    echo "demo: the simulated devices did not start" >&2
    exit 1
fi
# Keep reading the simulator's output so that it never blocks on a full pipe.
cat "$work/sim.out" >/dev/null &
pids+=($!)

# A display: the user's, or a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    read -r -t 15 number <"$work/display" || { echo "demo: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
    cat <<EOF

No display here: the window runs on the virtual display $DISPLAY. To look at it:
    DISPLAY=$DISPLAY import -window root zev-demo.png     (a picture of the screen)
To press "Next" and "Close" (the window is centred on the 1024 x 768 screen):
    DISPLAY=$DISPLAY xdotool mousemove 615 543 click 1    ("Next")
    DISPLAY=$DISPLAY xdotool mousemove 712 543 click 1    ("Close")
EOF
fi

# The program finds the simulated devices through ZEV_PORTS instead of scanning /dev.
while :; do
    echo
    echo "starting ZEV Programmer; close its window to end"
    ZEV_PORTS="$ports" "$work/zev-programmer" || true
    [ -t 0 ] || break
    read -r -p "Start the program again (the devices keep their memory)? [y/N] " again || break
    case $again in y | Y | yes) ;; *) break ;; esac
done
