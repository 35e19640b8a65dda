#!/usr/bin/env python3
"""The Windows program end to end, under Wine on a virtual display.

    e2e_wine.py --exe ZEVProgrammer.exe --pack zev-pack --devsim zev-devsim --hex FIRMWARE.hex
                [--wine-run scripts/wine-run.sh] [--prefix DIR] [--screenshots DIR]
                [--failure-hint] [--sign] [--search-hint]

Appends the firmware to the program with "zev-pack build", starts three simulated devices on
pseudo-terminals (two with an older firmware version, one of another type) and maps them to
COM5, COM6 and COM7 through the Wine runner, which keeps Wine away from the machine's own serial
ports. The program runs on its own Xvfb display. The test waits for every device to be asked for
its identity, presses "Next" (Enter on the window: "Next" is its default button), waits for both
older devices to be reset, closes the window with Alt+F4 and then compares what the devices hold
(zev-devsim --dump) with the package appended to the program: every byte of the flash block at
its address, every EEPROM byte (the low bytes of the EEPROM block). The device of another type
must have been asked for its identity and nothing else.

With --screenshots DIR it saves win32-devices.png (the device list) and win32-finished.png (the
finished run) there.

With --failure-hint one more run follows: two devices that fit, one of them answering every
flash line malformed (zev-devsim fault "nibble flash"), "Next" pressed, and once the good device
is reset and the other has failed, the pointer rests on the red row. The tool tip with the row's
failure text must then appear over the window (the picture of the window's place on the screen
changes), and with --screenshots that picture is saved as win32-failure-hint.png.

With --sign the packed program is then signed with osslsigncode and a throwaway code-signing
certificate made with openssl (pack, then sign, as a publisher ships it); the signature must
verify, "zev-pack info" must say that the package lies inside the signed part, and the signed
program is the one that runs and writes the devices.

With --search-hint one more run follows in which no device answers: two devices that drop every
identity request. The window must keep searching and draw its hint in the list's place (text
appears there); with --screenshots the window is saved as win32-search-hint.png. (A port that
another program holds cannot be shown under Wine: Wine lets a second opener through where
Windows refuses it.)

Every wait is bounded; on any exit the program, Wine, the simulator and Xvfb are stopped.
Exit status 0 when everything matched, 1 otherwise, 2 on wrong usage.
"""

import argparse
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

# The demo firmware's device: type 0x0042, variant 1, board revision 2, version 1.05.
FITS = ["-s", "dBootTypeP=0x0042", "-s", "dIspolnenieP=1", "-s", "dPlateIzmP=2"]
DEVICES = [
    ("pump104", FITS + ["-s", "dVerProg=1.04", "-s", "dName=PUMP-104", "-s", "dID=0x2A01"]),
    ("pump100", FITS + ["-s", "dVerProg=1.00", "-s", "dName=PUMP-100", "-s", "dID=0x2A02"]),
    ("valve", ["-s", "dBootTypeP=0x0077", "-s", "dVerProg=1.00", "-s", "dName=VALVE",
               "-s", "dID=0x3B01"]),
]
WRITTEN = ("pump104", "pump100")
FIRST_COM = 5

# The run of --search-hint: nothing answers.
SILENT_DEVICES = [
    ("mute1", DEVICES[0][1] + ["-s", "fault=drop id"]),
    ("mute2", DEVICES[1][1] + ["-s", "fault=drop id"]),
]

# The run of --failure-hint: the second device answers no flash line in the bootloader's form.
FAILING_DEVICES = [
    ("pump104", DEVICES[0][1]),
    ("pump100", DEVICES[1][1] + ["-s", "fault=nibble flash"]),
]


class Failure(Exception):
    pass


# What ends a run as failed.
FAILURES = (Failure, subprocess.SubprocessError, OSError, KeyError, ValueError)


def log(message):
    print("e2e_wine: " + message, flush=True)


def wait_for(what, condition, timeout, step=0.25):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %d s waiting for %s" % (timeout, what))
        time.sleep(step)


class Lines:
    """Lines from a pipe, each wait bounded."""

    def __init__(self, fd):
        self.fd = fd
        self.buffer = b""

    def next(self, timeout):
        """The next line without its end, or None when none came in time or the pipe closed."""
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.fd, 4096)
            if not chunk:
                return None
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode(errors="replace")


