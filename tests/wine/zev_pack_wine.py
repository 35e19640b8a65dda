#!/usr/bin/env python3
"""zev-pack.exe, the Windows build of the publisher's tool, under Wine against the Linux one.

    zev_pack_wine.py --exe zev-pack.exe --linux zev-pack --updater ZEVProgrammer.exe
                     --hex FIRMWARE.hex [--wine-run scripts/wine-run.sh] [--prefix DIR]

In a working folder whose name has a space and Cyrillic letters, with relative names of the
same kind, as a publisher on Windows types them:
  - "build --exe ZEVProgrammer.exe --hex <firmware> --set-checksum -o <updater>" exits 0, lists
    what it left out, and gives byte for byte the file that the Linux zev-pack makes of the same
    inputs;
  - "info" on the result ends with "check: OK" and agrees with the Linux report;
  - the same firmware without --set-checksum is refused with 0x0304 and nothing is written;
  - "strip" gives back the updater as it was, followed by the 0 to 7 zero bytes that build put
    before the package (the updater is a multiple of 8 bytes long);
  - a copy of zev-pack.exe beside ZEVProgrammer.exe, as the .zip has them, run without --exe,
    takes that updater, says so, and makes the same file; "--version" gives the version.
Exit status 0 when everything matched, 1 otherwise, 2 on wrong usage.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile


class Failure(Exception):
    pass


def log(message):
    print("zev_pack_wine: " + message, flush=True)


def run(command, cwd, timeout=300):
    done = subprocess.run(command, cwd=cwd, capture_output=True, timeout=timeout)
    return done.returncode, done.stdout.decode("utf-8", "replace"), \
        done.stderr.decode("utf-8", "replace")


def expect(condition, what, detail=""):
    if not condition:
        raise Failure(what + (("\n" + detail) if detail else ""))
    log("ok: " + what)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--exe", required=True, help="zev-pack.exe")
    parser.add_argument("--linux", required=True, help="the Linux zev-pack")
    parser.add_argument("--updater", required=True, help="ZEVProgrammer.exe")
    parser.add_argument("--hex", required=True, help="the firmware (Intel HEX)")
    parser.add_argument("--wine-run", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-run.sh"))
    parser.add_argument("--prefix", help="the Wine prefix (default: the runner's)")
    args = parser.parse_args()

    runner = ["bash", os.path.abspath(args.wine_run)]
    if args.prefix:
        runner += ["--prefix", os.path.abspath(args.prefix)]
    runner += ["--"]
    wine = runner + [os.path.abspath(args.exe)]
    linux = [os.path.abspath(args.linux)]

    top = tempfile.mkdtemp(prefix="zev-pack-wine-")
    try:
        work = os.path.join(top, "Выпуск 1.06 (насос)")
        os.makedirs(work)
        shutil.copy(args.updater, os.path.join(work, "ZEVProgrammer.exe"))
        firmware = "прошивка насоса.hex"
        shutil.copy(args.hex, os.path.join(work, firmware))
        out = "PUMP-1.06 насос.exe"
        build = ["build", "--exe", "ZEVProgrammer.exe", "--hex", firmware, "--set-checksum",
                 "-o"]

        status, text, err = run(wine + build + [out], work)
        expect(status == 0, "zev-pack.exe build exits 0", text + err)
        expect("left out 0x1000E-0x10011 (4 bytes)" in text,
               "zev-pack.exe names the configuration words it left out", text)
        expect("CS set:" in text or "already the checksum" in text,
               "zev-pack.exe tells what became of CS", text)

        status, text, err = run(linux + build + ["linux.exe"], work)
        expect(status == 0, "the Linux zev-pack builds the same inputs", text + err)
        with open(os.path.join(work, out), "rb") as a, \
                open(os.path.join(work, "linux.exe"), "rb") as b:
            expect(a.read() == b.read(), "both systems make the same file byte for byte")

        status, text, err = run(wine + ["info", out], work)
        lines = text.replace("\r\n", "\n").strip().split("\n")
        expect(status == 0 and lines[-1] == "check: OK", "zev-pack.exe info ends with check: OK",
               text + err)
        status, linux_text, _ = run(linux + ["info", "linux.exe"], work)
        report = [line for line in lines if not line.startswith("file:")]
        linux_report = [line for line in linux_text.strip().split("\n")
                        if not line.startswith("file:")]
        expect(report == linux_report, "its report is the Linux one", text + linux_text)

        refused = "refused.exe"
        status, text, err = run(wine + ["build", "--exe", "ZEVProgrammer.exe", "--hex", firmware,
                                        "-o", refused], work)
        expect(status == 1 and "0x0304" in err, "a wrong CS without --set-checksum: exit 1, 0x0304",
               text + err)
        expect(not os.path.exists(os.path.join(work, refused)), "nothing is written on a refusal")

        status, text, err = run(wine + ["strip", out, "-o", "stripped.exe"], work)
        expect(status == 0, "zev-pack.exe strip exits 0", text + err)
        with open(os.path.join(work, "stripped.exe"), "rb") as a, \
                open(os.path.join(work, "ZEVProgrammer.exe"), "rb") as b, \
                open(os.path.join(work, out), "rb") as c:
            stripped, updater, packed = a.read(), b.read(), c.read()
            padding = stripped[len(updater):]
            expect(stripped[:len(updater)] == updater and len(padding) < 8 and not any(padding)
                   and len(packed) % 8 == 0,
                   "strip gives back the updater as it was, and build's zero padding")

        shutil.copy(args.exe, os.path.join(work, "zev-pack.exe"))
        beside = runner + [os.path.join(work, "zev-pack.exe")]
        status, text, err = run(beside + ["build", "--hex", firmware, "--set-checksum", "-o",
                                          "found.exe"], work)
        first = text.replace("\r\n", "\n").split("\n")[0]
        expect(status == 0 and first.startswith("updater: ") and
               first.endswith("\\Выпуск 1.06 (насос)\\ZEVProgrammer.exe "
                              "(installed beside zev-pack; --exe names another)"),
               "without --exe, zev-pack.exe takes ZEVProgrammer.exe from its own folder",
               text + err)
        with open(os.path.join(work, "found.exe"), "rb") as a, \
                open(os.path.join(work, out), "rb") as b:
            expect(a.read() == b.read(), "and makes the same file as with --exe")
        status, text, err = run(beside + ["--version"], work)
        expect(status == 0 and text.strip().startswith("zev-pack ") and
               text.strip() == run(linux + ["--version"], work)[1].strip(),
               "zev-pack.exe --version is the Linux zev-pack's", text + err)
    except Failure as failure:
        log("FAILED: " + str(failure))
        return 1
    except subprocess.TimeoutExpired as timeout:
        log("FAILED: no end within %s s: %s" % (timeout.timeout, timeout.cmd))
        return 1
    finally:
        shutil.rmtree(top, ignore_errors=True)
    log("all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
