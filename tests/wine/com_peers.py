#!/usr/bin/env python3
"""Simulated serial peers for Windows programs under Wine.

    com_peers.py [--expect-all-bytes] WINE_RUN PROGRAM [ARGUMENTS...]

Opens two pseudo-terminals, maps them through WINE_RUN to COM5 and COM6 and runs PROGRAM under
Wine with the environment variables ZEV_ANSWER_PORT=COM5 and ZEV_SILENT_PORT=COM6 set.

  COM5, the answering peer: every byte b it receives is answered at once with (b + 1) mod 256.
  COM6, the silent peer: answers nothing, except the byte 0x3F, which it answers with the number
        of bytes received before it (32 bits, little-endian) and then counts from zero again.

Exit status: the program's (77 when WINE_RUN refused to run it, a program it cannot run). With --expect-all-bytes the answering peer must also have received
the bytes 0..255 exactly once, in order (what com_probe sends).
"""

import os
import pty
import select
import subprocess
import sys
import threading
import time

QUERY = 0x3F
NOT_RUN = 77  # wine-run.sh's status for a program it cannot run


class Peer:
    def __init__(self, answering):
        self.answering = answering
        self.master, self.slave = pty.openpty()
        self.tty = os.ttyname(self.slave)
        self.received = bytearray()
        self.counted = 0

    def handle(self, data):
        self.received.extend(data)
        if self.answering:
            os.write(self.master, bytes((b + 1) & 0xFF for b in data))
            return
        for b in data:
            if b == QUERY:
                os.write(self.master, self.counted.to_bytes(4, "little"))
                self.counted = 0
            else:
                self.counted += 1

    def close(self):
        os.close(self.slave)
        os.close(self.master)


def serve(peers, stop):
    by_fd = {p.master: p for p in peers}
    while not stop.is_set():
        ready, _, _ = select.select(list(by_fd), [], [], 0.05)
        for fd in ready:
            try:
                data = os.read(fd, 4096)
            except OSError:  # the far side is closed for a moment while the port is reopened
                time.sleep(0.01)
                continue
            by_fd[fd].handle(data)


def main():
    args = sys.argv[1:]
    expect_all = bool(args) and args[0] == "--expect-all-bytes"
    if expect_all:
        args = args[1:]
    if len(args) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    wine_run, program, program_args = args[0], args[1], args[2:]

    answering, silent = Peer(True), Peer(False)
    stop = threading.Event()
    thread = threading.Thread(target=serve, args=([answering, silent], stop), daemon=True)
    thread.start()
    env = dict(os.environ, ZEV_ANSWER_PORT="COM5", ZEV_SILENT_PORT="COM6")
    try:
        run = subprocess.run([wine_run, "--com", f"5={answering.tty}", "--com", f"6={silent.tty}",
                              "--", program, *program_args], env=env, timeout=900)
    finally:
        stop.set()
        thread.join()
        answering.close()
        silent.close()

    print(f"COM5 peer on {answering.tty} received {len(answering.received)} bytes, "
          f"COM6 peer on {silent.tty} {len(silent.received)}")
    if run.returncode == NOT_RUN:
        print(f"{program} was not run", file=sys.stderr)
        return NOT_RUN
    if run.returncode != 0:
        print(f"{program} failed with exit status {run.returncode}", file=sys.stderr)
        return 1
    if expect_all and bytes(answering.received) != bytes(range(256)):
        print(f"COM5 peer received {bytes(answering.received)[:64].hex()}..., want 00 01 .. ff",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