class Run:
    """Everything the test started, stopped again in reverse order."""

    def __init__(self, args, devices=DEVICES):
        self.args = args
        self.devices = devices
        self.work = tempfile.mkdtemp(prefix="zev-e2e-wine.")
        self.procs = []  # (name, Popen), started in their own process groups
        self.display = None
        self.program = None
        self.sim = None

    def start(self, name, argv, **kw):
        proc = subprocess.Popen(argv, start_new_session=True, **kw)
        self.procs.append((name, proc))
        return proc

    def stop(self, name, proc, grace):
        if proc.poll() is not None:
            return
        for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5)):
            try:
                os.killpg(proc.pid, sig)
            except ProcessLookupError:
                return
            try:
                proc.wait(wait)
                return
            except subprocess.TimeoutExpired:
                log("%s did not end on signal %d" % (name, sig))

    def close(self):
        program_ran = self.program is not None and self.program.returncode != 0
        for name, proc in reversed(self.procs):
            self.stop(name, proc, 10)
        if program_ran:
            # Whatever of Wine is left of a run that did not end by itself.
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.args.prefix),
                           check=False, timeout=30, stderr=subprocess.DEVNULL)
        subprocess.run(["rm", "-rf", self.work], check=False)

    # --- pieces ---------------------------------------------------------------------------

    def pack(self):
        out = os.path.join(self.work, "ZEVProgrammer.exe")
        subprocess.run([self.args.pack, "build", "--exe", self.args.exe, "--hex", self.args.hex,
                        "-o", out], check=True, timeout=60)
        if self.args.sign:
            out = self.sign(out)
        payload = os.path.join(self.work, "package.bin")
        subprocess.run([self.args.pack, "extract", out, "-o", payload], check=True, timeout=60)
        with open(payload, "rb") as f:
            self.package = f.read()
        info = subprocess.run([self.args.pack, "info", out], check=True, timeout=60,
                              capture_output=True, text=True).stdout
        if self.args.sign and "the package lies inside the signed part" not in info:
            raise RuntimeError("zev-pack info does not find the package in the signed part:\n"
                               + info)
        title = re.search(r"^title:\s*(.+)$", info, re.M)
        self.title = title.group(1).strip() if title else "ZEV-DEMO v.1.05"
        return out

    def sign(self, packed):
        """The packed program signed with a throwaway certificate; its signature verified."""
        for tool in ("openssl", "osslsigncode"):
            if not shutil.which(tool):
                raise RuntimeError("--sign needs %s, which is not installed" % tool)
        key, cert = os.path.join(self.work, "key.pem"), os.path.join(self.work, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=ZEV test publisher", "-addext",
                        "extendedKeyUsage=codeSigning", "-keyout", key, "-out", cert],
                       check=True, timeout=120, capture_output=True)
        signed = os.path.join(os.path.dirname(packed), "signed", "ZEVProgrammer.exe")
        os.makedirs(os.path.dirname(signed), exist_ok=True)
        subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n",
                        "ZEV Programmer", "-in", packed, "-out", signed],
                       check=True, timeout=120, capture_output=True)
        verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed],
                                timeout=120, capture_output=True, text=True)
        print("osslsigncode verify: exit %d, %s" % (verify.returncode,
              (verify.stdout.strip().splitlines() or ["?"])[-1]))
        if verify.returncode != 0:
            raise RuntimeError("the signed program does not verify:\n" + verify.stdout)
        return signed

    def start_display(self):
        read_end, write_end = os.pipe()
        self.start("Xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                   stderr=open(os.path.join(self.work, "xvfb.log"), "w"))
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 1)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            raise Failure("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)

    def start_devices(self):
        argv = [self.args.devsim, "--die-with-parent", "--instant", "--dump",
                os.path.join(self.work, "dump")]
        for name, keys in self.devices:
            argv += ["-d", name] + keys
        self.sim = self.start("zev-devsim", argv, stdout=subprocess.PIPE,
                              stderr=open(os.path.join(self.work, "devsim.log"), "w"))
        self.sim_out = Lines(self.sim.stdout.fileno())
        self.ptys = {}
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            line = self.sim_out.next(deadline - time.monotonic())
            if line is None:
                break
            words = line.split()
            if words[:1] == ["device"]:
                self.ptys[words[1]] = words[2]
            if words[:1] == ["ready"]:
                return
        raise Failure("the simulated devices did not start")

    def dump(self):
        """Asks the simulator for a dump and waits for it; the request kinds per device."""
        self.sim.send_signal(signal.SIGUSR1)
        deadline = time.monotonic() + 10
        while True:
            line = self.sim_out.next(max(0, deadline - time.monotonic()))
            if line is None:
                raise Failure("the simulator did not dump")
            if line.startswith("dumped"):
                break
        kinds = {}
        for name, _ in self.devices:
            try:
                with open(os.path.join(self.work, "dump", name + ".log")) as f:
                    kinds[name] = "".join(line[0] for line in f if line.strip())
            except FileNotFoundError:
                kinds[name] = ""
        return kinds

    def prepare_prefix(self):
        """Wine draws the window's frame and title itself: there is no window manager here."""
        marker = os.path.join(self.args.prefix, ".zev-e2e-decorated")
        if os.path.exists(marker):
            return
        reg = self.args.reg
        if not reg or not os.path.isfile(reg):
            log("no reg.exe of Wine: the window is shown without its frame")
            return
        subprocess.run([self.args.wine_run, "--prefix", self.args.prefix, "--", reg, "add",
                        r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/t", "REG_SZ",
                        "/d", "N", "/f"], env=self.env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL)
        open(marker, "w").close()

    def start_program(self, exe):
        argv = [self.args.wine_run, "--prefix", self.args.prefix]
        for k, (name, _) in enumerate(self.devices):
            argv += ["--com", "%d=%s" % (FIRST_COM + k, self.ptys[name])]
        argv += ["--", exe]
        self.program = self.start("the program", argv, env=self.env,
                                  stdout=open(os.path.join(self.work, "program.log"), "w"),
                                  stderr=subprocess.STDOUT)

    def xdo(self, *args, timeout=10):
        out = subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True,
                             text=True, timeout=timeout)
        return out.stdout.strip()

    def window(self):
        pattern = "^" + re.escape(self.title)
        found = self.xdo("search", "--name", pattern)
        return found.split()[0] if found else None

    def screenshot(self, window, name):
        if not self.args.screenshots:
            return
        os.makedirs(self.args.screenshots, exist_ok=True)
        path = os.path.join(self.args.screenshots, name)
        subprocess.run(["import", "-window", window, path], env=self.env, check=True, timeout=30)
        log("screenshot " + path)

    def grab(self, window, path):
        """The window's place on the screen, with what lies over it (a tool tip is a window of
        its own); (width, height, RGB bytes)."""
        subprocess.run(["import", "-screen", "-window", window, path], env=self.env, check=True,
                       timeout=30)
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, timeout=30,
                             capture_output=True).stdout
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        if not fields:
            raise Failure("no image of the window")
        return int(fields.group(1)), int(fields.group(2)), ppm[fields.end():]

    def launch(self, what):
        """The package appended, the display, the prefix, the devices and the program; waits
        for its window and for the search to ask every device. Returns the window."""
        exe = self.pack()
        self.start_display()
        self.prepare_prefix()
        self.start_devices()
        log(what + "devices on " + ", ".join("%s %s" % kv for kv in self.ptys.items()))
        self.start_program(exe)
        # The first start of a prefix builds it, which takes a while.
        window = wait_for("the window \"%s\"" % self.title, self.window, 240, 1)
        log(what + "window " + window)
        wait_for("the search to reach every device",
                 lambda: all("I" in k for k in self.dump().values()), 120, 1)
        time.sleep(2)  # the rows are built 100 ms after the last answer
        return window

    def press_next(self, window, devices):
        """"Next": Enter on the window, again until the first flash line reaches one of the
        devices. Enter does nothing while "Next" is disabled, and once it has been pressed."""
        def pressed():
            self.xdo("windowfocus", window)
            self.xdo("key", "--clearmodifiers", "Return")
            time.sleep(1)
            return any("F" in self.dump()[name] for name in devices)

        wait_for("\"Next\" to start the writing", pressed, 60, 0)

    def close_window(self, window):
        """Alt+F4 on the window; the program must end within 30 s with status 0."""
        self.xdo("windowfocus", window)
        self.xdo("key", "--clearmodifiers", "alt+F4")
        try:
            rc = self.program.wait(30)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after Alt+F4")
        if rc != 0:
            raise Failure("the program ended with status %d" % rc)

    def failed(self, what, error):
        """Says what failed, with the end of the program's output; the exit status 1."""
        log("FAILED (%s): %s" % (what, error))
        tail = self.program_log()
        if tail:
            log("program output:\n" + tail)
        return 1

    def program_log(self):
        try:
            with open(os.path.join(self.work, "program.log"), errors="replace") as f:
                return f.read()[-2000:]
        except OSError:
            return ""


