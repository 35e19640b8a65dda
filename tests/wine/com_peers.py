#!/usr/bin/env python3
"""Linux side of the Wine COM port check.

    com_echo.py WINE_RUN PROBE_EXE [PORT_NUMBER]

Opens a pseudo-terminal, maps COM<PORT_NUMBER> (default 5) to it through WINE_RUN and runs
PROBE_EXE under Wine. The peer answers every byte b it receives with (b + 1) mod 256 and records
what it received; the check passes when the probe succeeds and the peer received the bytes
0..255 exactly once, in order.
"""

import os
import pty
import select
import subprocess
import sys
import threading
import time


def peer(master, received, stop):
    while not stop.is_set():
        ready, _, _ = select.select([master], [], [], 0.1)
        if not ready:
            continue
        try:
            data = os.read(master, 4096)
        except OSError:  # the slave side is closed for a moment while Wine reopens it
            time.sleep(0.05)
            continue
        received.extend(data)
        os.write(master, bytes((b + 1) & 0xFF for b in data))


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    wine_run, probe = sys.argv[1], sys.argv[2]
    port = int(sys.argv[3]) if len(sys.argv) == 4 else 5

    master, slave = pty.openpty()
    tty = os.ttyname(slave)
    received = bytearray()
    stop = threading.Event()
    thread = threading.Thread(target=peer, args=(master, received, stop), daemon=True)
    thread.start()
    try:
        run = subprocess.run([wine_run, "--com", f"{port}={tty}", "--", probe, f"COM{port}"],
                             timeout=600)
    finally:
        stop.set()
        thread.join()
        os.close(slave)
        os.close(master)

    print(f"peer on {tty} received {len(received)} bytes")
    if run.returncode != 0:
        print(f"probe failed with exit status {run.returncode}", file=sys.stderr)
        return 1
    if bytes(received) != bytes(range(256)):
        print(f"peer received {bytes(received)[:64].hex()}..., want 00 01 .. ff", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