def blocks(payload):
    """The block container: (address, bytes) of every block."""
    (count,) = struct.unpack_from("<H", payload, 0)
    data = payload[2 + 12 * count:]
    result = []
    for k in range(count):
        address, index, length = struct.unpack_from("<III", payload, 2 + 12 * k)
        result.append((address, data[index:index + length]))
    return result


def compare(run, name):
    """What the device holds against the package; a list of differences."""
    problems = []
    with open(os.path.join(run.work, "dump", name + ".flash.bin"), "rb") as f:
        flash = f.read()
    with open(os.path.join(run.work, "dump", name + ".eeprom.bin"), "rb") as f:
        eeprom = f.read()
    for address, data in blocks(run.package):
        if address < 0x10000:
            got = flash[address:address + len(data)]
            if got != data:
                first = next(i for i in range(len(data)) if i >= len(got) or got[i] != data[i])
                problems.append("%s: flash differs from the package at 0x%04X" %
                                (name, address + first))
        else:
            want = data[0::2]
            if eeprom[:len(want)] != want:
                first = next(i for i in range(len(want)) if eeprom[i] != want[i])
                problems.append("%s: EEPROM byte 0x%02X differs from the package" % (name, first))
    return problems


def changed(before, after):
    """How many pixels differ between two images of the same size."""
    if before[:2] != after[:2]:
        return before[0] * before[1]
    return sum(1 for k in range(0, len(before[2]) - 2, 3)
               if before[2][k:k + 3] != after[2][k:k + 3])


def red_pixels(image):
    width, _, data = image
    return [((k // 3) % width, (k // 3) // width) for k in range(0, len(data) - 2, 3)
            if data[k] > 160 and data[k + 1] < 80 and data[k + 2] < 80]


def failure_hint(args):
    """One device fails; the pointer on its row shows why."""
    run = Run(args, FAILING_DEVICES)
    try:
        window = run.launch("failure hint: ")

        run.press_next(window, list(run.ptys))
        wait_for("the good device to be reset and the other to fail its flash line",
                 lambda: (lambda k: k["pump104"].endswith("R") and k["pump100"].count("F") >= 3)(
                     run.dump()), 300, 1)
        time.sleep(2)  # the last result, then the list scrolls to the red row

        before = run.grab(window, os.path.join(run.work, "before.png"))
        red = red_pixels(before)
        if not red:
            raise Failure("no red row after the run")
        # The lowest red pixel is the failed row's "update error" (the status line is above);
        # the pointer goes onto the row's name line, so that the tip below it covers the row.
        x, y = max(red, key=lambda p: (p[1], -p[0]))
        y -= 20
        geometry = dict(line.split("=", 1) for line in
                        run.xdo("getwindowgeometry", "--shell", window).split())
        left, top = int(geometry["X"]), int(geometry["Y"])

        def hint_shown():
            run.xdo("mousemove", str(left + x), str(top + y))
            time.sleep(0.2)
            run.xdo("mousemove", str(left + x + 2), str(top + y + 1))
            time.sleep(1.5)  # the tool tip's initial delay, well within its time on screen
            # The pointer itself is not in the image: what changed is the tool tip.
            image = run.grab(window, os.path.join(run.work, "hover.png"))
            return image if changed(before, image) > 200 else None

        wait_for("the tool tip over the failed row", hint_shown, 60, 0)
        log("the tool tip is shown over the failed row")
        if args.screenshots:
            os.makedirs(args.screenshots, exist_ok=True)
            path = os.path.join(args.screenshots, "win32-failure-hint.png")
            subprocess.run(["convert", os.path.join(run.work, "hover.png"), "+repage", path],
                           check=True, timeout=30)
            log("screenshot " + path)

        run.close_window(window)
        return 0
    except FAILURES as e:
        return run.failed("failure hint", e)
    finally:
        run.close()


def search_hint(args):
    """No device answers: the window says why in the list's place and keeps searching."""
    run = Run(args, SILENT_DEVICES)
    try:
        exe = run.pack()
        run.start_display()
        run.prepare_prefix()
        run.start_devices()
        run.start_program(exe)
        window = wait_for("the window \"%s\"" % run.title, run.window, 240, 1)

        def hint_drawn():
            width, height, data = run.grab(window, os.path.join(run.work, "hint.png"))
            # Dark text in the list's place: right of the caption column, between the separator
            # and the progress bar.
            dark = [1 for k in range(0, len(data) - 2, 3)
                    if (k // 3) % width > 200 and 110 < (k // 3) // width < height - 80
                    and max(data[k], data[k + 1], data[k + 2]) < 60]
            return dark if len(dark) >= 100 else None

        # The first search ends when the silent device's three requests have gone unanswered.
        dark = wait_for("the hint in the list's place", hint_drawn, 120, 2)
        log("the hint is drawn (%d dark pixels)" % len(dark))
        if run.window() is None:
            raise Failure("the window is gone")
        run.screenshot(window, "win32-search-hint.png")
        run.close_window(window)
        return 0
    except FAILURES as e:
        return run.failed("search hint", e)
    finally:
        run.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--pack", required=True)
    parser.add_argument("--devsim", required=True)
    parser.add_argument("--hex", required=True)
    parser.add_argument("--wine-run", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "wine-run.sh"))
    parser.add_argument("--prefix", help="the Wine prefix (default: beside the program)")
    parser.add_argument("--screenshots")
    parser.add_argument("--failure-hint", action="store_true",
                        help="then a run with a failing device and its tool tip")
    parser.add_argument("--sign", action="store_true",
                        help="sign the packed program with a throwaway certificate and run that")
    parser.add_argument("--search-hint", action="store_true",
                        help="then a run in which nothing answers and the window says why")
    parser.add_argument("--reg", default="/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/reg.exe",
                        help="Wine's reg.exe, to set up the prefix")
    args = parser.parse_args()
    if not args.prefix:
        args.prefix = os.path.join(os.path.dirname(os.path.abspath(args.exe)), ".wineprefix-e2e")
    rc = update(args)
    if rc == 0 and args.failure_hint:
        rc = failure_hint(args)
    if rc == 0 and args.search_hint:
        rc = search_hint(args)
    return rc


def update(args):
    """The three devices written and compared with the package."""
    run = Run(args)
    try:
        window = run.launch("")
        run.screenshot(window, "win32-devices.png")

        run.press_next(window, WRITTEN)
        kinds = wait_for("both devices to be written and reset",
                         lambda: (lambda k: k if all(k[n].endswith("R") for n in WRITTEN)
                                  else None)(run.dump()), 300, 1)
        time.sleep(1.5)  # "Completed successfully" 100 ms after the last result
        run.screenshot(window, "win32-finished.png")

        run.close_window(window)

        problems = []
        for name in WRITTEN:
            k = kinds[name]
            if not re.fullmatch(r"I+F+E+R", k):
                problems.append("%s: requests %s, not identity, flash, EEPROM, reset" % (name, k))
            problems += compare(run, name)
        if set(kinds["valve"]) != {"I"}:
            problems.append("valve: requests %s, not identity only" % kinds["valve"])
        if problems:
            raise Failure("; ".join(problems))
        log("both devices hold the package; the device of another type was left alone")
        return 0
    except (Failure, subprocess.SubprocessError, OSError) as e:
        log("FAILED: %s" % e)
        tail = run.program_log()
        if tail:
            log("program output:\n" + tail)
        return 1
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
